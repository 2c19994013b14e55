#pragma once

#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>

#include "CharacterOffsets.h"
#include "PaneLineStore.h"
#include "PaneRow.h"

namespace kvq {

// A place in the pane's text: a stored line and a UTF-16 column of its decoded text.
struct TextPosition {
    std::size_t line = 0;
    int column = 0;
    auto operator<=>(const TextPosition&) const = default;
};

// The pane's text, without a widget: the stored lines, each shown as its GBK decoded, laid
// out in rows of one font. Only the rows asked for are decoded and laid out, and they are
// kept while they are near what is shown. Points are in the text's own coordinates: x from
// the start of a row, y from the top of the first line.
class PaneText {
public:
    explicit PaneText(const QFont& font);
    PaneText(const PaneText&) = delete;
    PaneText& operator=(const PaneText&) = delete;

    void Append(std::span<const std::string> lines);
    // Empties the text and hands its lines over, to be given back to the system as it suits.
    PaneLineStore TakeLines();
    // Rows in another font: all are laid out again.
    void SetFont(const QFont& font);

    const PaneLineStore& Lines() const { return store_; }
    std::size_t LineCount() const { return store_.Count(); }
    bool Empty() const { return store_.Empty(); }
    // Line i as shown.
    QString LineText(std::size_t i) const;
    // In UTF-16 characters.
    int LineLength(std::size_t line) const;
    // After the last character.
    TextPosition End() const;

    int RowHeight() const { return style_->rowHeight; }
    PaneRow& Row(std::size_t line) const;
    // Drops the laid-out rows far from [first, last], the rows shown.
    void DropRowsOutside(std::size_t first, std::size_t last) const;
    // The boundary between characters nearest to the point, on the line under it (the first
    // or last line beyond the ends).
    TextPosition PositionAt(QPointF point) const;
    // The column of the character under the point, on the line PositionAt finds.
    int CharacterAt(QPointF point) const;
    // Where a position is drawn: as wide as the character after it (1 at the line end).
    QRectF CharacterRect(TextPosition position) const;

    // The whole text as the lines joined by line feeds, in UTF-16 characters: what the
    // accessible text counts in. Offsets beyond an int are cut to its range.
    int CharacterCount() const;
    int OffsetOf(TextPosition position) const;
    TextPosition PositionOf(int offset) const;

private:
    PaneLineStore store_;
    std::unique_ptr<RowStyle> style_;
    // Laid-out rows, kept for what is on screen.
    mutable std::unordered_map<std::size_t, std::unique_ptr<PaneRow>> rows_;
    mutable CharacterOffsets offsets_;
    // The end of the text, kept for the last line it was worked out for.
    mutable std::size_t endLine_ = SIZE_MAX;
    mutable int endColumn_ = 0;
};

}  // namespace kvq
