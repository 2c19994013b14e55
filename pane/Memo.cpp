#include "Memo.h"

#include <QAccessible>
#include <QApplication>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "GbkText.h"
#include "MemoAccessible.h"

namespace kvq {

namespace {

// Blocks of cleared lines given back in one event-loop pass: a few milliseconds' work.
constexpr std::size_t kBlocksReleasedAtOnce = 4;
// About one frame: appends that arrive within it are shown together.
constexpr int kFrameMs = 16;
// While dragging beyond an edge, the view scrolls this often.
constexpr int kAutoScrollMs = 50;

}  // namespace

Memo::Memo(QWidget* parent)
    : QAbstractScrollArea(parent),
      offsets_([this](std::size_t line) { return static_cast<qsizetype>(LineLength(line)); }) {
    MemoAccessible::Install();
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    frame_.setInterval(kFrameMs);
    frame_.setSingleShot(true);
    connect(&frame_, &QTimer::timeout, this, &Memo::OnFrame);
    release_.setInterval(0);
    connect(&release_, &QTimer::timeout, this, &Memo::ReleaseRetired);
    autoScroll_.setInterval(kAutoScrollMs);
    connect(&autoScroll_, &QTimer::timeout, this, &Memo::AutoScroll);
    connect(&caretBlink_, &QTimer::timeout, this, &Memo::BlinkCaret);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &Memo::OnScrolled);
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, &Memo::FollowIfFollowing);
    FontChanged();
}

Memo::~Memo() = default;

void Memo::AppendLines(std::span<const std::string> lines) {
    if (lines.empty()) {
        return;
    }
    // A caret at the end, with nothing selected, stays at the end, as in an edit control.
    const bool caretAtEnd = !HasSelection() && cursor_ == End();
    store_.Append(lines);
    if (caretAtEnd) {
        anchor_ = cursor_ = End();
    }
    emit linesAppended();
    // The first lines after a quiet spell show at once; a burst waits for the frame.
    if (frame_.isActive()) {
        refreshPending_ = true;
    } else {
        Refresh();
        frame_.start();
    }
}

void Memo::OnFrame() {
    if (refreshPending_) {
        refreshPending_ = false;
        Refresh();
        frame_.start();
    }
}

void Memo::Clear() {
    if (QAccessible::isActive() && CharacterCount() > 0) {
        // As the stock text edit tells it: the right count, without building the old text.
        QAccessibleTextRemoveEvent removed(this, 0, QString(CharacterCount(), u' '));
        Announce(removed);
    }
    // Giving a million lines back to the system at once would hold the window up for a
    // tenth of a second: they go a few blocks an event-loop pass.
    retiring_.push_back(std::move(store_));
    store_ = PaneLineStore();
    ReleaseRetired();
    rows_.clear();
    widestPixels_ = 0;
    widestBytes_ = 0;
    measuredUpTo_ = 0;
    offsets_.Reset();
    announcedUpTo_ = 0;
    endLine_ = SIZE_MAX;
    const TextPosition oldAnchor = anchor_;
    const TextPosition oldCursor = cursor_;
    anchor_ = cursor_ = {};
    dragging_ = false;
    autoScroll_.stop();
    refreshPending_ = false;
    following_ = true;
    Refresh();
    AnnounceSelection(oldAnchor, oldCursor);
    emit selectionChanged();
}

void Memo::ReleaseRetired() {
    while (!retiring_.empty() && retiring_.front().ReleaseSome(kBlocksReleasedAtOnce)) {
        retiring_.pop_front();
    }
    if (retiring_.empty()) {
        release_.stop();
    } else if (!release_.isActive()) {
        release_.start();
    }
}

QString Memo::LineText(std::size_t i) const {
    return GbkLineText(store_.Stored(i));
}

TextPosition Memo::End() const {
    if (store_.Empty()) {
        return {};
    }
    // Asked at every read step: the last line is decoded once, not at each asking.
    const std::size_t last = store_.Count() - 1;
    if (endLine_ != last) {
        endLine_ = last;
        endColumn_ = LineLength(last);
    }
    return {last, endColumn_};
}

