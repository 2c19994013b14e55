#include "CaptureConverter.h"

namespace kvq {

void CaptureConverter::Feed(std::string_view bytes) {
    assembler_.Feed(bytes, [this](std::string_view line) { pane_.Append(line); });
}

void CaptureConverter::Finish() {
    if (!assembler_.Pending().empty()) {
        pane_.Append(assembler_.Pending());
        assembler_.Clear();
    }
}

}  // namespace kvq
