#include "MemoAccessible.h"

#include <algorithm>

#include "Memo.h"
#include "TextWords.h"

namespace kvq {

namespace {

QAccessibleInterface* CreateForMemo(const QString& className, QObject* object) {
    if (className == QLatin1String(Memo::staticMetaObject.className()) && object != nullptr &&
        object->isWidgetType()) {
        return new MemoAccessible(static_cast<Memo*>(object));
    }
    return nullptr;
}

}  // namespace

MemoAccessible::MemoAccessible(Memo* memo) : QAccessibleWidget(memo, QAccessible::EditableText) {}

void MemoAccessible::Install() {
    static const bool installed = [] {
        QAccessible::installFactory(CreateForMemo);
        return true;
    }();
    Q_UNUSED(installed);
}

Memo* MemoAccessible::Pane() const {
    return static_cast<Memo*>(widget());
}

const PaneText& MemoAccessible::Text() const {
    return Pane()->Text();
}

PaneControl& MemoAccessible::Control() const {
    return Pane()->Control();
}

QAccessible::State MemoAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.editable = false;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString MemoAccessible::text(QAccessible::Text kind) const {
    // The content is reached through the text interface, a piece at a time: a value of a
    // million lines would be built for nothing.
    if (kind == QAccessible::Value) {
        return {};
    }
    return QAccessibleWidget::text(kind);
}

void* MemoAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface) {
        return static_cast<QAccessibleTextInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

void MemoAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex == 0 && Control().HasSelection()) {
        *startOffset = Text().OffsetOf(Control().SelectionStart());
        *endOffset = Text().OffsetOf(Control().SelectionEnd());
    }
}

int MemoAccessible::selectionCount() const {
    return Control().HasSelection() ? 1 : 0;
}

void MemoAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void MemoAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0) {
        const TextPosition cursor = Control().Cursor();
        Control().Select(cursor, cursor);
    }
}

void MemoAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0) {
        Control().Select(Text().PositionOf(startOffset), Text().PositionOf(endOffset));
    }
}

int MemoAccessible::cursorPosition() const {
    return Text().OffsetOf(Control().Cursor());
}

void MemoAccessible::setCursorPosition(int position) {
    const TextPosition at = Text().PositionOf(position);
    Control().Select(at, at);
    Pane()->ScrollToLine(at.line);
}

QString MemoAccessible::text(int startOffset, int endOffset) const {
    const int count = characterCount();
    startOffset = std::clamp(startOffset, 0, count);
    endOffset = std::clamp(endOffset, startOffset, count);
    if (startOffset == endOffset) {
        return {};
    }
    const TextPosition start = Text().PositionOf(startOffset);
    QString text;
    for (std::size_t line = start.line; text.size() < endOffset - startOffset; ++line) {
        if (line != start.line) {
            text += u'\n';
        }
        const QString shown = Text().LineText(line);
        text += QStringView(shown).mid(line == start.line ? start.column : 0);
    }
    text.truncate(endOffset - startOffset);
    return text;
}

QString MemoAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                     int* startOffset, int* endOffset) const {
    const int count = characterCount();
    *startOffset = *endOffset = -1;
    if (offset < 0 || offset > count || count == 0) {
        return {};
    }
    if (boundaryType == QAccessible::NoBoundary) {
        *startOffset = 0;
        *endOffset = count;
        return text(0, count);
    }
    const TextPosition at = Text().PositionOf(offset);
    const int lineStart = Text().OffsetOf({at.line, 0});
    const QString line = Text().LineText(at.line);
    if (boundaryType == QAccessible::CharBoundary) {
        *startOffset = std::min(offset, count - 1);
        *endOffset = *startOffset + 1;
        return text(*startOffset, *endOffset);
    }
    if (boundaryType == QAccessible::WordBoundary && at.column < line.size()) {
        // The words a double click selects.
        const ColumnRun word = WordAround(line, at.column);
        *startOffset = lineStart + word.from;
        *endOffset = lineStart + word.to;
        return line.mid(word.from, word.to - word.from);
    }
    // Lines, sentences and paragraphs: each stored line is one, with its line feed.
    *startOffset = lineStart;
    *endOffset = std::min(count, lineStart + static_cast<int>(line.size()) + 1);
    return text(*startOffset, *endOffset);
}

QString MemoAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                         int* startOffset, int* endOffset) const {
    int start = 0;
    int end = 0;
    textAtOffset(offset, boundaryType, &start, &end);
    if (start <= 0) {
        *startOffset = *endOffset = -1;
        return {};
    }
    return textAtOffset(start - 1, boundaryType, startOffset, endOffset);
}

QString MemoAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                        int* startOffset, int* endOffset) const {
    int start = 0;
    int end = 0;
    textAtOffset(offset, boundaryType, &start, &end);
    if (end < 0 || end >= characterCount()) {
        *startOffset = *endOffset = -1;
        return {};
    }
    return textAtOffset(end, boundaryType, startOffset, endOffset);
}

int MemoAccessible::characterCount() const {
    return Text().CharacterCount();
}

QRect MemoAccessible::characterRect(int offset) const {
    const QRect local = Pane()->CharacterRect(Text().PositionOf(offset));
    return QRect(Pane()->viewport()->mapToGlobal(local.topLeft()), local.size());
}

int MemoAccessible::offsetAtPoint(const QPoint& point) const {
    const QPoint local = Pane()->viewport()->mapFromGlobal(point);
    if (!Pane()->viewport()->rect().contains(local)) {
        return -1;
    }
    return Text().OffsetOf(Pane()->PositionAt(local));
}

void MemoAccessible::scrollToSubstring(int startIndex, int endIndex) {
    Q_UNUSED(endIndex);
    Pane()->ScrollToLine(Text().PositionOf(startIndex).line);
}

QString MemoAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    // One font and colour throughout: no attributes to tell.
    *startOffset = 0;
    *endOffset = characterCount();
    Q_UNUSED(offset);
    return {};
}

}  // namespace kvq
