// The mouse in the text pane: click, Shift+click, double click for a word, triple click for a
// line, dragging (by characters, words or lines) and scrolling while dragging beyond an edge.

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>

#include "Memo.h"

namespace kvq {

namespace {

// How far beyond an edge the pointer is: negative before the start, positive past the end,
// 0 inside.
int Beyond(int at, int size) {
    return at < 0 ? at : at >= size ? at - size + 1 : 0;
}

}  // namespace

TextPosition Memo::PositionAt(QPoint point) const {
    if (store_.Empty()) {
        return {};
    }
    const int row = (point.y() - kMargin) / rowHeight_ - (point.y() < kMargin ? 1 : 0);
    const std::size_t first = FirstVisibleRow();
    std::size_t line = 0;
    if (row >= 0) {
        line = std::min(store_.Count() - 1, first + static_cast<std::size_t>(row));
    } else {
        line = first > static_cast<std::size_t>(-row) ? first + row : 0;
    }
    return {line, Row(line).ColumnAt(point.x() - TextLeft())};
}

int Memo::CharacterColumnAt(QPoint point) const {
    const TextPosition at = PositionAt(point);
    return store_.Empty() ? 0 : Row(at.line).CharacterAt(point.x() - TextLeft());
}

QRect Memo::CharacterRect(TextPosition position) const {
    if (position.line >= store_.Count()) {
        return {};
    }
    const PaneRow& row = Row(position.line);
    const qreal x = row.XOf(position.column);
    const qreal next = position.column < row.Length() ? row.XOf(position.column + 1) : x;
    const auto line = static_cast<qint64>(position.line) - static_cast<qint64>(FirstVisibleRow());
    const int top = kMargin + static_cast<int>(line) * rowHeight_;
    return QRect(TextLeft() + qFloor(x), top, std::max(1, qCeil(next - x)), rowHeight_);
}

void Memo::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || store_.Empty()) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    const bool tripleClick =
        sinceDoubleClick_.isValid() &&
        sinceDoubleClick_.elapsed() < QApplication::doubleClickInterval() &&
        (point - doubleClickAt_).manhattanLength() < QApplication::startDragDistance();
    sinceDoubleClick_.invalidate();
    dragging_ = true;
    lastMouse_ = point;
    const TextPosition at = PositionAt(point);
    if (tripleClick) {
        unit_ = Unit::Line;
        const ColumnRun line{0, Row(at.line).Length()};
        unitStart_ = {at.line, line.from};
        unitEnd_ = at.line + 1 < store_.Count() ? TextPosition{at.line + 1, 0}
                                                : TextPosition{at.line, line.to};
        Select(unitStart_, unitEnd_);
        return;
    }
    unit_ = Unit::Character;
    // Shift+click extends from the caret, as in an edit control.
    Select(event->modifiers().testFlag(Qt::ShiftModifier) ? anchor_ : at, at);
}

void Memo::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || store_.Empty()) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    const TextPosition at = PositionAt(point);
    const ColumnRun word = WordAround(Row(at.line).Text(), CharacterColumnAt(point));
    unit_ = Unit::Word;
    unitStart_ = {at.line, word.from};
    unitEnd_ = {at.line, word.to};
    dragging_ = true;
    lastMouse_ = point;
    sinceDoubleClick_.start();
    doubleClickAt_ = point;
    Select(unitStart_, unitEnd_);
}

void Memo::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !event->buttons().testFlag(Qt::LeftButton)) {
        return;
    }
    lastMouse_ = event->position().toPoint();
    ExtendSelectionTo(lastMouse_);
    if (viewport()->rect().contains(lastMouse_)) {
        autoScroll_.stop();
    } else if (!autoScroll_.isActive()) {
        autoScroll_.start();
    }
}

void Memo::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && dragging_) {
        dragging_ = false;
        autoScroll_.stop();
        OfferSelection();
        // The view held still under the mouse; a view that was at the bottom follows again.
        FollowIfFollowing();
    }
}

void Memo::ExtendSelectionTo(QPoint point) {
    const TextPosition at = PositionAt(point);
    if (unit_ == Unit::Character) {
        Select(anchor_, at);
    } else {
        SelectUnitsTo(at, CharacterColumnAt(point));
    }
}

ColumnRun Memo::UnitAround(TextPosition at, int characterColumn) const {
    if (unit_ == Unit::Word) {
        return WordAround(Row(at.line).Text(), characterColumn);
    }
    return {0, Row(at.line).Length()};
}

void Memo::SelectUnitsTo(TextPosition at, int characterColumn) {
    // The word or line first clicked stays selected; the selection grows by whole units
    // from it towards the pointer.
    const ColumnRun run = UnitAround(at, characterColumn);
    TextPosition runStart{at.line, run.from};
    TextPosition runEnd{at.line, run.to};
    if (unit_ == Unit::Line && at.line + 1 < store_.Count()) {
        runEnd = {at.line + 1, 0};
    }
    if (runEnd > unitEnd_) {
        Select(unitStart_, runEnd);
    } else if (runStart < unitStart_) {
        Select(unitEnd_, runStart);
    } else {
        Select(unitStart_, unitEnd_);
    }
}

void Memo::AutoScroll() {
    if (!dragging_) {
        autoScroll_.stop();
        return;
    }
    // The farther beyond the edge, the faster: a row more a step for each row's height, and
    // sideways a character's width more for each character's width.
    const int down = Beyond(lastMouse_.y(), viewport()->height());
    const int right = Beyond(lastMouse_.x(), viewport()->width());
    if (down != 0) {
        const int rows = 1 + std::abs(down) / rowHeight_;
        QScrollBar* bar = verticalScrollBar();
        bar->setValue(bar->value() + (down < 0 ? -rows : rows));
    }
    if (right != 0) {
        const int character = std::max(1, fontMetrics().averageCharWidth());
        const int pixels = character * (1 + std::abs(right) / character);
        QScrollBar* bar = horizontalScrollBar();
        bar->setValue(bar->value() + (right < 0 ? -pixels : pixels));
    }
    ExtendSelectionTo(lastMouse_);
}

}  // namespace kvq
