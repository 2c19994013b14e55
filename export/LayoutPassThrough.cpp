#include "LayoutPassThrough.h"

namespace kvq {

LineOutcome PassThroughLayout(std::string_view line, WriterState& /*state*/,
                              std::string_view& record) {
    record = line;
    return LineOutcome::kRecord;
}

}  // namespace kvq
