#pragma once

#include <QAccessibleWidget>

namespace kvq {

class Memo;
class PaneControl;
class PaneText;

// The text pane as screen readers and test tools over the accessibility bus see it: read-only
// text whose content is the decoded lines joined by line feeds. Pieces of it are built from
// the lines they cover, never from the whole text.
class MemoAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit MemoAccessible(Memo* memo);

    // Makes Qt create this interface for every Memo; the program does it as it starts.
    static void Install();

    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int* startOffset, int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int* startOffset, int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    Memo* Pane() const;
    const PaneText& Text() const;
    PaneControl& Control() const;
};

}  // namespace kvq
