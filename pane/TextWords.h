#pragma once

#include <QStringView>

namespace kvq {

// A run of columns of a shown line, [from, to).
struct ColumnRun {
    int from = 0;
    int to = 0;
    bool operator==(const ColumnRun&) const = default;
};

// The word a double click on the character at `column` selects, as a read-only edit control
// does with these lines: a run of characters between the separators of the fields (blank,
// comma, tab), a run of Chinese characters, or a run of separators.
ColumnRun WordAround(QStringView text, int column);

}  // namespace kvq
