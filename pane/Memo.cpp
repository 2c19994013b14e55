#include "Memo.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <climits>

namespace kvq {

namespace {

// Space around the text, as a plain text edit leaves it.
constexpr int kMargin = 4;
// Blocks of cleared lines given back in one event-loop pass: a few milliseconds' work.
constexpr std::size_t kBlocksReleasedAtOnce = 4;
// About one frame: appends that arrive within it are shown together.
constexpr int kFrameMs = 16;
// While dragging beyond an edge, the view scrolls this often.
constexpr int kAutoScrollMs = 50;

bool IsContextMenuKey(const QKeyEvent* event) {
    return event->key() == Qt::Key_Menu ||
           (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
}

// 1 for a key that turns the page down, -1 up, 0 for the others.
int PageTurn(const QKeyEvent* event) {
    if (event->matches(QKeySequence::MoveToNextPage) ||
        event->matches(QKeySequence::SelectNextPage)) {
        return 1;
    }
    if (event->matches(QKeySequence::MoveToPreviousPage) ||
        event->matches(QKeySequence::SelectPreviousPage)) {
        return -1;
    }
    return 0;
}

// How far beyond an edge the pointer is: negative before the start, positive past the end,
// 0 inside.
int Beyond(int at, int size) {
    return at < 0 ? at : at >= size ? at - size + 1 : 0;
}

}  // namespace

Memo::Memo(QWidget* parent) : QAbstractScrollArea(parent), text_(font()), control_(text_, this) {
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
    connect(&control_, &PaneControl::updateRequest, viewport(), qOverload<>(&QWidget::update));
    connect(&control_, &PaneControl::caretBlinked, this,
            [this] { viewport()->update(CharacterRect(control_.Cursor()).adjusted(-1, 0, 1, 0)); });
    connect(&control_, &PaneControl::visibilityRequest, this, &Memo::EnsureCaretVisible);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &Memo::OnScrolled);
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, &Memo::FollowIfFollowing);
    connect(horizontalScrollBar(), &QScrollBar::sliderPressed, this, &Memo::MeasureRowsInView);
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this, &Memo::OnHorizontalAction);
    Refresh();
}

Memo::~Memo() = default;

