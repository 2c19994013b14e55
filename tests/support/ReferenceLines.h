#pragma once
// Plain references of the serial line's byte rules and of what the text pane keeps of a line,
// written from the rules themselves; none of them calls the code under test. Plain C++ without
// Qt, so that the fuzz build has them too. They keep whole lines without any bound.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace reference {

inline constexpr char kBell = 7;
inline constexpr char kBackspace = 8;
inline constexpr char kLineFeed = 10;
// How much of a line the pane reads back for saving.
inline constexpr std::size_t kReadBackBytes = 4096;

// Bell leaves no trace, backspace takes the last byte of the line being built (if any), line
// feed ends the line; every other byte, carriage return and zero included, joins the line.
struct LineBytes {
    std::vector<std::string> lines;  // as handed over, each without its line feed
    std::string pending;             // the line being built
    std::size_t longest = 0;         // the most bytes a line being built ever held

    void Feed(std::string_view bytes) {
        for (const char c : bytes) {
            if (c == kBell) {
                continue;
            }
            if (c == kBackspace) {
                if (!pending.empty()) {
                    pending.pop_back();
                }
            } else if (c == kLineFeed) {
                lines.push_back(pending);
                pending.clear();
            } else {
                pending.push_back(c);
                longest = std::max(longest, pending.size());
            }
        }
    }
};

// The pane keeps a line as a C string (a zero byte ends it) and takes one carriage return at
// its very end for part of the line break.
inline std::string StoredInPane(std::string_view handedOver) {
    std::string stored(handedOver.substr(0, handedOver.find('\0')));
    if (!stored.empty() && stored.back() == '\r') {
        stored.pop_back();
    }
    return stored;
}

// What the pane reads back of a line for saving.
inline std::string ReadBack(std::string_view handedOver) {
    return StoredInPane(handedOver).substr(0, kReadBackBytes);
}

}  // namespace reference
