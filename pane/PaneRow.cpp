#include "PaneRow.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QPalette>
#include <algorithm>

namespace kvq {

namespace {

// Characters a piece of a long row holds: a screen of the narrowest glyphs and more.
constexpr int kPieceLength = 256;
// Tab stops every eight average characters of the font.
constexpr int kTabColumns = 8;
// No wrapping: a row is as wide as its text.
constexpr qreal kUnbounded = 1e7;
// Where raw bytes are, the layout holds a no-break space widened to the code's width: it
// keeps the columns of the text and draws nothing itself.
constexpr QChar kPlaceholder(0x00A0);
// A sample that brings in the fallback font of Chinese text, which is often taller.
const QString kRowSample = QStringLiteral("Ag测试|");
// Around the digits of a code: a pixel of frame and a pixel of room on each side, and a
// pixel between codes.
constexpr qreal kCodeFrame = 5;
constexpr QStringView kHexDigits = u"0123456789ABCDEF";

int RowHeightOf(const QFont& font) {
    QTextLayout sample(kRowSample, font);
    sample.beginLayout();
    QTextLine row = sample.createLine();
    row.setLineWidth(kUnbounded);
    sample.endLayout();
    return std::max({1, QFontMetrics(font).lineSpacing(), qCeil(row.height())});
}

QString HexCode(const RawBytes& raw) {
    return QStringLiteral("%1").arg(raw.value, raw.count * 2, 16, QChar(u'0')).toUpper();
}

bool AtClusterInside(const QString& text, int at) {
    return at < text.size() && (text[at].isLowSurrogate() || text[at].isMark());
}

}  // namespace

RowStyle::RowStyle(const QFont& rowFont) : font(rowFont), codeFont(rowFont) {
    codeFont.setPixelSize(std::max(6, QFontInfo(rowFont).pixelSize() * 3 / 4));
    const QFontMetricsF metrics(font);
    tabStop = QFontMetrics(font).averageCharWidth() * kTabColumns;
    lineEndWidth = metrics.horizontalAdvance(u' ');
    placeholderAdvance = metrics.horizontalAdvance(kPlaceholder);
    const QFontMetricsF code(codeFont);
    for (const QChar digit : kHexDigits) {
        codeDigitWidth = std::max(codeDigitWidth, code.horizontalAdvance(digit));
    }
    rowHeight = RowHeightOf(font);
}

qreal RowStyle::CodeWidth(int digits) const {
    return std::ceil(digits * codeDigitWidth + kCodeFrame);
}

PaneRow::PaneRow(std::string_view bytes, const RowStyle& style) : style_(style) {
    ShownLine shown = GbkShownLine(bytes);
    text_ = std::move(shown.text);
    raw_ = std::move(shown.raw);
    for (int from = 0; from < Length() || pieces_.empty();) {
        int to = std::min(Length(), from + kPieceLength);
        while (AtClusterInside(text_, to)) {
            ++to;
        }
        pieces_.push_back({from, to - from, 0, 0, nullptr});
        from = to;
    }
}

PaneRow::~PaneRow() = default;

void PaneRow::LayOutNext() const {
    Piece& piece = pieces_[laidOut_];
    piece.x = laidOut_ == 0 ? 0 : pieces_[laidOut_ - 1].x + pieces_[laidOut_ - 1].width;
    QString text = text_.mid(piece.from, piece.length);
    QList<QTextLayout::FormatRange> widened;
    const auto first =
        std::lower_bound(raw_.begin(), raw_.end(), piece.from,
                         [](const RawBytes& r, int column) { return r.column < column; });
    for (auto raw = first; raw != raw_.end() && raw->column < piece.from + piece.length; ++raw) {
        text[raw->column - piece.from] = kPlaceholder;
        QTextCharFormat format;
        format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
        format.setFontLetterSpacing(style_.CodeWidth(raw->count * 2) - style_.placeholderAdvance);
        widened.append({raw->column - piece.from, 1, format});
    }
    piece.layout = std::make_unique<QTextLayout>(text, style_.font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(style_.tabStop);
    piece.layout->setTextOption(option);
    piece.layout->setFormats(widened);
    piece.layout->setCacheEnabled(true);
    piece.layout->beginLayout();
    QTextLine line = piece.layout->createLine();
    // Placed where the text before it ends, so that tab stops count from the row's start.
    line.setPosition(QPointF(piece.x, 0));
    line.setLineWidth(kUnbounded);
    piece.layout->endLayout();
    piece.width = line.cursorToX(piece.length) - piece.x;
    ++laidOut_;
}

qreal PaneRow::Width() const {
    while (!LaidOut()) {
        LayOutNext();
    }
    return LaidOutWidth();
}

qreal PaneRow::LaidOutWidth() const {
    return laidOut_ == 0 ? 0 : pieces_[laidOut_ - 1].x + pieces_[laidOut_ - 1].width;
}

const PaneRow::Piece& PaneRow::PieceOfColumn(int column) const {
    while (!LaidOut() &&
           (laidOut_ == 0 || pieces_[laidOut_ - 1].from + pieces_[laidOut_ - 1].length <= column)) {
        LayOutNext();
    }
    const auto after = std::upper_bound(pieces_.begin(), pieces_.begin() + laidOut_, column,
                                        [](int c, const Piece& p) { return c < p.from; });
    return after == pieces_.begin() ? pieces_.front() : *(after - 1);
}

const PaneRow::Piece& PaneRow::PieceAtX(qreal x) const {
    while (!LaidOut() && (laidOut_ == 0 || LaidOutWidth() <= x)) {
        LayOutNext();
    }
    const auto after = std::upper_bound(pieces_.begin(), pieces_.begin() + laidOut_, x,
                                        [](qreal at, const Piece& p) { return at < p.x; });
    return after == pieces_.begin() ? pieces_.front() : *(after - 1);
}

qreal PaneRow::XOf(int column) const {
    column = std::clamp(column, 0, Length());
    const Piece& piece = PieceOfColumn(column);
    return piece.layout->lineAt(0).cursorToX(column - piece.from);
}

int PaneRow::ColumnAt(qreal x) const {
    const Piece& piece = PieceAtX(x);
    return piece.from + piece.layout->lineAt(0).xToCursor(x);
}

int PaneRow::CharacterAt(qreal x) const {
    const Piece& piece = PieceAtX(x);
    const int column =
        piece.from + piece.layout->lineAt(0).xToCursor(x, QTextLine::CursorOnCharacter);
    return std::clamp(column, 0, std::max(0, Length() - 1));
}

void PaneRow::Draw(const RowPaint& paint) const {
    for (const Piece* piece = &PieceAtX(paint.left);; ++piece) {
        DrawPiece(*piece, paint);
        const auto next = static_cast<std::size_t>(piece - pieces_.data()) + 1;
        if (next == pieces_.size() || piece->x + piece->width > paint.right) {
            break;
        }
        if (next == laidOut_) {
            LayOutNext();
        }
    }
    // A selection that goes on past this row shows its line end as a blank's width.
    if (paint.lineEndSelected && LaidOut()) {
        paint.painter->fillRect(QRectF(paint.origin.x() + LaidOutWidth(), paint.origin.y(),
                                       style_.lineEndWidth, style_.rowHeight),
                                paint.palette->brush(QPalette::Highlight));
    }
}

void PaneRow::DrawPiece(const Piece& piece, const RowPaint& paint) const {
    const QTextLine line = piece.layout->lineAt(0);
    const int from = piece.from + std::max(0, line.xToCursor(paint.left) - 1);
    const int to = piece.from + std::min(piece.length, line.xToCursor(paint.right) + 1);
    const int selectedFrom = std::clamp(paint.selectedFrom, from, to);
    const int selectedTo = std::clamp(paint.selectedTo, from, to);
    QPainter& painter = *paint.painter;
    if (selectedFrom < selectedTo) {
        const qreal left = line.cursorToX(selectedFrom - piece.from);
        const qreal right = line.cursorToX(selectedTo - piece.from);
        painter.fillRect(
            QRectF(paint.origin.x() + left, paint.origin.y(), right - left, style_.rowHeight),
            paint.palette->brush(QPalette::Highlight));
    }
    painter.setPen(paint.palette->color(QPalette::Text));
    DrawGlyphs(piece, paint, from, selectedFrom);
    DrawGlyphs(piece, paint, selectedTo, to);
    painter.setPen(paint.palette->color(QPalette::HighlightedText));
    DrawGlyphs(piece, paint, selectedFrom, selectedTo);
    DrawRawBytes(paint, from, to);
}

void PaneRow::DrawGlyphs(const Piece& piece, const RowPaint& paint, int from, int to) const {
    if (from >= to) {
        return;
    }
    const QTextLine line = piece.layout->lineAt(0);
    for (const QGlyphRun& run : line.glyphRuns(from - piece.from, to - from)) {
        paint.painter->drawGlyphRun(paint.origin, run);
    }
}

void PaneRow::DrawRawBytes(const RowPaint& paint, int from, int to) const {
    QPainter& painter = *paint.painter;
    const QFontMetricsF metrics(style_.codeFont);
    const qreal height = std::min<qreal>(style_.rowHeight - 2, metrics.height() + 1);
    const qreal top = paint.origin.y() + (style_.rowHeight - height) / 2;
    painter.setFont(style_.codeFont);
    const auto first =
        std::lower_bound(raw_.begin(), raw_.end(), from,
                         [](const RawBytes& r, int column) { return r.column < column; });
    for (auto raw = first; raw != raw_.end() && raw->column < to; ++raw) {
        const bool selected = paint.selectedFrom <= raw->column && raw->column < paint.selectedTo;
        painter.setPen(paint.palette->color(selected ? QPalette::HighlightedText : QPalette::Text));
        const qreal left = XOf(raw->column);
        const QRectF box(paint.origin.x() + left + 1.5, top + 0.5, XOf(raw->column + 1) - left - 3,
                         height - 1);
        painter.drawRect(box);
        painter.drawText(box, Qt::AlignCenter, HexCode(*raw));
    }
}

}  // namespace kvq
