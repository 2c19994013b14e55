#pragma once

#include "RecordLayout.h"

namespace kvq {

// Types 0 and 5: the line itself is the record, its own separators and blanks included.
LineOutcome PassThroughLayout(std::string_view line, WriterState& state, std::string_view& record);

}  // namespace kvq
