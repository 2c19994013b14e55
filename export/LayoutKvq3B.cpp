#include "LayoutKvq3B.h"

#include <array>
#include <charconv>

namespace kvq {

namespace {

// Source field of each record position; -1 stands for the carried value.
constexpr std::array<int, 20> kPositions = {0,  1,  5,  2,  3,  6,  7,  8,  9,  10,
                                            11, 14, 12, 13, 15, -1, 17, 18, 19, 20};

}  // namespace

void BuildType1Record(const FieldList& fields, std::int32_t carried, std::string& record) {
    record.clear();
    for (std::size_t i = 0; i < kPositions.size(); ++i) {
        if (i != 0) {
            record.push_back(' ');
        }
        if (kPositions[i] < 0) {
            std::array<char, 16> text{};
            const auto end = std::to_chars(text.data(), text.data() + text.size(), carried).ptr;
            record.append(text.data(), end);
        } else {
            record.append(fields[static_cast<std::size_t>(kPositions[i])]);
        }
    }
}

}  // namespace kvq
