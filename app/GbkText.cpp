#include "GbkText.h"

#include <QByteArray>
#include <QStringDecoder>

#ifdef _WIN32
#include <windows.h>
#endif

namespace kvq {

namespace {

#ifdef _WIN32

// A Qt without ICU has no GBK codec on Windows; the system's own code page 936 is GBK.
QString DecodeGbk(QByteArrayView bytes) {
    if (bytes.isEmpty()) {
        return {};
    }
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(936, 0, bytes.data(), size, nullptr, 0);
    QString text(length, Qt::Uninitialized);
    MultiByteToWideChar(936, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(text.data()),
                        length);
    return text;
}

#else

QString DecodeGbk(QByteArrayView bytes) {
    // One decoder for the thread: opening a converter per line would cost more than the line.
    thread_local QStringDecoder decoder("GBK");
    if (!decoder.isValid()) {
        // Without a GBK codec in this Qt build every byte still shows as one character.
        return QString::fromLatin1(bytes);
    }
    decoder.resetState();
    return decoder.decode(bytes);
}

#endif

void ShowControlPictures(QString& text) {
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 && u != u'\t') {
            c = QChar(char16_t(0x2400 + u));
        } else if (u == 0x7F) {
            c = QChar(char16_t(0x2421));
        }
    }
}

}  // namespace

QString GbkLineText(std::string_view bytes) {
    // A line feed after the line ends a double-byte character cut short at its end, which
    // then shows as a replacement character instead of vanishing in the decoder's state.
    QByteArray ended;
    ended.reserve(static_cast<qsizetype>(bytes.size()) + 1);
    ended.append(bytes.data(), static_cast<qsizetype>(bytes.size()));
    ended.append('\n');
    QString text = DecodeGbk(ended);
    text.chop(1);
    ShowControlPictures(text);
    return text;
}

}  // namespace kvq
