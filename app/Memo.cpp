#include "Memo.h"

#include <QScrollBar>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>

#include "PaneLines.h"

namespace kvq {

Memo::Memo(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // An undo history of a read-only pane would only hold a second copy of every line.
    setUndoRedoEnabled(false);
}

void Memo::AppendLines(std::span<const std::string> lines) {
    if (lines.empty()) {
        return;
    }
    const std::size_t first = lines_.size();
    for (const std::string& line : lines) {
        lines_.emplace_back(PaneStoredLine(line));
    }
    const QString text = DisplayText(std::span(lines_).subspan(first));

    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    if (first > 0) {
        cursor.insertBlock();
    }
    cursor.insertText(text);
    cursor.endEditBlock();

    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

void Memo::Clear() {
    lines_.clear();
    clear();
}

namespace {

QString DecodeGbk(const QByteArray& bytes) {
    QStringDecoder decoder("GBK");
    if (!decoder.isValid()) {
        // Without a GBK codec in this Qt build every byte still shows as one character.
        return QString::fromLatin1(bytes);
    }
    return decoder.decode(bytes);
}

}  // namespace

QString DisplayText(std::span<const std::string> lines) {
    QByteArray bytes;
    for (const std::string& line : lines) {
        bytes.append(line.data(), static_cast<qsizetype>(line.size()));
        bytes.append('\n');
    }
    // The line feed after the last line also ends a double-byte character cut short there,
    // which then shows as a replacement character instead of vanishing.
    QString text = DecodeGbk(bytes);
    text.chop(1);
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 && u != u'\n' && u != u'\t') {
            c = QChar(char16_t(0x2400 + u));
        } else if (u == 0x7F) {
            c = QChar(char16_t(0x2421));
        }
    }
    return text;
}

}  // namespace kvq
