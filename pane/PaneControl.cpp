#include "PaneControl.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <array>

#include "PaneCursor.h"

namespace kvq {

namespace {

struct KeyMove {
    QKeySequence::StandardKey move;
    QKeySequence::StandardKey select;
    Move what;
};

constexpr std::array<KeyMove, 12> kKeyMoves = {{
    {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, Move::NextChar},
    {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, Move::PreviousChar},
    {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, Move::NextWord},
    {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord, Move::PreviousWord},
    {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, Move::NextLine},
    {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, Move::PreviousLine},
    {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, Move::LineStart},
    {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, Move::LineEnd},
    {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, Move::NextPage},
    {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, Move::PreviousPage},
    {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, Move::Start},
    {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, Move::End},
}};

bool IsVertical(Move move) {
    return move == Move::NextLine || move == Move::PreviousLine || move == Move::NextPage ||
           move == Move::PreviousPage;
}

void Announce(QAccessibleEvent& event) {
    QAccessible::updateAccessibility(&event);
}

}  // namespace

PaneControl::PaneControl(const PaneText& text, QWidget* view) : text_(text), view_(view) {
    connect(&caretBlink_, &QTimer::timeout, this, &PaneControl::BlinkCaret);
}

void PaneControl::Select(TextPosition anchor, TextPosition cursor) {
    if (anchor == anchor_ && cursor == cursor_) {
        return;
    }
    const TextPosition oldAnchor = anchor_;
    const TextPosition oldCursor = cursor_;
    anchor_ = anchor;
    cursor_ = cursor;
    if (oldCursor != cursor_) {
        caretAimX_ = -1;
        RestartCaretBlink();
    }
    emit updateRequest();
    AnnounceSelection(oldAnchor, oldCursor);
}

void PaneControl::SelectAll() {
    if (text_.Empty()) {
        return;
    }
    Select({0, 0}, text_.End());
    OfferSelection();
}

QString PaneControl::SelectedText() const {
    if (!HasSelection()) {
        return {};
    }
    const TextPosition start = SelectionStart();
    const TextPosition end = SelectionEnd();
    QString text;
    for (std::size_t line = start.line; line <= end.line; ++line) {
        const QString shown = text_.LineText(line);
        const int from = line == start.line ? start.column : 0;
        const int to = line == end.line ? end.column : shown.size();
        text += QStringView(shown).mid(from, to - from);
        if (line != end.line) {
            text += u'\n';
        }
    }
    return text;
}

void PaneControl::Copy() const {
    if (HasSelection()) {
        QApplication::clipboard()->setText(SelectedText());
    }
}

void PaneControl::OfferSelection() {
    if (!HasSelection()) {
        return;
    }
    // X11 pastes what was last selected with the middle button; other systems have no such
    // selection, and the text is not built for them.
    QClipboard* clipboard = QApplication::clipboard();
    if (clipboard->supportsSelection()) {
        clipboard->setText(SelectedText(), QClipboard::Selection);
    }
    emit selectionOffered();
}

void PaneControl::AnnounceSelection(TextPosition oldAnchor, TextPosition oldCursor) {
    if (!QAccessible::isActive()) {
        return;
    }
    // As the stock text edit: a selection event when the selection changed (its cursor is
    // the caret), a cursor event when the caret moved.
    const bool hadSelection = oldAnchor != oldCursor;
    if ((hadSelection || HasSelection()) && (oldAnchor != anchor_ || oldCursor != cursor_)) {
        QAccessibleTextSelectionEvent selection(view_, text_.OffsetOf(anchor_),
                                                text_.OffsetOf(cursor_));
        Announce(selection);
    }
    if (oldCursor != cursor_) {
        QAccessibleTextCursorEvent moved(view_, text_.OffsetOf(cursor_));
        Announce(moved);
    }
}

bool PaneControl::CaretAtEnd() const {
    return !HasSelection() && cursor_ == text_.End();
}

void PaneControl::KeepAtEnd() {
    anchor_ = cursor_ = text_.End();
}

void PaneControl::Reset() {
    const TextPosition oldAnchor = anchor_;
    const TextPosition oldCursor = cursor_;
    anchor_ = cursor_ = {};
    dragging_ = false;
    AnnounceSelection(oldAnchor, oldCursor);
}

bool PaneControl::KeyPress(QKeyEvent* event, int pageRows) {
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
    } else if (event->matches(QKeySequence::Copy)) {
        Copy();
    } else {
        return MoveCaretByKey(event, pageRows);
    }
    return true;
}