void Memo::Refresh() {
    MeasureNewLines();
    AnnounceNewLines();
    UpdateScrollRanges();
    if (following_ && !ViewHeld()) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
    // Rows made for the end of the text while nothing is painted (a window left minimised)
    // go here as well as after a paint.
    const std::size_t first = FirstVisibleRow();
    DropRowsOutside(first, first + static_cast<std::size_t>(WholeRows()));
    viewport()->update();
}

void Memo::OnScrolled(int value) {
    // New lines grow the range without moving the view: only a view at the bottom, as the
    // user left it or brought it back, follows them.
    following_ = value == verticalScrollBar()->maximum();
}

bool Memo::ViewHeld() const {
    return dragging_ || verticalScrollBar()->isSliderDown();
}

void Memo::FollowIfFollowing() {
    if (following_) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
}

void Memo::MeasureNewLines() {
    for (; measuredUpTo_ < store_.Count(); ++measuredUpTo_) {
        const std::size_t bytes = store_.Stored(measuredUpTo_).size();
        if (bytes > widestBytes_) {
            widestBytes_ = bytes;
            widestPixels_ = std::max(widestPixels_, qCeil(Row(measuredUpTo_).Width()));
        }
    }
}

void Memo::AnnounceNewLines() {
    // Screen readers hear of new lines; the text is built only when one listens.
    if (QAccessible::isActive() && announcedUpTo_ < store_.Count()) {
        const int at = OffsetOf({announcedUpTo_, 0});
        QString inserted = announcedUpTo_ > 0 ? QStringLiteral("\n") : QString();
        for (std::size_t line = announcedUpTo_; line < store_.Count(); ++line) {
            inserted += (line > announcedUpTo_ ? QStringLiteral("\n") : QString()) + LineText(line);
        }
        QAccessibleTextInsertEvent event(this, announcedUpTo_ > 0 ? at - 1 : 0, inserted);
        Announce(event);
    }
    announcedUpTo_ = store_.Count();
}

void Memo::Announce(QAccessibleEvent& event) {
    QAccessible::updateAccessibility(&event);
}

void Memo::AnnounceSelection(TextPosition oldAnchor, TextPosition oldCursor) {
    if (!QAccessible::isActive()) {
        return;
    }
    // As the stock text edit: a selection event when the selection changed (its cursor is
    // the caret), a cursor event when the caret moved.
    const bool hadSelection = oldAnchor != oldCursor;
    if ((hadSelection || HasSelection()) && (oldAnchor != anchor_ || oldCursor != cursor_)) {
        QAccessibleTextSelectionEvent selection(this, OffsetOf(anchor_), OffsetOf(cursor_));
        Announce(selection);
    }
    if (oldCursor != cursor_) {
        QAccessibleTextCursorEvent moved(this, OffsetOf(cursor_));
        Announce(moved);
    }
}

int Memo::WholeRows() const {
    return std::max(1, (viewport()->height() - 2 * kMargin) / rowHeight_);
}

void Memo::UpdateScrollRanges() {
    const int rows = WholeRows();
    const std::size_t count = store_.Count();
    const auto maximum = count > static_cast<std::size_t>(rows) ? count - rows : 0;
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, static_cast<int>(std::min<std::size_t>(maximum, INT_MAX)));
    vertical->setPageStep(rows);
    vertical->setSingleStep(1);
    QScrollBar* horizontal = horizontalScrollBar();
    const int width = viewport()->width();
    horizontal->setRange(0, std::max(0, widestPixels_ + 2 * kMargin - width));
    horizontal->setPageStep(width);
    horizontal->setSingleStep(std::max(1, fontMetrics().averageCharWidth() * 2));
}

std::size_t Memo::FirstVisibleRow() const {
    return static_cast<std::size_t>(verticalScrollBar()->value());
}

int Memo::TextLeft() const {
    return kMargin - horizontalScrollBar()->value();
}

PaneRow& Memo::Row(std::size_t line) const {
    std::unique_ptr<PaneRow>& slot = rows_[line];
    if (!slot) {
        slot = std::make_unique<PaneRow>(store_.Stored(line), *style_);
    }
    return *slot;
}

void Memo::DropRowsOutside(std::size_t first, std::size_t last) const {
    // Keeps a screen's worth on either side, so scrolling back a little costs nothing.
    const std::size_t span = last - first + 1;
    if (rows_.size() <= 3 * span) {
        return;
    }
    const std::size_t low = first > span ? first - span : 0;
    const std::size_t high = last + span;
    std::erase_if(rows_,
                  [&](const auto& entry) { return entry.first < low || entry.first > high; });
}

