#pragma once

#include <cstddef>

#include "RecordLayout.h"

namespace kvq {

inline constexpr std::size_t kHxrReadingsPerRecord = 10;

// Type 2: a line that reads as one number is a reading; readings are collected in groups of
// ten, and a complete group becomes readings 1-5, ten columns "9999", readings 6-10. Any
// other one-field line is skipped.
LineOutcome HxrLayout(std::string_view line, WriterState& state, std::string_view& record);

// Readings collected since the last complete group, which no record holds.
std::size_t HxrReadingsOfOpenGroup(const WriterState& state);

}  // namespace kvq
