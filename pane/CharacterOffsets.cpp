#include "CharacterOffsets.h"

#include <algorithm>

namespace kvq {

void CharacterOffsets::ExtendTo(std::size_t line) {
    while (starts_.size() <= line) {
        const std::size_t known = starts_.size() - 1;
        starts_.push_back(starts_.back() + length_(known) + 1);
    }
}

qint64 CharacterOffsets::LineStart(std::size_t line, std::size_t lineCount) {
    line = std::min(line, lineCount);
    ExtendTo(line);
    return starts_[line];
}

std::size_t CharacterOffsets::LineAt(qint64 offset, std::size_t lineCount) {
    if (lineCount == 0 || offset <= 0) {
        return 0;
    }
    while (starts_.back() <= offset && starts_.size() <= lineCount) {
        ExtendTo(starts_.size());
    }
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
    const auto line = static_cast<std::size_t>(after - starts_.begin()) - 1;
    return std::min(line, lineCount - 1);
}

qint64 CharacterOffsets::CharacterCount(std::size_t lineCount) {
    // No line feed after the last line.
    return lineCount == 0 ? 0 : LineStart(lineCount, lineCount) - 1;
}

}  // namespace kvq
