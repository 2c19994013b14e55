#pragma once

#include <QtGlobal>

#include "PaneText.h"

namespace kvq {

// The moves of the caret, as the keys of an edit control make them.
enum class Move {
    NextChar,
    PreviousChar,
    NextWord,
    PreviousWord,
    NextLine,
    PreviousLine,
    LineStart,
    LineEnd,
    NextPage,
    PreviousPage,
    Start,
    End
};

// What a move needs to know of the view.
struct CursorGeometry {
    // Lines a page move goes.
    int pageRows = 1;
    // The x in a row that a move up or down aims at.
    qreal aimX = 0;
};

// Where a move takes the caret from `from`. A line or page move keeps to aimX and stops at
// the first or last line; a character or word move goes over line ends; words are the word
// rule's (TextWords.h).
TextPosition MoveFrom(const PaneText& text, const CursorGeometry& geometry, TextPosition from,
                      Move move);

}  // namespace kvq
