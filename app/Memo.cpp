#include "Memo.h"

#include <QScrollBar>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>

#include "PaneLines.h"

#ifdef _WIN32
#include <windows.h>
#endif

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

#ifdef _WIN32

// A Qt without ICU has no GBK codec on Windows; the system's own code page 936 is GBK.
QString DecodeGbk(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return {};
    }
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(936, 0, bytes.constData(), size, nullptr, 0);
    QString text(length, Qt::Uninitialized);
    MultiByteToWideChar(936, 0, bytes.constData(), size,
                        reinterpret_cast<wchar_t*>(text.data()), length);
    return text;
}

#else

QString DecodeGbk(const QByteArray& bytes) {
    QStringDecoder decoder("GBK");
    if (!decoder.isValid()) {
        // Without a GBK codec in this Qt build every byte still shows as one character.
        return QString::fromLatin1(bytes);
    }
    return decoder.decode(bytes);
}

#endif

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
