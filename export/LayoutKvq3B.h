#pragma once

#include "RecordLayout.h"

namespace kvq {

// Type 1: the twenty values of a 22-field line, fields partly reordered, the carried value in
// place of field 16; fields 4, 16 and 21 are not written.
LineOutcome Kvq3BLayout(std::string_view line, WriterState& state, std::string_view& record);

}  // namespace kvq
