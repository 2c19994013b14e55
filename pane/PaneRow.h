#pragma once

#include <QFont>
#include <QString>
#include <QTextLayout>
#include <memory>
#include <string_view>
#include <vector>

#include "GbkText.h"

class QPainter;
class QPalette;

namespace kvq {

// What every row of the pane is drawn with; made again when the pane's font changes.
struct RowStyle {
    explicit RowStyle(const QFont& font);
    // The width of the framed code of raw bytes with this many hexadecimal digits.
    qreal CodeWidth(int digits) const;

    QFont font;
    QFont codeFont;
    qreal tabStop = 0;
    // The block that shows a selected line end, as wide as a blank.
    qreal lineEndWidth = 0;
    // The character that stands in the layout where raw bytes are drawn, and its advance.
    qreal placeholderAdvance = 0;
    qreal codeDigitWidth = 0;
    int rowHeight = 1;
};

// What one paint of a row needs to know, in the row's coordinates (x from the start of the
// text, y from the top of the row).
struct RowPaint {
    QPainter* painter = nullptr;
    const QPalette* palette = nullptr;
    QPointF origin;  // where the row's (0, 0) is drawn
    qreal left = 0;  // the part of the row on screen
    qreal right = 0;
    int selectedFrom = 0;  // selected columns; from == to: none
    int selectedTo = 0;
    bool lineEndSelected = false;
};

// One stored line as the pane shows it: decoded from GBK in one row, with raw bytes (control
// bytes, bytes that are not GBK) drawn as small framed hexadecimal codes so that each can be
// told from the others with any font. A long line is laid out in pieces, left to right and
// only as far as it is looked at: the first screen of a 64 KiB row costs no more than a
// short row.
class PaneRow {
public:
    PaneRow(std::string_view bytes, const RowStyle& style);
    ~PaneRow();
    PaneRow(const PaneRow&) = delete;
    PaneRow& operator=(const PaneRow&) = delete;

    const QString& Text() const { return text_; }
    int Length() const { return static_cast<int>(text_.size()); }
    // The whole row's width (lays out all of it).
    qreal Width() const;
    // The width of the pieces laid out so far, and whether that is the whole row.
    qreal LaidOutWidth() const;
    bool LaidOut() const { return laidOut_ == pieces_.size(); }
    // Where a caret before this column stands.
    qreal XOf(int column) const;
    // The column boundary nearest to x.
    int ColumnAt(qreal x) const;
    // The column of the character under x (the last one beyond the end).
    int CharacterAt(qreal x) const;
    void Draw(const RowPaint& paint) const;

private:
    struct Piece {
        int from = 0;
        int length = 0;
        qreal x = 0;
        qreal width = 0;
        std::unique_ptr<QTextLayout> layout;
    };

    void LayOutNext() const;
    // The piece holding the column (the last piece for the end), laid out.
    const Piece& PieceOfColumn(int column) const;
    // The piece under x (the first or last beyond the ends), laid out.
    const Piece& PieceAtX(qreal x) const;
    void DrawPiece(const Piece& piece, const RowPaint& paint) const;
    void DrawGlyphs(const Piece& piece, const RowPaint& paint, int from, int to) const;
    void DrawRawBytes(const RowPaint& paint, int from, int to) const;

    const RowStyle& style_;
    QString text_;
    std::vector<RawBytes> raw_;
    mutable std::vector<Piece> pieces_;
    mutable std::size_t laidOut_ = 0;
};

}  // namespace kvq
