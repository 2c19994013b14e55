#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace kvq {

// Fields are views into the line they were cut from; the list's storage is reused line after line.
using FieldList = std::vector<std::string_view>;

// More fields than any instrument type takes (InstrumentTable.h checks it), so the list stops
// growing here.
inline constexpr std::size_t kMaxFields = 100;

// Cuts one line into fields. Blank, comma and tab separate; a run of them is one break.
// Bytes up to 0x20 are trimmed from the line and from each field, so a field of control
// bytes alone becomes an empty field that still counts.
void SplitFields(std::string_view line, FieldList& fields);

}  // namespace kvq
