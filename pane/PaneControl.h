#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointF>
#include <QString>
#include <QTimer>
#include <algorithm>

#include "PaneText.h"
#include "TextWords.h"

class QKeyEvent;
class QMenu;
class QWidget;

namespace kvq {

// What the user does with the pane's text, as a read-only edit control lets him: the
// selection (from the anchor to the caret), the caret and its blink, the keys that move it,
// selecting by the mouse in characters, words or lines, copying, the X selection and the
// context menu. It tells screen readers of the selection and the caret. It draws nothing:
// it asks the view to repaint and to show the caret. Points are in the text's coordinates.
class PaneControl : public QObject {
    Q_OBJECT
public:
    // `view` is the widget it serves: its focus, the parent of the menu, the object screen
    // readers know.
    PaneControl(const PaneText& text, QWidget* view);

    bool HasSelection() const { return anchor_ != cursor_; }
    TextPosition SelectionStart() const { return std::min(anchor_, cursor_); }
    TextPosition SelectionEnd() const { return std::max(anchor_, cursor_); }
    TextPosition Cursor() const { return cursor_; }
    void Select(TextPosition anchor, TextPosition cursor);
    // Selects everything and offers it as the X selection, as the user's Ctrl+A does.
    void SelectAll();
    // The selected text as shown, lines joined by line feeds.
    QString SelectedText() const;
    void Copy() const;
    bool CaretShown() const { return caretShown_; }

    // Lines are about to be appended: a caret at the end, with nothing selected, stays at
    // the end, as in an edit control.
    bool CaretAtEnd() const;
    void KeepAtEnd();
    // The text was emptied.
    void Reset();

    // Ctrl+A, Ctrl+C and the keys that move the caret (pageRows a page); false for others.
    bool KeyPress(QKeyEvent* event, int pageRows);
    void MousePress(QPointF at, Qt::KeyboardModifiers modifiers);
    void MouseDoubleClick(QPointF at);
    // While the button is held after a press in the text, the selection follows the pointer.
    bool Dragging() const { return dragging_; }
    void ExtendSelectionTo(QPointF at);
    // Ends a drag and offers what it selected; false if there was none.
    bool MouseRelease();
    void FocusIn();
    void FocusOut();
    // The pane's own menu, "复制" and "全选", made ready for the selection as it is.
    QMenu* ContextMenu();
    bool ContextMenuOpen() const;

signals:
    // The selection or the caret changed: the view repaints.
    void updateRequest();
    // The caret blinked: the view repaints it.
    void caretBlinked();
    // A key moved the caret: the view brings it into sight.
    void visibilityRequest();
    // The selection was offered as the X selection (PRIMARY); on systems without one, where
    // it would have been.
    void selectionOffered();

private:
    // What a press and a drag select: characters, words (after a double click) or whole
    // lines with their line ends (after a triple click).
    enum class Unit { Character, Word, Line };

    bool MoveCaretByKey(QKeyEvent* event, int pageRows);
    void MoveCaret(TextPosition to, bool extend);
    void RestartCaretBlink();
    void BlinkCaret();
    void SelectUnitsTo(TextPosition at, int characterColumn);
    ColumnRun UnitAround(TextPosition at, int characterColumn) const;
    void OfferSelection();
    void AnnounceSelection(TextPosition oldAnchor, TextPosition oldCursor);

    const PaneText& text_;
    QWidget* view_;
    TextPosition anchor_;
    TextPosition cursor_;

    bool dragging_ = false;
    Unit unit_ = Unit::Character;
    // The word or line first clicked: a drag by units keeps it selected.
    TextPosition unitStart_;
    TextPosition unitEnd_;
    // A press soon after a double click, near it, is a triple click.
    QElapsedTimer sinceDoubleClick_;
    QPointF doubleClickAt_;

    // Where Up and Down aim, kept over a run of them; negative: the caret's own.
    qreal caretAimX_ = -1;
    bool caretShown_ = false;
    QTimer caretBlink_;
    QMenu* menu_ = nullptr;
};

}  // namespace kvq
