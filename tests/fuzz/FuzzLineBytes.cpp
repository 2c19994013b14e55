// The byte rules of the serial line and the text pane's line rules, fed arbitrary bytes and
// compared with a plain reference that keeps whole lines without any bound.
//
// Input: byte 0 steers the run, the rest are the received bytes. From 0xF0 up, a run of filler
// bytes that brings the line within 15 bytes of the assembler's bound goes first, so that the
// bound is reached at all (only such inputs are slow, so they are kept to one steer value in
// sixteen); from 0x40 to 0x7F, the bytes arrive in reads of 1 to 16 bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "LineAssembler.h"
#include "PaneLines.h"
#include "ReferenceLines.h"

namespace {

using kvq::LineAssembler;

std::string Bounded(const std::string& line) {
    return line.substr(0, LineAssembler::kMaxLineBytes);
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const unsigned steer = data[0];
    std::string input;
    if (steer >= 0xF0) {
        input.assign(LineAssembler::kMaxLineBytes - (steer & 0x0F), 'f');
    }
    input.append(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t readSize = (steer & 0xC0) == 0x40 ? 1 + (steer & 0x0F) : input.size();

    // The filler holds no rule byte: the reference takes it as it is and feeds only the rest.
    reference::LineBytes expected;
    const std::size_t filler = input.size() - (size - 1);
    expected.pending.assign(input, 0, filler);
    expected.Feed(std::string_view(input).substr(filler));

    LineAssembler assembler;
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < input.size(); at += readSize) {
        assembler.Feed(std::string_view(input).substr(at, readSize),
                       [&](std::string_view line) { lines.emplace_back(line); });
    }

    KVQ_FUZZ_CHECK(lines.size() == expected.lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        KVQ_FUZZ_CHECK(line.find_first_of("\a\b\n") == std::string::npos);
        KVQ_FUZZ_CHECK(line.size() <= LineAssembler::kMaxLineBytes);
        // Below the bound the line is exact; beyond it, the kept part is the line's start.
        KVQ_FUZZ_CHECK(line == Bounded(expected.lines[i]));
        CheckPaneRules(line);
        // The bound never reaches what the pane reads back.
        KVQ_FUZZ_CHECK(kvq::PaneReadBack(kvq::PaneStoredLine(line)) ==
                       reference::ReadBack(expected.lines[i]));
    }
    const std::string& pending = expected.pending;
    KVQ_FUZZ_CHECK(assembler.Pending() == Bounded(pending));
    const std::size_t beyond = pending.size() > LineAssembler::kMaxLineBytes
                                   ? pending.size() - LineAssembler::kMaxLineBytes
                                   : 0;
    KVQ_FUZZ_CHECK(assembler.Dropped() == beyond);
    return 0;
}
