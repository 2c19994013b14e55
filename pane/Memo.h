#pragma once

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QTimer>
#include <cstddef>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "CharacterOffsets.h"
#include "LineSink.h"
#include "PaneLineStore.h"
#include "PaneRow.h"
#include "TextWords.h"

class QAccessibleEvent;
class QMenu;

namespace kvq {

// A place in the pane's text: a stored line and a UTF-16 column of its decoded text.
struct TextPosition {
    std::size_t line = 0;
    int column = 0;
    auto operator<=>(const TextPosition&) const = default;
};

// The text pane of received lines: a read-only view over the store of pane lines. Each
// line is kept once, as the bytes the pane stores of it; only the rows on screen are decoded
// from GBK and laid out, when they are painted. Lines that arrive in a burst of read steps
// cost one layout and one paint a frame. It behaves as a read-only edit control: a caret
// moved by the keys, selection by mouse and keys, a context menu.
class Memo : public QAbstractScrollArea, public LineSink {
    Q_OBJECT
public:
    explicit Memo(QWidget* parent = nullptr);
    ~Memo() override;

    // Appends the lines of one read step. The view follows them while it shows the last
    // line (and the user holds neither the mouse button in the pane nor the scroll bar).
    void AppendLines(std::span<const std::string> lines) override;
    void Clear();

    std::size_t LineCount() const { return store_.Count(); }
    bool HasLine() const { return !store_.Empty(); }
    // The stored bytes of each line, in order of arrival: what the save reads.
    const PaneLineStore& StoredLines() const { return store_; }
    // Line i as shown.
    QString LineText(std::size_t i) const;

    // Selection: from the anchor to the cursor (the caret), in either order.
    bool HasSelection() const { return anchor_ != cursor_; }
    TextPosition SelectionStart() const { return std::min(anchor_, cursor_); }
    TextPosition SelectionEnd() const { return std::max(anchor_, cursor_); }
    TextPosition Cursor() const { return cursor_; }
    TextPosition Anchor() const { return anchor_; }
    void Select(TextPosition anchor, TextPosition cursor);
    // Selects everything and offers it as the X selection, as the user's Ctrl+A does.
    void SelectAll();
    // The selected text as shown, lines joined by line feeds.
    QString SelectedText() const;
    void Copy() const;
    // The end of the text: where the caret stands at start and, while following, after new
    // lines.
    TextPosition End() const;
    // Whether new lines scroll the view: it shows the last line.
    bool Following() const { return following_; }
    bool CaretShown() const { return caretShown_; }

    // Geometry of the rows, for painting, hit tests and the accessible text.
    int RowHeight() const { return rowHeight_; }
    std::size_t FirstVisibleRow() const;
    // Rows that fit whole into the view.
    int WholeRows() const;
    TextPosition PositionAt(QPoint viewportPoint) const;
    // Where a position is drawn, in viewport coordinates.
    QRect CharacterRect(TextPosition position) const;
    void ScrollToLine(std::size_t line);

    // The whole text as the lines joined by line feeds, in UTF-16 characters: what the
    // accessible text counts in. Offsets beyond an int are cut to its range.
    int CharacterCount() const;
    int OffsetOf(TextPosition position) const;
    TextPosition PositionOf(int offset) const;

signals:
    // The store has taken a read step's lines.
    void linesAppended();
    // A paint has shown the pane as it was with this many lines.
    void painted(std::size_t lineCount);
    void selectionChanged();
    // The selection was offered as the X selection (PRIMARY); on systems without one, where
    // it would have been.
    void selectionOffered();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Space around the text, as a plain text edit leaves it.
    static constexpr int kMargin = 4;
    // What a press and a drag select: characters, words (after a double click) or whole
    // lines with their line ends (after a triple click).
    enum class Unit { Character, Word, Line };

    // Scroll ranges, the view at the bottom and a repaint, at most once a frame.
    void Refresh();
    void OnFrame();
    void ReleaseRetired();
    void UpdateScrollRanges();
    void MeasureNewLines();
    void FontChanged();
    int TextLeft() const;
    PaneRow& Row(std::size_t line) const;
    void DropRowsOutside(std::size_t first, std::size_t last) const;
    void PaintRow(QPainter& painter, std::size_t line, int top, const QRect& exposed) const;
    void PaintCaret(QPainter& painter) const;
    void AnnounceNewLines();
    static void Announce(QAccessibleEvent& event);
    void AnnounceSelection(TextPosition oldAnchor, TextPosition oldCursor);
    int LineLength(std::size_t line) const;

    // Following the new lines, and holding the view still while the user holds it.
    void OnScrolled(int value);
    bool ViewHeld() const;
    void FollowIfFollowing();

    // Mouse selection.
    void SelectUnitsTo(TextPosition at, int characterColumn);
    ColumnRun UnitAround(TextPosition at, int characterColumn) const;
    void ExtendSelectionTo(QPoint viewportPoint);
    void AutoScroll();
    int CharacterColumnAt(QPoint viewportPoint) const;
    void OfferSelection();

    // The caret and the keys.
    bool MoveCaretByKey(QKeyEvent* event);
    // Where a key of the caret takes it (a Move of MemoCaret.cpp); a page key turns the page.
    TextPosition KeyTarget(int move, bool extend);
    TextPosition LineMove(TextPosition from, std::ptrdiff_t lines) const;
    TextPosition CharacterMove(TextPosition from, int step) const;
    void MoveCaret(TextPosition to, bool extend);
    void EnsureCaretVisible();
    void RestartCaretBlink();
    void BlinkCaret();
    QMenu* ContextMenu();

    PaneLineStore store_;
    std::unique_ptr<RowStyle> style_;
    QTimer frame_;
    // Cleared lines on their way back to the system.
    std::deque<PaneLineStore> retiring_;
    QTimer release_;
    bool refreshPending_ = false;
    int rowHeight_ = 1;
    // The horizontal range follows the widest line seen: lines longer in bytes than any
    // before are measured when they arrive, the others when they are painted.
    int widestPixels_ = 0;
    std::size_t widestBytes_ = 0;
    std::size_t measuredUpTo_ = 0;
    // Laid-out rows, kept for what is on screen.
    mutable std::unordered_map<std::size_t, std::unique_ptr<PaneRow>> rows_;
    mutable CharacterOffsets offsets_;
    std::size_t announcedUpTo_ = 0;
    // The end of the text, kept for the last line it was worked out for.
    mutable std::size_t endLine_ = SIZE_MAX;
    mutable int endColumn_ = 0;
    TextPosition anchor_;
    TextPosition cursor_;
    bool following_ = true;

    bool dragging_ = false;
    Unit unit_ = Unit::Character;
    // The word or line first clicked: a drag by units keeps it selected.
    TextPosition unitStart_;
    TextPosition unitEnd_;
    QPoint lastMouse_;
    QTimer autoScroll_;
    // A press soon after a double click, near it, is a triple click.
    QElapsedTimer sinceDoubleClick_;
    QPoint doubleClickAt_;

    // Where Up and Down aim, kept over a run of them; negative: the caret's own.
    qreal caretAimX_ = -1;
    bool caretShown_ = false;
    QTimer caretBlink_;
    QMenu* menu_ = nullptr;
};

}  // namespace kvq
