#pragma once

#include <string_view>

#include "WriterState.h"

namespace kvq {

enum class LineOutcome {
    kRecord,   // the record line to write (without its line end) is ready
    kTaken,    // the line counts for the type but completes no record yet
    kSkipped,  // the line does not fit the type
};

// Builds the record of one instrument type from a line whose field count fits the type; the
// line's fields are in state.fields. On kRecord, `record` views the record, which stays valid
// until the next line.
using RecordLayout = LineOutcome (*)(std::string_view line, WriterState& state,
                                     std::string_view& record);

}  // namespace kvq
