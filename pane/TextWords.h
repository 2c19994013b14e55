#pragma once

#include <QStringView>

namespace kvq {

// A run of columns of a shown line, [from, to).
struct ColumnRun {
    int from = 0;
    int to = 0;
    bool operator==(const ColumnRun&) const = default;
};

// The pane's one word rule, for double click, Ctrl+Left/Right and screen readers alike: a word
// is a field of these lines, a run of characters between the separators the save splits
// fields at (blank, comma, tab), or a run of Chinese characters; a run of separators counts
// as a word of its own. "12.5,3.2" is two values, so two words.

// The word (or run of separators) the character at `column` is in: what a double click on
// it selects.
ColumnRun WordAround(QStringView text, int column);
// Where Ctrl+Right takes the caret from `column`: past the rest of its word and the
// separators after it (the end of the text at most).
int NextWordStart(QStringView text, int column);
// Where Ctrl+Left takes it: back over the separators before it, to the start of the word
// before them (0 at least).
int PreviousWordStart(QStringView text, int column);

}  // namespace kvq