bool PaneControl::MoveCaretByKey(QKeyEvent* event, int pageRows) {
    for (const KeyMove& key : kKeyMoves) {
        const bool extend = event->matches(key.select);
        if (!extend && !event->matches(key.move)) {
            continue;
        }
        if (text_.Empty()) {
            return true;
        }
        // The caret keeps to the place it aimed at when a run of Up and Down began.
        const qreal aim =
            caretAimX_ >= 0 ? caretAimX_ : text_.Row(cursor_.line).XOf(cursor_.column);
        TextPosition to;
        // Without Shift an arrow first drops the selection at its side, as in an edit control.
        if (!extend && HasSelection() && key.what == Move::NextChar) {
            to = SelectionEnd();
        } else if (!extend && HasSelection() && key.what == Move::PreviousChar) {
            to = SelectionStart();
        } else {
            to = MoveFrom(text_, {pageRows, aim}, cursor_, key.what);
        }
        MoveCaret(to, extend);
        if (IsVertical(key.what)) {
            caretAimX_ = aim;
        }
        return true;
    }
    return false;
}

void PaneControl::MoveCaret(TextPosition to, bool extend) {
    Select(extend ? anchor_ : to, to);
    emit visibilityRequest();
    if (extend) {
        OfferSelection();
    }
}

void PaneControl::RestartCaretBlink() {
    if (!view_->hasFocus()) {
        return;
    }
    caretShown_ = true;
    const int flash = QApplication::cursorFlashTime();
    if (flash > 0) {
        caretBlink_.start(flash / 2);
    }
    emit updateRequest();
}

void PaneControl::BlinkCaret() {
    caretShown_ = !caretShown_;
    emit caretBlinked();
}

void PaneControl::FocusIn() {
    RestartCaretBlink();
}

void PaneControl::FocusOut() {
    caretBlink_.stop();
    caretShown_ = false;
    emit updateRequest();
}

void PaneControl::MousePress(QPointF at, Qt::KeyboardModifiers modifiers) {
    const bool tripleClick =
        sinceDoubleClick_.isValid() &&
        sinceDoubleClick_.elapsed() < QApplication::doubleClickInterval() &&
        (at - doubleClickAt_).manhattanLength() < QApplication::startDragDistance();
    sinceDoubleClick_.invalidate();
    dragging_ = true;
    const TextPosition position = text_.PositionAt(at);
    if (tripleClick) {
        unit_ = Unit::Line;
        unitStart_ = {position.line, 0};
        unitEnd_ = position.line + 1 < text_.LineCount()
                       ? TextPosition{position.line + 1, 0}
                       : TextPosition{position.line, text_.Row(position.line).Length()};
        Select(unitStart_, unitEnd_);
        return;
    }
    unit_ = Unit::Character;
    // Shift+click extends from the caret, as in an edit control.
    Select(modifiers.testFlag(Qt::ShiftModifier) ? anchor_ : position, position);
}

void PaneControl::MouseDoubleClick(QPointF at) {
    const TextPosition position = text_.PositionAt(at);
    const ColumnRun word = WordAround(text_.Row(position.line).Text(), text_.CharacterAt(at));
    unit_ = Unit::Word;
    unitStart_ = {position.line, word.from};
    unitEnd_ = {position.line, word.to};
    dragging_ = true;
    sinceDoubleClick_.start();
    doubleClickAt_ = at;
    Select(unitStart_, unitEnd_);
}

void PaneControl::ExtendSelectionTo(QPointF at) {
    const TextPosition position = text_.PositionAt(at);
    if (unit_ == Unit::Character) {
        Select(anchor_, position);
    } else {
        SelectUnitsTo(position, text_.CharacterAt(at));
    }
}

bool PaneControl::MouseRelease() {
    if (!dragging_) {
        return false;
    }
    dragging_ = false;
    OfferSelection();
    return true;
}

ColumnRun PaneControl::UnitAround(TextPosition at, int characterColumn) const {
    if (unit_ == Unit::Word) {
        return WordAround(text_.Row(at.line).Text(), characterColumn);
    }
    return {0, text_.Row(at.line).Length()};
}

void PaneControl::SelectUnitsTo(TextPosition at, int characterColumn) {
    // The word or line first clicked stays selected; the selection grows by whole units
    // from it towards the pointer.
    const ColumnRun run = UnitAround(at, characterColumn);
    TextPosition runStart{at.line, run.from};
    TextPosition runEnd{at.line, run.to};
    if (unit_ == Unit::Line && at.line + 1 < text_.LineCount()) {
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

QMenu* PaneControl::ContextMenu() {
    if (menu_ == nullptr) {
        // The pane's own menu, so that it reads the same on every system and translation.
        menu_ = new QMenu(view_);
        QAction* copy = menu_->addAction(QStringLiteral("复制"), this, &PaneControl::Copy);
        copy->setShortcut(QKeySequence::Copy);
        QAction* all = menu_->addAction(QStringLiteral("全选"), this, &PaneControl::SelectAll);
        all->setShortcut(QKeySequence::SelectAll);
    }
    const QList<QAction*> actions = menu_->actions();
    actions[0]->setEnabled(HasSelection());
    actions[1]->setEnabled(!text_.Empty());
    return menu_;
}

bool PaneControl::ContextMenuOpen() const {
    return menu_ != nullptr && menu_->isVisible();
}

}  // namespace kvq
