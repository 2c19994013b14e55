// The caret of the text pane and the keys: arrows, Home/End, Page Up/Down, Ctrl+Home/End move
// it and the view follows; with Shift they select. Ctrl+A, Ctrl+C, the Menu key and
// Shift+F10 as in an edit control.

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <array>

#include "Memo.h"

namespace kvq {

namespace {

enum class Move {
    NextChar,
    PreviousChar,
    NextLine,
    PreviousLine,
    LineStart,
    LineEnd,
    NextPage,
    PreviousPage,
    Start,
    End
};

struct KeyMove {
    QKeySequence::StandardKey move;
    QKeySequence::StandardKey select;
    Move what;
};

constexpr std::array<KeyMove, 10> kKeyMoves = {{
    {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, Move::NextChar},
    {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, Move::PreviousChar},
    {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, Move::NextLine},
    {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, Move::PreviousLine},
    {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, Move::LineStart},
    {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, Move::LineEnd},
    {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, Move::NextPage},
    {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, Move::PreviousPage},
    {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, Move::Start},
    {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, Move::End},
}};

bool IsContextMenuKey(const QKeyEvent* event) {
    return event->key() == Qt::Key_Menu ||
           (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
}

}  // namespace

void Memo::keyPressEvent(QKeyEvent* event) {
    const bool control = event->modifiers() == Qt::ControlModifier;
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
    } else if (event->matches(QKeySequence::Copy)) {
        Copy();
    } else if (IsContextMenuKey(event)) {
        // Where the system makes no context menu event of these keys itself.
        if (menu_ == nullptr || !menu_->isVisible()) {
            QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(), QPoint());
            contextMenuEvent(&menu);
        }
    } else if (control && event->key() == Qt::Key_Up) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    } else if (control && event->key() == Qt::Key_Down) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    } else if (!MoveCaretByKey(event)) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

bool Memo::MoveCaretByKey(QKeyEvent* event) {
    for (const KeyMove& key : kKeyMoves) {
        const bool extend = event->matches(key.select);
        if (!extend && !event->matches(key.move)) {
            continue;
        }
        if (store_.Empty()) {
            return true;
        }
        const bool vertical = key.what == Move::NextLine || key.what == Move::PreviousLine ||
                              key.what == Move::NextPage || key.what == Move::PreviousPage;
        const qreal aim = caretAimX_ >= 0 ? caretAimX_ : Row(cursor_.line).XOf(cursor_.column);
        MoveCaret(KeyTarget(static_cast<int>(key.what), extend), extend);
        if (vertical) {
            caretAimX_ = aim;
        }
        return true;
    }
    return false;
}

TextPosition Memo::KeyTarget(int move, bool extend) {
    const std::ptrdiff_t page = WholeRows();
    switch (static_cast<Move>(move)) {
        case Move::NextChar:
            // Without Shift an arrow first drops the selection at its side, as in an edit
            // control.
            return !extend && HasSelection() ? SelectionEnd() : CharacterMove(cursor_, 1);
        case Move::PreviousChar:
            return !extend && HasSelection() ? SelectionStart() : CharacterMove(cursor_, -1);
        case Move::NextLine:
            return LineMove(cursor_, 1);
        case Move::PreviousLine:
            return LineMove(cursor_, -1);
        case Move::LineStart:
            return {cursor_.line, 0};
        case Move::LineEnd:
            return {cursor_.line, LineLength(cursor_.line)};
        case Move::NextPage:
        case Move::PreviousPage: {
            const std::ptrdiff_t rows = static_cast<Move>(move) == Move::NextPage ? page : -page;
            // The page turns with the caret.
            verticalScrollBar()->setValue(verticalScrollBar()->value() + static_cast<int>(rows));
            return LineMove(cursor_, rows);
        }
        case Move::Start:
            return {0, 0};
        case Move::End:
            return End();
    }
    return cursor_;
}

TextPosition Memo::CharacterMove(TextPosition from, int step) const {
    if (step > 0) {
        if (from.column < LineLength(from.line)) {
            return {from.line, from.column + 1};
        }
        return from.line + 1 < store_.Count() ? TextPosition{from.line + 1, 0} : from;
    }
    if (from.column > 0) {
        return {from.line, from.column - 1};
    }
    return from.line > 0 ? TextPosition{from.line - 1, LineLength(from.line - 1)} : from;
}

TextPosition Memo::LineMove(TextPosition from, std::ptrdiff_t lines) const {
    const auto last = static_cast<std::ptrdiff_t>(store_.Count()) - 1;
    const std::ptrdiff_t target =
        std::clamp(static_cast<std::ptrdiff_t>(from.line) + lines, std::ptrdiff_t{0}, last);
    if (target == static_cast<std::ptrdiff_t>(from.line)) {
        return from;
    }
    // The caret keeps to the place it aimed at when a run of Up and Down began.
    const qreal x = caretAimX_ >= 0 ? caretAimX_ : Row(from.line).XOf(from.column);
    const auto line = static_cast<std::size_t>(target);
    return {line, Row(line).ColumnAt(x)};
}

void Memo::MoveCaret(TextPosition to, bool extend) {
    Select(extend ? anchor_ : to, to);
    EnsureCaretVisible();
    if (extend) {
        OfferSelection();
    }
}

void Memo::EnsureCaretVisible() {
    ScrollToLine(cursor_.line);
    QScrollBar* bar = horizontalScrollBar();
    const int x = qRound(Row(cursor_.line).XOf(cursor_.column));
    const int width = viewport()->width() - 2 * kMargin;
    if (x < bar->value()) {
        bar->setValue(x);
    } else if (x >= bar->value() + width) {
        bar->setValue(x - width + 1);
    }
}

void Memo::RestartCaretBlink() {
    if (!hasFocus()) {
        return;
    }
    caretShown_ = true;
    const int flash = QApplication::cursorFlashTime();
    if (flash > 0) {
        caretBlink_.start(flash / 2);
    }
    viewport()->update();
}

void Memo::BlinkCaret() {
    caretShown_ = !caretShown_;
    viewport()->update(CharacterRect(cursor_).adjusted(-1, 0, 1, 0));
}

void Memo::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    RestartCaretBlink();
}

void Memo::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    caretBlink_.stop();
    caretShown_ = false;
    viewport()->update();
}

}  // namespace kvq
