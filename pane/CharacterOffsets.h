#pragma once

#include <QtGlobal>
#include <cstddef>
#include <functional>
#include <vector>

namespace kvq {

// Where each line of the pane starts in its whole text (the lines joined by line feeds),
// counted in UTF-16 characters. Worked out lazily, as far as asked, and kept: a screen reader
// asking for a piece of the text does not cost the whole text.
class CharacterOffsets {
public:
    using LineLength = std::function<qsizetype(std::size_t line)>;
    explicit CharacterOffsets(LineLength length) : length_(std::move(length)) {}

    // Forget everything: the lines were cleared (appended lines need no reset).
    void Reset() { starts_.assign(1, 0); }
    qint64 LineStart(std::size_t line, std::size_t lineCount);
    // The line holding the character at offset (the line feed after a line belongs to it).
    std::size_t LineAt(qint64 offset, std::size_t lineCount);
    qint64 CharacterCount(std::size_t lineCount);

private:
    void ExtendTo(std::size_t line);

    LineLength length_;
    std::vector<qint64> starts_{0};
};

}  // namespace kvq
