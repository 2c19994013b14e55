// Selection, copy, the X selection and the context menu of the text pane.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>

#include "Memo.h"

namespace kvq {

int Memo::LineLength(std::size_t line) const {
    const auto found = rows_.find(line);
    return found != rows_.end() ? found->second->Length() : LineText(line).size();
}

void Memo::Select(TextPosition anchor, TextPosition cursor) {
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
    viewport()->update();
    AnnounceSelection(oldAnchor, oldCursor);
    emit selectionChanged();
}

void Memo::SelectAll() {
    if (store_.Empty()) {
        return;
    }
    Select({0, 0}, End());
    OfferSelection();
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

void Memo::OfferSelection() {
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

QMenu* Memo::ContextMenu() {
    if (menu_ == nullptr) {
        // The pane's own menu, so that it reads the same on every system and translation.
        menu_ = new QMenu(this);
        QAction* copy = menu_->addAction(QStringLiteral("复制"), this, &Memo::Copy);
        copy->setShortcut(QKeySequence::Copy);
        QAction* all = menu_->addAction(QStringLiteral("全选"), this, &Memo::SelectAll);
        all->setShortcut(QKeySequence::SelectAll);
    }
    const QList<QAction*> actions = menu_->actions();
    actions[0]->setEnabled(HasSelection());
    actions[1]->setEnabled(HasLine());
    return menu_;
}

void Memo::contextMenuEvent(QContextMenuEvent* event) {
    QPoint at = event->globalPos();
    if (event->reason() != QContextMenuEvent::Mouse) {
        // From the keyboard: at the caret when it is in view, else at the pane's corner.
        const QRect caret = CharacterRect(cursor_);
        const QPoint local = viewport()->rect().contains(caret.bottomLeft())
                                 ? caret.bottomLeft()
                                 : QPoint(kMargin, kMargin);
        at = viewport()->mapToGlobal(local);
    }
    ContextMenu()->popup(at);
    event->accept();
}

}  // namespace kvq