void Memo::AppendLines(std::span<const std::string> lines) {
    if (lines.empty()) {
        return;
    }
    const bool caretAtEnd = control_.CaretAtEnd();
    text_.Append(lines);
    if (caretAtEnd) {
        control_.KeepAtEnd();
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
    // Counting a million lines' characters costs a tenth of a second: only for a listener.
    if (QAccessible::isActive() && text_.CharacterCount() > 0) {
        // As the stock text edit tells it: the right count, without building the old text.
        QAccessibleTextRemoveEvent removed(this, 0, QString(text_.CharacterCount(), u' '));
        QAccessible::updateAccessibility(&removed);
    }
    // Giving a million lines back to the system at once would hold the window up for a
    // tenth of a second: they go a few blocks an event-loop pass.
    retiring_.push_back(text_.TakeLines());
    ReleaseRetired();
    widestPixels_ = 0;
    widestBytes_ = 0;
    measuredUpTo_ = 0;
    announcedUpTo_ = 0;
    control_.Reset();
    autoScroll_.stop();
    refreshPending_ = false;
    following_ = true;
    Refresh();
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
    text_.DropRowsOutside(first, first + static_cast<std::size_t>(WholeRows()));
    refreshedLines_ = text_.LineCount();
    viewport()->update();
}

void Memo::OnScrolled(int value) {
    // New lines grow the range without moving the view: only a view at the bottom, as the
    // user left it or brought it back, follows them.
    following_ = value == verticalScrollBar()->maximum();
}

bool Memo::ViewHeld() const {
    return control_.Dragging() || verticalScrollBar()->isSliderDown();
}

void Memo::FollowIfFollowing() {
    if (following_) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
}

void Memo::MeasureNewLines() {
    for (; measuredUpTo_ < text_.LineCount(); ++measuredUpTo_) {
        const std::size_t bytes = text_.Lines().Stored(measuredUpTo_).size();
        if (bytes > widestBytes_) {
            widestBytes_ = bytes;
            widestPixels_ = std::max(widestPixels_, qCeil(text_.Row(measuredUpTo_).Width()));
        }
    }
}

void Memo::MeasureRows(std::size_t first, std::size_t last) {
    // Framed codes, tabs and wide characters make a row wider than its bytes tell, and a long
    // row is laid out only as far as it is seen: measured whole, it sets the range first.
    int widest = widestPixels_;
    for (std::size_t line = first; line < std::min(last, text_.LineCount()); ++line) {
        widest = std::max(widest, qCeil(text_.Row(line).Width()));
    }
    if (widest > widestPixels_) {
        widestPixels_ = widest;
        UpdateScrollRanges();
    }
}

void Memo::MeasureRowsInView() {
    const std::size_t first = FirstVisibleRow();
    const int rows = (viewport()->height() - kMargin) / text_.RowHeight() + 1;
    MeasureRows(first, first + static_cast<std::size_t>(rows));
}

void Memo::OnHorizontalAction(int action) {
    MeasureRowsInView();
    // The bar had taken its old end for the right edge.
    if (action == QAbstractSlider::SliderToMaximum) {
        horizontalScrollBar()->setSliderPosition(horizontalScrollBar()->maximum());
    }
}

void Memo::AnnounceNewLines() {
    // Screen readers hear of new lines; the text is built only when one listens.
    const std::size_t count = text_.LineCount();
    if (QAccessible::isActive() && announcedUpTo_ < count) {
        const int at = text_.OffsetOf({announcedUpTo_, 0});
        QString inserted = announcedUpTo_ > 0 ? QStringLiteral("\n") : QString();
        for (std::size_t line = announcedUpTo_; line < count; ++line) {
            inserted +=
                (line > announcedUpTo_ ? QStringLiteral("\n") : QString()) + text_.LineText(line);
        }
        QAccessibleTextInsertEvent event(this, announcedUpTo_ > 0 ? at - 1 : 0, inserted);
        QAccessible::updateAccessibility(&event);
    }
    announcedUpTo_ = count;
}

int Memo::WholeRows() const {
    return std::max(1, (viewport()->height() - 2 * kMargin) / text_.RowHeight());
}

void Memo::UpdateScrollRanges() {
    const int rows = WholeRows();
    const std::size_t count = text_.LineCount();
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

QPointF Memo::ToText(QPoint point) const {
    const double top = static_cast<double>(FirstVisibleRow()) * text_.RowHeight();
    return {static_cast<qreal>(point.x() - TextLeft()), top + point.y() - kMargin};
}

TextPosition Memo::PositionAt(QPoint point) const {
    return text_.PositionAt(ToText(point));
}

QRect Memo::CharacterRect(TextPosition position) const {
    if (position.line >= text_.LineCount()) {
        return {};
    }
    const QRectF place = text_.CharacterRect(position);
    const auto line = static_cast<qint64>(position.line) - static_cast<qint64>(FirstVisibleRow());
    const int top = kMargin + static_cast<int>(line) * text_.RowHeight();
    return QRect(TextLeft() + qFloor(place.x()), top, std::max(1, qCeil(place.width())),
                 text_.RowHeight());
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

void Memo::EnsureCaretVisible() {
    const TextPosition caret = control_.Cursor();
    if (caret.line >= text_.LineCount()) {
        return;
    }
    ScrollToLine(caret.line);
    MeasureRows(caret.line, caret.line + 1);
    QScrollBar* bar = horizontalScrollBar();
    const int x = qRound(text_.Row(caret.line).XOf(caret.column));
    const int width = viewport()->width() - 2 * kMargin;
    if (x < bar->value()) {
        bar->setValue(x);
    } else if (x >= bar->value() + width) {
        bar->setValue(x - width + 1);
    }
}

void Memo::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const std::size_t count = text_.LineCount();
    const std::size_t first = FirstVisibleRow();
    const int rowHeight = text_.RowHeight();
    const int rows = (viewport()->height() - kMargin) / rowHeight + 1;
    const std::size_t last = std::min(count, first + static_cast<std::size_t>(rows));
    int widest = widestPixels_;
    for (std::size_t line = first; line < last; ++line) {
        const int top = kMargin + static_cast<int>(line - first) * rowHeight;
        if (top > event->rect().bottom() || top + rowHeight < event->rect().top()) {
            continue;
        }
        PaintRow(painter, line, top, event->rect());
        // Only a row laid out whole tells its width; a long one is measured when it arrives.
        const PaneRow& row = text_.Row(line);
        if (row.LaidOut()) {
            widest = std::max(widest, qCeil(row.LaidOutWidth()));
        }
    }
    PaintCaret(painter);
    if (last > first) {
        text_.DropRowsOutside(first, last - 1);
    }
    if (widest > widestPixels_) {
        // A line measured late: the range grows after this paint, not inside it.
        widestPixels_ = widest;
        QMetaObject::invokeMethod(this, &Memo::UpdateScrollRanges, Qt::QueuedConnection);
    }
    emit painted(refreshedLines_);
}

void Memo::PaintRow(QPainter& painter, std::size_t line, int top, const QRect& exposed) const {
    const PaneRow& row = text_.Row(line);
    RowPaint paint;
    paint.painter = &painter;
    paint.palette = &palette();
    paint.origin = QPointF(TextLeft(), top);
    paint.left = exposed.left() - TextLeft();
    paint.right = exposed.right() + 1 - TextLeft();
    const TextPosition start = control_.SelectionStart();
    const TextPosition end = control_.SelectionEnd();
    if (control_.HasSelection() && start.line <= line && line <= end.line) {
        paint.selectedFrom = line == start.line ? start.column : 0;
        paint.selectedTo = line == end.line ? end.column : row.Length();
        paint.lineEndSelected = line < end.line;
    }
    row.Draw(paint);
}

void Memo::PaintCaret(QPainter& painter) const {
    const TextPosition caret = control_.Cursor();
    if (!control_.CaretShown() || caret.line >= text_.LineCount()) {
        return;
    }
    const QRect place = CharacterRect(caret);
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
    text_.SetFont(font());
    // Widths in the old font say nothing: measure again.
    widestPixels_ = 0;
    widestBytes_ = 0;
    measuredUpTo_ = 0;
    Refresh();
}

void Memo::keyPressEvent(QKeyEvent* event) {
    const bool control = event->modifiers() == Qt::ControlModifier;
    if (IsContextMenuKey(event)) {
        // Where the system makes no context menu event of these keys itself.
        if (!control_.ContextMenuOpen()) {
            QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(), QPoint());
            contextMenuEvent(&menu);
        }
    } else if (control && event->key() == Qt::Key_Up) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    } else if (control && event->key() == Qt::Key_Down) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    } else {
        // The page turns with the caret, before it moves.
        const int turn = PageTurn(event);
        if (turn != 0 && !text_.Empty()) {
            QScrollBar* bar = verticalScrollBar();
            bar->setValue(bar->value() + turn * WholeRows());
        }
        if (!control_.KeyPress(event, WholeRows())) {
            QAbstractScrollArea::keyPressEvent(event);
            return;
        }
    }
    event->accept();
}

