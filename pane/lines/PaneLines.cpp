#include "PaneLines.h"

namespace kvq {

std::string_view PaneStoredLine(std::string_view handedOver) {
    std::string_view line = handedOver.substr(0, handedOver.find('\0'));
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

}  // namespace kvq
