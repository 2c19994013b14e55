#include "CaptureConverter.h"

#include "PaneLines.h"

namespace kvq {

void CaptureConverter::Feed(std::string_view bytes) {
    assembler_.Feed(bytes, [this](std::string_view line) {
        writer_.Feed(PaneReadBack(PaneStoredLine(line)));
    });
}

void CaptureConverter::Finish() {
    if (!assembler_.Pending().empty()) {
        writer_.Feed(PaneReadBack(PaneStoredLine(assembler_.Pending())));
        assembler_.Clear();
    }
}

}  // namespace kvq
