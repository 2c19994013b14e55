// The byte rules of the serial line and the text pane's line rules, fed arbitrary bytes and
// compared with a plain reference that keeps whole lines without any bound.
//
// Input: byte 0 steers the run. Below 0xF0, byte 1 sets a bound of 1 to 256 bytes, so that
// every input can reach it cheaply. From 0xF0 to 0xFE the bound is the smallest one that the
// pane's read-back never reaches (4097 bytes), 0xFF is the program's own (64 KiB, with byte 1
// the distance from it); then a run of filler bytes that brings the line within 0 to 255
// bytes of the bound goes first. The bytes after these are the received ones; from 0x40 to
// 0x7F they arrive in reads of 1 to 16 bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "LineAssembler.h"
#include "PaneLines.h"
#include "ReferenceLines.h"

namespace {

using kvq::LineAssembler;

bool HasRuleByte(std::string_view line) {
    for (const char rule : {reference::kBell, reference::kBackspace, reference::kLineFeed}) {
        if (line.find(rule) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

void CheckPaneRules(std::string_view line) {
    const std::string_view stored = kvq::PaneStoredLine(line);
    KVQ_FUZZ_CHECK(stored == reference::StoredInPane(line));
    KVQ_FUZZ_CHECK(stored.find('\0') == std::string_view::npos);
    KVQ_FUZZ_CHECK(line.starts_with(stored));
    const std::string_view readBack = kvq::PaneReadBack(stored);
    KVQ_FUZZ_CHECK(readBack.size() <= reference::kReadBackBytes);
    KVQ_FUZZ_CHECK(stored.starts_with(readBack));
}

// How one input is run: the bound, the filler before the received bytes, the read size.
struct Run {
    std::size_t bound = LineAssembler::kMaxLineBytes;
    std::size_t filler = 0;
    std::string_view received;
    std::size_t readSize = 0;  // 0: everything in one read
};

// The read-back of 4096 bytes is out of reach of the bound from one byte more on: a carriage
// return cut off at the end of a bounded line could otherwise shorten what is saved.
constexpr std::size_t kReadBackSafeBound = reference::kReadBackBytes + 1;
static_assert(LineAssembler::kMaxLineBytes >= kReadBackSafeBound);

Run RunOf(std::string_view data) {
    Run run;
    const unsigned steer = static_cast<unsigned char>(data[0]);
    data.remove_prefix(1);
    const unsigned parameter = data.empty() ? 0 : static_cast<unsigned char>(data[0]);
    if (steer == 0xFF) {
        run.filler = LineAssembler::kMaxLineBytes - parameter;
    } else if (steer >= 0xF0) {
        run.bound = kReadBackSafeBound;
        run.filler = run.bound - (steer & 0x0F);
    } else {
        run.bound = 1 + parameter;
    }
    if (steer < 0xF0 || steer == 0xFF) {
        data.remove_prefix(data.empty() ? 0 : 1);
    }
    run.received = data;
    if ((steer & 0xC0) == 0x40) {
        run.readSize = 1 + (steer & 0x0F);
    }
    return run;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const Run run = RunOf(std::string_view(reinterpret_cast<const char*>(data), size));
    // Kept from input to input: fresh buffers of kilobytes for each input cost more than the
    // checks (the sanitizer's allocator fills and faults in new memory).
    static std::string input;
    input.assign(run.filler, 'f');
    input.append(run.received);
    const std::size_t readSize = run.readSize == 0 ? input.size() : run.readSize;

    // The filler holds no rule byte: the reference takes it as it is and feeds only the rest.
    reference::LineBytes expected;
    expected.pending.reserve(input.size());
    expected.pending.assign(run.filler, 'f');
    expected.Feed(run.received);

    // Each line is checked as it is handed over: the view is valid only until the call returns.
    std::size_t count = 0;
    const auto check = [&](std::string_view line) {
        KVQ_FUZZ_CHECK(count < expected.lines.size());
        const std::string_view whole = expected.lines[count++];
        KVQ_FUZZ_CHECK(!HasRuleByte(line));
        KVQ_FUZZ_CHECK(line.size() <= run.bound);
        // Below the bound the line is exact; beyond it, the kept part is the line's start.
        KVQ_FUZZ_CHECK(line == whole.substr(0, run.bound));
        CheckPaneRules(line);
        // A bound from kReadBackSafeBound on never reaches what the pane reads back.
        if (run.bound >= kReadBackSafeBound) {
            KVQ_FUZZ_CHECK(kvq::PaneReadBack(kvq::PaneStoredLine(line)) ==
                           reference::ReadBack(whole));
        }
    };
    LineAssembler assembler(run.bound);
    for (std::size_t at = 0; at < input.size(); at += readSize) {
        assembler.Feed(std::string_view(input).substr(at, readSize), check);
    }
    KVQ_FUZZ_CHECK(count == expected.lines.size());
    const std::string_view pending = expected.pending;
    KVQ_FUZZ_CHECK(assembler.Pending() == pending.substr(0, run.bound));
    const std::size_t beyond = pending.size() > run.bound ? pending.size() - run.bound : 0;
    KVQ_FUZZ_CHECK(assembler.Dropped() == beyond);
    return 0;
}
