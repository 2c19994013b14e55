#include <windows.h>

#include "GbkDecode.h"

namespace kvq {

namespace {

// One character of code page 936, or nothing if the system has none for these bytes.
bool AppendCodePage936(QString& text, const char* bytes, int size) {
    wchar_t wide[2];
    const int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes, size, wide, 2);
    if (n <= 0) {
        return false;
    }
    text.append(QStringView(reinterpret_cast<const char16_t*>(wide), n));
    return true;
}

}  // namespace

// A Qt without ICU has no GBK codec on Windows; the system's own code page 936 is GBK. It is
// asked one character at a time, since what it does with malformed bytes differs between
// systems (Wine swallows the byte after a lone lead byte, a line feed too): a lead byte
// without its second byte is one replacement character and the next byte counts on its own,
// as in the GBK codec of the Linux build.
QString DecodeGbk(QByteArrayView bytes) {
    QString text;
    text.reserve(bytes.size());
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        const unsigned char c = data[i];
        if (c < 0x80) {
            text.append(QChar(char16_t(c)));
            ++i;
        } else if (IsGbkLeadByte(c) && i + 1 < size && IsGbkTrailByte(data[i + 1])) {
            if (!AppendCodePage936(text, bytes.data() + i, 2)) {
                text.append(QChar(QChar::ReplacementCharacter));
            }
            i += 2;
        } else {
            if (IsGbkLeadByte(c) || !AppendCodePage936(text, bytes.data() + i, 1)) {
                text.append(QChar(QChar::ReplacementCharacter));
            }
            ++i;
        }
    }
    return text;
}

}  // namespace kvq
