#pragma once

#include <QAbstractScrollArea>
#include <QTimer>
#include <cstddef>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "CharacterOffsets.h"
#include "PaneLineStore.h"
#include "Rdcom.h"

class QTextLayout;

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
// cost one layout and one paint a frame.
class Memo : public QAbstractScrollArea, public LineSink {
    Q_OBJECT
public:
    explicit Memo(QWidget* parent = nullptr);
    ~Memo() override;

    // Appends the lines of one read step; the view follows them to the bottom.
    void AppendLines(std::span<const std::string> lines) override;
    void Clear();

    std::size_t LineCount() const { return store_.Count(); }
    bool HasLine() const { return !store_.Empty(); }
    // The stored bytes of each line, in order of arrival: what the save reads.
    const PaneLineStore& StoredLines() const { return store_; }
    // Line i as shown.
    QString LineText(std::size_t i) const;

    // Selection: from the anchor to the cursor, in either order.
    bool HasSelection() const { return anchor_ != cursor_; }
    TextPosition SelectionStart() const { return std::min(anchor_, cursor_); }
    TextPosition SelectionEnd() const { return std::max(anchor_, cursor_); }
    TextPosition Cursor() const { return cursor_; }
    void Select(TextPosition anchor, TextPosition cursor);
    void SelectAll();
    // The selected text as shown, lines joined by line feeds.
    QString SelectedText() const;
    void Copy() const;

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

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // Space around the text, as a plain text edit leaves it.
    static constexpr int kMargin = 4;

    // Scroll ranges, the view at the bottom and a repaint, at most once a frame.
    void Refresh();
    void OnFrame();
    void ReleaseRetired();
    void UpdateScrollRanges();
    void MeasureNewLines();
    void FontChanged();
    int TextLeft() const;
    QTextLayout& Layout(std::size_t line) const;
    void DropLayoutsOutside(std::size_t first, std::size_t last) const;
    void ExtendSelectionTo(QPoint viewportPoint);
    void AnnounceNewLines();
    int LineLength(std::size_t line) const;

    PaneLineStore store_;
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
    mutable std::unordered_map<std::size_t, std::unique_ptr<QTextLayout>> layouts_;
    mutable CharacterOffsets offsets_;
    std::size_t announcedUpTo_ = 0;
    TextPosition anchor_;
    TextPosition cursor_;
    bool selectingLines_ = false;
    bool dragging_ = false;
};

}  // namespace kvq