void Memo::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    control_.FocusIn();
}

void Memo::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    control_.FocusOut();
}

void Memo::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || text_.Empty()) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    lastMouse_ = event->position().toPoint();
    control_.MousePress(ToText(lastMouse_), event->modifiers());
}

void Memo::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || text_.Empty()) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    lastMouse_ = event->position().toPoint();
    control_.MouseDoubleClick(ToText(lastMouse_));
}

void Memo::mouseMoveEvent(QMouseEvent* event) {
    if (!control_.Dragging() || !event->buttons().testFlag(Qt::LeftButton)) {
        return;
    }
    lastMouse_ = event->position().toPoint();
    control_.ExtendSelectionTo(ToText(lastMouse_));
    if (viewport()->rect().contains(lastMouse_)) {
        autoScroll_.stop();
    } else if (!autoScroll_.isActive()) {
        autoScroll_.start();
    }
}

void Memo::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && control_.MouseRelease()) {
        autoScroll_.stop();
        // The view held still under the mouse; a view that was at the bottom follows again.
        FollowIfFollowing();
    }
}

void Memo::AutoScroll() {
    if (!control_.Dragging()) {
        autoScroll_.stop();
        return;
    }
    // The farther beyond the edge, the faster: a row more a step for each row's height, and
    // sideways a character's width more for each character's width.
    const int down = Beyond(lastMouse_.y(), viewport()->height());
    const int right = Beyond(lastMouse_.x(), viewport()->width());
    if (down != 0) {
        const int rows = 1 + std::abs(down) / text_.RowHeight();
        QScrollBar* bar = verticalScrollBar();
        bar->setValue(bar->value() + (down < 0 ? -rows : rows));
    }
    if (right != 0) {
        MeasureRowsInView();
        const int character = std::max(1, fontMetrics().averageCharWidth());
        const int pixels = character * (1 + std::abs(right) / character);
        QScrollBar* bar = horizontalScrollBar();
        bar->setValue(bar->value() + (right < 0 ? -pixels : pixels));
    }
    control_.ExtendSelectionTo(ToText(lastMouse_));
}

void Memo::contextMenuEvent(QContextMenuEvent* event) {
    QPoint at = event->globalPos();
    if (event->reason() != QContextMenuEvent::Mouse) {
        // From the keyboard: at the caret when it is in view, else at the pane's corner.
        const QRect caret = CharacterRect(control_.Cursor());
        const QPoint local = viewport()->rect().contains(caret.bottomLeft())
                                 ? caret.bottomLeft()
                                 : QPoint(kMargin, kMargin);
        at = viewport()->mapToGlobal(local);
    }
    control_.ContextMenu()->popup(at);
    event->accept();
}

}  // namespace kvq
