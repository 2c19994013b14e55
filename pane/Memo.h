#pragma once

#include <QAbstractScrollArea>
#include <QTimer>
#include <cstddef>
#include <deque>
#include <span>
#include <string>

#include "LineSink.h"
#include "PaneControl.h"
#include "PaneLineStore.h"
#include "PaneText.h"

namespace kvq {

// The text pane of received lines: a read-only view over the store of pane lines. Each
// line is kept once, as the bytes the pane stores of it; only the rows on screen are decoded
// from GBK and laid out, when they are painted. Lines that arrive in a burst of read steps
// cost one layout and one paint a frame. The view scrolls, follows new lines and paints;
// what the user does with the text (caret, selection, keys, mouse, menu) is its control's.
class Memo : public QAbstractScrollArea, public LineSink {
    Q_OBJECT
public:
    explicit Memo(QWidget* parent = nullptr);
    ~Memo() override;

    // Appends the lines of one read step. The view follows them while it shows the last
    // line (and the user holds neither the mouse button in the pane nor the scroll bar).
    void AppendLines(std::span<const std::string> lines) override;
    void Clear();

    std::size_t LineCount() const { return text_.LineCount(); }
    bool HasLine() const { return !text_.Empty(); }
    // The stored bytes of each line, in order of arrival: what the save reads.
    const PaneLineStore& StoredLines() const { return text_.Lines(); }
    // Line i as shown.
    QString LineText(std::size_t i) const { return text_.LineText(i); }
    const PaneText& Text() const { return text_; }
    PaneControl& Control() { return control_; }
    const PaneControl& Control() const { return control_; }

    // Whether new lines scroll the view: it shows the last line.
    bool Following() const { return following_; }
    std::size_t FirstVisibleRow() const;
    // Rows that fit whole into the view.
    int WholeRows() const;
    // Hit tests and places in viewport coordinates.
    TextPosition PositionAt(QPoint viewportPoint) const;
    QRect CharacterRect(TextPosition position) const;
    void ScrollToLine(std::size_t line);

signals:
    // The store has taken a read step's lines.
    void linesAppended();
    // A paint has shown the pane as its last refresh left it, with this many lines.
    void painted(std::size_t lineCount);

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
    // Scroll ranges, the view at the bottom and a repaint, at most once a frame.
    void Refresh();
    void OnFrame();
    void ReleaseRetired();
    void UpdateScrollRanges();
    void MeasureNewLines();
    void MeasureRows(std::size_t first, std::size_t last);
    void MeasureRowsInView();
    void OnHorizontalAction(int action);
    void FontChanged();
    int TextLeft() const;
    QPointF ToText(QPoint viewportPoint) const;
    void PaintRow(QPainter& painter, std::size_t line, int top, const QRect& exposed) const;
    void PaintCaret(QPainter& painter) const;
    void AnnounceNewLines();

    // Following the new lines, and holding the view still while the user holds it.
    void OnScrolled(int value);
    bool ViewHeld() const;
    void FollowIfFollowing();
    void EnsureCaretVisible();
    void AutoScroll();

    PaneText text_;
    PaneControl control_;
    QTimer frame_;
    // Cleared lines on their way back to the system.
    std::deque<PaneLineStore> retiring_;
    QTimer release_;
    bool refreshPending_ = false;
    // Lines the last refresh took in.
    std::size_t refreshedLines_ = 0;
    // The horizontal range follows the widest line seen: lines longer in bytes than any
    // before are measured when they arrive, the others when they are laid out whole, and
    // the rows the user takes the caret or the horizontal bar to before either moves.
    int widestPixels_ = 0;
    std::size_t widestBytes_ = 0;
    std::size_t measuredUpTo_ = 0;
    std::size_t announcedUpTo_ = 0;
    bool following_ = true;
    QPoint lastMouse_;
    QTimer autoScroll_;
};

}  // namespace kvq
