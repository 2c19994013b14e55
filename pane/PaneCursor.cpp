#include "PaneCursor.h"

#include <algorithm>
#include <cstddef>

#include "TextWords.h"

namespace kvq {

namespace {

// Forward from a line's end the caret goes on at the next line's start, back from a line's
// start at the previous line's end; at the ends of the text it stays.
TextPosition OverLineEnd(const PaneText& text, TextPosition from, int step) {
    if (step > 0) {
        return from.line + 1 < text.LineCount() ? TextPosition{from.line + 1, 0} : from;
    }
    return from.line > 0 ? TextPosition{from.line - 1, text.LineLength(from.line - 1)} : from;
}

TextPosition CharacterMove(const PaneText& text, TextPosition from, int step) {
    if (step > 0 && from.column < text.LineLength(from.line)) {
        return {from.line, from.column + 1};
    }
    if (step < 0 && from.column > 0) {
        return {from.line, from.column - 1};
    }
    return OverLineEnd(text, from, step);
}

TextPosition WordMove(const PaneText& text, TextPosition from, int step) {
    const QString& line = text.Row(from.line).Text();
    if (step > 0 && from.column < line.size()) {
        return {from.line, NextWordStart(line, from.column)};
    }
    if (step < 0 && from.column > 0) {
        return {from.line, PreviousWordStart(line, from.column)};
    }
    return OverLineEnd(text, from, step);
}

TextPosition LineMove(const PaneText& text, qreal aimX, TextPosition from, std::ptrdiff_t lines) {
    const auto last = static_cast<std::ptrdiff_t>(text.LineCount()) - 1;
    const std::ptrdiff_t target =
        std::clamp(static_cast<std::ptrdiff_t>(from.line) + lines, std::ptrdiff_t{0}, last);
    if (target == static_cast<std::ptrdiff_t>(from.line)) {
        return from;
    }
    const auto line = static_cast<std::size_t>(target);
    return {line, text.Row(line).ColumnAt(aimX)};
}

}  // namespace

TextPosition MoveFrom(const PaneText& text, const CursorGeometry& geometry, TextPosition from,
                      Move move) {
    if (text.Empty()) {
        return {};
    }
    switch (move) {
        case Move::NextChar:
            return CharacterMove(text, from, 1);
        case Move::PreviousChar:
            return CharacterMove(text, from, -1);
        case Move::NextWord:
            return WordMove(text, from, 1);
        case Move::PreviousWord:
            return WordMove(text, from, -1);
        case Move::NextLine:
            return LineMove(text, geometry.aimX, from, 1);
        case Move::PreviousLine:
            return LineMove(text, geometry.aimX, from, -1);
        case Move::LineStart:
            return {from.line, 0};
        case Move::LineEnd:
            return {from.line, text.LineLength(from.line)};
        case Move::NextPage:
            return LineMove(text, geometry.aimX, from, geometry.pageRows);
        case Move::PreviousPage:
            return LineMove(text, geometry.aimX, from, -geometry.pageRows);
        case Move::Start:
            return {0, 0};
        case Move::End:
            return text.End();
    }
    return from;
}

}  // namespace kvq
