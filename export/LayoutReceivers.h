#pragma once

#include "RecordLayout.h"

namespace kvq {

// Types 3 and 4, the high-power receivers: an 8-field line widened to twenty columns, the
// fields in their own order, "9999" in eleven fixed columns and "5" in column 16.
LineOutcome ReceiversLayout(std::string_view line, WriterState& state, std::string_view& record);

}  // namespace kvq