void Memo::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const std::size_t count = store_.Count();
    const std::size_t first = FirstVisibleRow();
    const int rows = (viewport()->height() - kMargin) / rowHeight_ + 1;
    const std::size_t last = std::min(count, first + static_cast<std::size_t>(rows));
    int widest = widestPixels_;
    for (std::size_t line = first; line < last; ++line) {
        const int top = kMargin + static_cast<int>(line - first) * rowHeight_;
        if (top > event->rect().bottom() || top + rowHeight_ < event->rect().top()) {
            continue;
        }
        PaintRow(painter, line, top, event->rect());
        // Only a row laid out whole tells its width; a long one is measured when it arrives.
        if (Row(line).LaidOut()) {
            widest = std::max(widest, qCeil(Row(line).LaidOutWidth()));
        }
    }
    PaintCaret(painter);
    if (last > first) {
        DropRowsOutside(first, last - 1);
    }
    if (widest > widestPixels_) {
        // A line measured late: the range grows after this paint, not inside it.
        widestPixels_ = widest;
        QMetaObject::invokeMethod(this, &Memo::UpdateScrollRanges, Qt::QueuedConnection);
    }
    emit painted(count);
}

void Memo::PaintRow(QPainter& painter, std::size_t line, int top, const QRect& exposed) const {
    RowPaint paint;
    paint.painter = &painter;
    paint.palette = &palette();
    paint.origin = QPointF(TextLeft(), top);
    paint.left = exposed.left() - TextLeft();
    paint.right = exposed.right() + 1 - TextLeft();
    const TextPosition start = SelectionStart();
    const TextPosition end = SelectionEnd();
    if (HasSelection() && start.line <= line && line <= end.line) {
        paint.selectedFrom = line == start.line ? start.column : 0;
        paint.selectedTo = line == end.line ? end.column : Row(line).Length();
        paint.lineEndSelected = line < end.line;
    }
    Row(line).Draw(paint);
}

void Memo::PaintCaret(QPainter& painter) const {
    if (!caretShown_ || cursor_.line >= store_.Count()) {
        return;
    }
    const QRect place = CharacterRect(cursor_);
    if (place.bottom() < 0 || place.top() > viewport()->height()) {
        return;
    }
    painter.fillRect(QRect(place.left(), place.top(), 1, place.height()),
                     palette().brush(QPalette::Text));
}

void Memo::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    const bool atBottom = following_;
    UpdateScrollRanges();
    if (atBottom) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
}

void Memo::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        FontChanged();
    }
}

void Memo::FontChanged() {
    rows_.clear();
    style_ = std::make_unique<RowStyle>(font());
    rowHeight_ = style_->rowHeight;
    // Widths in the old font say nothing: measure again.
    widestPixels_ = 0;
    widestBytes_ = 0;
    measuredUpTo_ = 0;
    Refresh();
}

int Memo::CharacterCount() const {
    return static_cast<int>(std::min<qint64>(offsets_.CharacterCount(store_.Count()), INT_MAX));
}

int Memo::OffsetOf(TextPosition position) const {
    const qint64 offset = offsets_.LineStart(position.line, store_.Count()) + position.column;
    return static_cast<int>(std::min<qint64>(offset, INT_MAX));
}

TextPosition Memo::PositionOf(int offset) const {
    if (store_.Empty()) {
        return {};
    }
    offset = std::clamp(offset, 0, CharacterCount());
    const std::size_t line = offsets_.LineAt(offset, store_.Count());
    const qint64 start = offsets_.LineStart(line, store_.Count());
    return {line, static_cast<int>(std::min<qint64>(offset - start, LineLength(line)))};
}

void Memo::ScrollToLine(std::size_t line) {
    const std::size_t first = FirstVisibleRow();
    const auto rows = static_cast<std::size_t>(WholeRows());
    if (line < first) {
        verticalScrollBar()->setValue(static_cast<int>(line));
    } else if (line >= first + rows) {
        verticalScrollBar()->setValue(static_cast<int>(line - rows + 1));
    }
}

}  // namespace kvq
