#include "PaneText.h"

#include <QtMath>
#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

#include "GbkText.h"

namespace kvq {

PaneText::PaneText(const QFont& font)
    : style_(std::make_unique<RowStyle>(font)),
      offsets_([this](std::size_t line) { return static_cast<qsizetype>(LineLength(line)); }) {}

void PaneText::Append(std::span<const std::string> lines) {
    store_.Append(lines);
}

PaneLineStore PaneText::TakeLines() {
    rows_.clear();
    offsets_.Reset();
    endLine_ = SIZE_MAX;
    return std::exchange(store_, PaneLineStore());
}

void PaneText::SetFont(const QFont& font) {
    rows_.clear();
    style_ = std::make_unique<RowStyle>(font);
}

QString PaneText::LineText(std::size_t i) const {
    return GbkLineText(store_.Stored(i));
}

int PaneText::LineLength(std::size_t line) const {
    const auto found = rows_.find(line);
    return found != rows_.end() ? found->second->Length() : LineText(line).size();
}

TextPosition PaneText::End() const {
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

PaneRow& PaneText::Row(std::size_t line) const {
    std::unique_ptr<PaneRow>& slot = rows_[line];
    if (!slot) {
        slot = std::make_unique<PaneRow>(store_.Stored(line), *style_);
    }
    return *slot;
}

void PaneText::DropRowsOutside(std::size_t first, std::size_t last) const {
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

TextPosition PaneText::PositionAt(QPointF point) const {
    if (store_.Empty()) {
        return {};
    }
    const double row = std::floor(point.y() / RowHeight());
    const std::size_t last = store_.Count() - 1;
    const std::size_t line = row < 0                            ? 0
                             : row >= static_cast<double>(last) ? last
                                                                : static_cast<std::size_t>(row);
    return {line, Row(line).ColumnAt(point.x())};
}

int PaneText::CharacterAt(QPointF point) const {
    return store_.Empty() ? 0 : Row(PositionAt(point).line).CharacterAt(point.x());
}

QRectF PaneText::CharacterRect(TextPosition position) const {
    const PaneRow& row = Row(position.line);
    const qreal x = row.XOf(position.column);
    const qreal next = position.column < row.Length() ? row.XOf(position.column + 1) : x;
    const double top = static_cast<double>(position.line) * RowHeight();
    return QRectF(x, top, next - x, RowHeight());
}

int PaneText::CharacterCount() const {
    return static_cast<int>(std::min<qint64>(offsets_.CharacterCount(store_.Count()), INT_MAX));
}

int PaneText::OffsetOf(TextPosition position) const {
    const qint64 offset = offsets_.LineStart(position.line, store_.Count()) + position.column;
    return static_cast<int>(std::min<qint64>(offset, INT_MAX));
}

TextPosition PaneText::PositionOf(int offset) const {
    if (store_.Empty()) {
        return {};
    }
    offset = std::clamp(offset, 0, CharacterCount());
    const std::size_t line = offsets_.LineAt(offset, store_.Count());
    const qint64 start = offsets_.LineStart(line, store_.Count());
    return {line, static_cast<int>(std::min<qint64>(offset - start, LineLength(line)))};
}

}  // namespace kvq
