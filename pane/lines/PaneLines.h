#pragma once

#include <cstddef>
#include <string_view>

namespace kvq {

// A text-pane line is read back as at most this many bytes.
inline constexpr std::size_t kPaneReadBackBytes = 4096;

// What the text pane keeps of a line the receiver hands over: a zero byte ends the text,
// and a carriage return at the very end belongs to the line break.
std::string_view PaneStoredLine(std::string_view handedOver);

// What reading a stored line back from the pane yields.
inline std::string_view PaneReadBack(std::string_view stored) {
    return stored.substr(0, kPaneReadBackBytes);
}

}  // namespace kvq
