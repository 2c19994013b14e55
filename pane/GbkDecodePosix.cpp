#include <QStringDecoder>

#include "GbkDecode.h"

namespace kvq {

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

}  // namespace kvq
