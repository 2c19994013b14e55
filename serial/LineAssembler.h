#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kvq {

// The byte rules of the serial line: bell (7) is dropped, backspace (8) removes the last
// byte of the line being built, line feed (10) ends the line; every other byte, carriage
// return and zero included, joins the line.
//
// The line being built keeps at most kMaxLineBytes bytes. Beyond that, bytes are counted,
// not kept, so backspaces still remove them first and the kept part stays exact: a noisy
// line without a line feed cannot grow the program without bound. The pane reads back only
// the first 4096 bytes of a line, so the saved data never reaches past the kept part.
class LineAssembler {
public:
    static constexpr std::size_t kMaxLineBytes = 64 * 1024;

    // Feeds received bytes; calls onLine(std::string_view) for each line that a line feed ends.
    template <typename OnLine>
    void Feed(std::string_view bytes, OnLine&& onLine) {
        for (char c : bytes) {
            switch (c) {
                case '\a':
                    break;
                case '\b':
                    if (dropped_ > 0) {
                        --dropped_;
                    } else if (!line_.empty()) {
                        line_.pop_back();
                    }
                    break;
                case '\n':
                    onLine(std::string_view(line_));
                    line_.clear();
                    dropped_ = 0;
                    break;
                default:
                    if (line_.size() < kMaxLineBytes) {
                        line_.push_back(c);
                    } else {
                        ++dropped_;
                    }
                    break;
            }
        }
    }

    // The bytes of the line being built (its kept part).
    std::string_view Pending() const { return line_; }
    // Bytes of the line being built beyond the kept part.
    std::size_t Dropped() const { return dropped_; }
    void Clear() {
        line_.clear();
        dropped_ = 0;
    }

private:
    std::string line_;
    std::size_t dropped_ = 0;
};

}  // namespace kvq
