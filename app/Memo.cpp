#include "Memo.h"

#include <QAccessible>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <algorithm>

#include "GbkText.h"
#include "MemoAccessible.h"

namespace kvq {

namespace {

// Blocks of cleared lines given back in one event-loop pass: a few milliseconds' work.
constexpr std::size_t kBlocksReleasedAtOnce = 4;
// About one frame: appends that arrive within it are shown together.
constexpr int kFrameMs = 16;
// Tab stops every eight average characters of the font.
constexpr int kTabColumns = 8;
// No wrapping: a row is as wide as its text.
constexpr qreal kUnbounded = 1e7;
// A sample that brings in the fallback font of Chinese text, which is often taller.
const QString kRowSample = QStringLiteral("Ag测试|");

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
    FontChanged();
}

Memo::~Memo() = default;

void Memo::AppendLines(std::span<const std::string> lines) {
    if (lines.empty()) {
        return;
    }
    store_.Append(lines);
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
    // Giving a million lines back to the system at once would hold the window up for a
    // tenth of a second: they go a few blocks an event-loop pass.
    retiring_.push_back(std::move(store_));
    store_ = PaneLineStore();
    ReleaseRetired();
    layouts_.clear();
    widestPixels_ = 0;
    widestBytes_ = 0;
    measuredUpTo_ = 0;
    offsets_.Reset();
    announcedUpTo_ = 0;
    anchor_ = cursor_ = {};
    dragging_ = false;
    refreshPending_ = false;
    Refresh();
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

void Memo::Refresh() {
    MeasureNewLines();
    AnnounceNewLines();
    UpdateScrollRanges();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->update();
}

void Memo::MeasureNewLines() {
    for (; measuredUpTo_ < store_.Count(); ++measuredUpTo_) {
        const std::size_t bytes = store_.Stored(measuredUpTo_).size();
        if (bytes > widestBytes_) {
            widestBytes_ = bytes;
            widestPixels_ = std::max(widestPixels_, qCeil(Layout(measuredUpTo_).maximumWidth()));
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
        QAccessible::updateAccessibility(&event);
    }
    announcedUpTo_ = store_.Count();
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

QTextLayout& Memo::Layout(std::size_t line) const {
    std::unique_ptr<QTextLayout>& slot = layouts_[line];
    if (!slot) {
        slot = std::make_unique<QTextLayout>(LineText(line), font());
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        option.setTabStopDistance(fontMetrics().averageCharWidth() * kTabColumns);
        slot->setTextOption(option);
        slot->setCacheEnabled(true);
        slot->beginLayout();
        QTextLine row = slot->createLine();
        if (row.isValid()) {
            row.setLineWidth(kUnbounded);
            row.setPosition(QPointF(0, 0));
        }
        slot->endLayout();
    }
    return *slot;
}

void Memo::DropLayoutsOutside(std::size_t first, std::size_t last) const {
    // Keeps a screen's worth on either side, so scrolling back a little costs nothing.
    const std::size_t span = last - first + 1;
    if (layouts_.size() <= 3 * span) {
        return;
    }
    const std::size_t low = first > span ? first - span : 0;
    const std::size_t high = last + span;
    std::erase_if(layouts_,
                  [&](const auto& entry) { return entry.first < low || entry.first > high; });
}

void Memo::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const std::size_t count = store_.Count();
    const std::size_t first = FirstVisibleRow();
    const int rows = (viewport()->height() - kMargin) / rowHeight_ + 1;
    const std::size_t last = std::min(count, first + static_cast<std::size_t>(rows));
    const TextPosition start = SelectionStart();
    const TextPosition end = SelectionEnd();
    QTextCharFormat selected;
    selected.setBackground(palette().brush(QPalette::Highlight));
    selected.setForeground(palette().brush(QPalette::HighlightedText));
    int widest = widestPixels_;
    for (std::size_t line = first; line < last; ++line) {
        const int top = kMargin + static_cast<int>(line - first) * rowHeight_;
        if (top > event->rect().bottom() || top + rowHeight_ < event->rect().top()) {
            continue;
        }
        QTextLayout& layout = Layout(line);
        QList<QTextLayout::FormatRange> selections;
        if (HasSelection() && start.line <= line && line <= end.line) {
            const int from = line == start.line ? start.column : 0;
            const int to = line == end.line ? end.column : layout.text().size();
            selections.append({from, to - from, selected});
        }
        layout.draw(&painter, QPointF(TextLeft(), top), selections);
        widest = std::max(widest, qCeil(layout.maximumWidth()));
    }
    if (last > first) {
        DropLayoutsOutside(first, last - 1);
    }
    if (widest > widestPixels_) {
        // A line measured late: the range grows after this paint, not inside it.
        widestPixels_ = widest;
        QMetaObject::invokeMethod(this, &Memo::UpdateScrollRanges, Qt::QueuedConnection);
    }
    emit painted(count);
}

void Memo::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    const bool atBottom = verticalScrollBar()->value() == verticalScrollBar()->maximum();
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
    QTextLayout sample(kRowSample, font());
    sample.beginLayout();
    QTextLine row = sample.createLine();
    row.setLineWidth(kUnbounded);
    sample.endLayout();
    rowHeight_ = std::max({1, fontMetrics().lineSpacing(), qCeil(row.height())});
    layouts_.clear();
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
