// Selection, copy, keyboard and mouse of the text pane: what users expect of a log pane.

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextLayout>

#include "Memo.h"

namespace kvq {

int Memo::LineLength(std::size_t line) const {
    const auto found = layouts_.find(line);
    return found != layouts_.end() ? found->second->text().size() : LineText(line).size();
}

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
    const QTextLine text = Layout(line).lineAt(0);
    const int column = text.isValid() ? text.xToCursor(point.x() - TextLeft()) : 0;
    return {line, column};
}

QRect Memo::CharacterRect(TextPosition position) const {
    if (position.line >= store_.Count()) {
        return {};
    }
    const QTextLine text = Layout(position.line).lineAt(0);
    const qreal x = text.isValid() ? text.cursorToX(position.column) : 0;
    const qreal next = text.isValid() ? text.cursorToX(position.column + 1) : x;
    const auto row = static_cast<qint64>(position.line) - static_cast<qint64>(FirstVisibleRow());
    const int top = kMargin + static_cast<int>(row) * rowHeight_;
    return QRect(TextLeft() + qFloor(x), top, std::max(1, qCeil(next - x)), rowHeight_);
}

void Memo::Select(TextPosition anchor, TextPosition cursor) {
    anchor_ = anchor;
    cursor_ = cursor;
    viewport()->update();
    emit selectionChanged();
}

void Memo::SelectAll() {
    if (store_.Empty()) {
        return;
    }
    const std::size_t last = store_.Count() - 1;
    Select({0, 0}, {last, LineLength(last)});
}

QString Memo::SelectedText() const {
    if (!HasSelection()) {
        return {};
    }
    const TextPosition start = SelectionStart();
    const TextPosition end = SelectionEnd();
    QString text;
    for (std::size_t line = start.line; line <= end.line; ++line) {
        const QString shown = LineText(line);
        const int from = line == start.line ? start.column : 0;
        const int to = line == end.line ? end.column : shown.size();
        text += QStringView(shown).mid(from, to - from);
        if (line != end.line) {
            text += u'\n';
        }
    }
    return text;
}

void Memo::Copy() const {
    if (HasSelection()) {
        QApplication::clipboard()->setText(SelectedText());
    }
}

void Memo::keyPressEvent(QKeyEvent* event) {
    QScrollBar* vertical = verticalScrollBar();
    QScrollBar* horizontal = horizontalScrollBar();
    const bool control = event->modifiers().testFlag(Qt::ControlModifier);
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
    } else if (event->matches(QKeySequence::Copy)) {
        Copy();
    } else if (event->matches(QKeySequence::MoveToStartOfDocument)) {
        vertical->triggerAction(QAbstractSlider::SliderToMinimum);
    } else if (event->matches(QKeySequence::MoveToEndOfDocument)) {
        vertical->triggerAction(QAbstractSlider::SliderToMaximum);
    } else if (event->matches(QKeySequence::MoveToPreviousPage)) {
        vertical->triggerAction(QAbstractSlider::SliderPageStepSub);
    } else if (event->matches(QKeySequence::MoveToNextPage)) {
        vertical->triggerAction(QAbstractSlider::SliderPageStepAdd);
    } else if (event->key() == Qt::Key_Up && !control) {
        vertical->triggerAction(QAbstractSlider::SliderSingleStepSub);
    } else if (event->key() == Qt::Key_Down && !control) {
        vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    } else if (event->key() == Qt::Key_Left) {
        horizontal->triggerAction(QAbstractSlider::SliderSingleStepSub);
    } else if (event->key() == Qt::Key_Right) {
        horizontal->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    } else if (event->key() == Qt::Key_Home) {
        horizontal->triggerAction(QAbstractSlider::SliderToMinimum);
    } else if (event->key() == Qt::Key_End) {
        horizontal->triggerAction(QAbstractSlider::SliderToMaximum);
    } else {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void Memo::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || store_.Empty()) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const TextPosition at = PositionAt(event->position().toPoint());
    selectingLines_ = false;
    dragging_ = true;
    if (event->modifiers().testFlag(Qt::ShiftModifier)) {
        Select(anchor_, at);
    } else {
        Select(at, at);
    }
}

void Memo::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && event->buttons().testFlag(Qt::LeftButton)) {
        ExtendSelectionTo(event->position().toPoint());
    }
}

void Memo::ExtendSelectionTo(QPoint point) {
    // Dragging past the top or bottom edge scrolls, a row at a time.
    if (point.y() < 0) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    } else if (point.y() > viewport()->height()) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    }
    TextPosition at = PositionAt(point);
    if (selectingLines_) {
        // Whole lines, from the line first double-clicked to the one under the mouse.
        const bool down = at.line >= anchor_.line;
        const std::size_t anchorLine = anchor_.line;
        Select(
            down ? TextPosition{anchorLine, 0} : TextPosition{anchorLine, LineLength(anchorLine)},
            down ? TextPosition{at.line, LineLength(at.line)} : TextPosition{at.line, 0});
        return;
    }
    Select(anchor_, at);
}

void Memo::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && dragging_) {
        dragging_ = false;
        QClipboard* clipboard = QApplication::clipboard();
        if (HasSelection() && clipboard->supportsSelection()) {
            clipboard->setText(SelectedText(), QClipboard::Selection);
        }
    }
}

void Memo::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || store_.Empty()) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    // A double click takes the whole line; dragging on takes whole lines.
    const TextPosition at = PositionAt(event->position().toPoint());
    selectingLines_ = true;
    dragging_ = true;
    Select({at.line, 0}, {at.line, LineLength(at.line)});
}

}  // namespace kvq
