#pragma once

#include <QByteArrayView>
#include <QString>

namespace kvq {

// GBK's double-byte characters: a lead byte, then a trail byte.
inline bool IsGbkLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

inline bool IsGbkTrailByte(unsigned char c) {
    return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

// GBK bytes as text: one character for each byte below 0x80, for each lead byte with its
// trail byte and for each other byte (a replacement character where GBK has none). Each
// system has its own decoder: Qt's GBK codec on Linux, code page 936 on Windows.
QString DecodeGbk(QByteArrayView bytes);

}  // namespace kvq
