#pragma once

#include <cstddef>
#include <cstring>
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
// The program always uses kMaxLineBytes; the fuzz target gives smaller bounds, so that its
// inputs reach the bound without 64 KiB of filler each.
class LineAssembler {
public:
    static constexpr std::size_t kMaxLineBytes = 64 * 1024;

    explicit LineAssembler(std::size_t maxLineBytes = kMaxLineBytes)
        : maxLineBytes_(maxLineBytes) {}

    // Feeds received bytes; calls onLine(std::string_view) for each line that a line feed ends.
    // Runs of ordinary bytes are taken whole; a line that lies whole within the bytes given is
    // handed over where it lies, without a copy.
    template <typename OnLine>
    void Feed(std::string_view bytes, OnLine&& onLine) {
        std::size_t at = 0;
        while (at < bytes.size()) {
            const std::size_t end = NextRuleByte(bytes, at);
            const std::string_view run = bytes.substr(at, end - at);
            if (end == bytes.size()) {
                Keep(run);
                return;
            }
            at = end + 1;
            switch (bytes[end]) {
                case '\a':
                    Keep(run);
                    break;
                case '\b':
                    Keep(run);
                    Backspace();
                    break;
                default:  // line feed
                    if (line_.empty() && dropped_ == 0 && run.size() <= maxLineBytes_) {
                        onLine(run);
                    } else {
                        Keep(run);
                        onLine(std::string_view(line_));
                        line_.clear();
                        dropped_ = 0;
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
    // Where the next bell, backspace or line feed (the bytes with a rule of their own) stands
    // from `from` on, or the end. Searched with memchr: lines are long, rule bytes rare.
    static std::size_t NextRuleByte(std::string_view bytes, std::size_t from) {
        std::size_t end = bytes.size();
        // The line feed first: the others are looked for only before it.
        for (const char rule : {'\n', '\a', '\b'}) {
            const void* found = std::memchr(bytes.data() + from, rule, end - from);
            if (found != nullptr) {
                end = static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data());
            }
        }
        return end;
    }

    void Keep(std::string_view run) {
        const std::size_t room = maxLineBytes_ - line_.size();
        if (run.size() <= room) {
            line_.append(run);
        } else {
            line_.append(run.substr(0, room));
            dropped_ += run.size() - room;
        }
    }

    void Backspace() {
        if (dropped_ > 0) {
            --dropped_;
        } else if (!line_.empty()) {
            line_.pop_back();
        }
    }

    std::size_t maxLineBytes_;
    std::string line_;
    std::size_t dropped_ = 0;
};

}  // namespace kvq
