#include "LayoutKvq3B.h"

#include <array>
#include <charconv>

namespace kvq {

namespace {

// Source field of each record position; -1 stands for the carried value.
constexpr std::array<int, 20> kPositions = {0,  1,  5,  2,  3,  6,  7,  8,  9,  10,
                                            11, 14, 12, 13, 15, -1, 17, 18, 19, 20};

}  // namespace

LineOutcome Kvq3BLayout(std::string_view /*line*/, WriterState& state, std::string_view& record) {
    const FieldList& fields = state.fields;
    std::string& out = state.record;
    out.clear();
    for (std::size_t i = 0; i < kPositions.size(); ++i) {
        if (i != 0) {
            out.push_back(' ');
        }
        if (kPositions[i] < 0) {
            std::array<char, 16> text{};
            const auto end =
                std::to_chars(text.data(), text.data() + text.size(), state.carried).ptr;
            out.append(text.data(), end);
        } else {
            out.append(fields[static_cast<std::size_t>(kPositions[i])]);
        }
    }
    record = out;
    return LineOutcome::kRecord;
}

}  // namespace kvq
