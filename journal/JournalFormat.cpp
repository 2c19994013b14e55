#include "JournalFormat.h"

namespace kvq {

namespace {

constexpr char kMagic[] = "KVQ-TRANSFER UNSAVED LINES 1 TYPE ";

}  // namespace

QByteArray JournalHeader(int instrumentType) {
    return QByteArray(kMagic) + QByteArray::number(instrumentType) + '\n';
}

std::optional<JournalStart> ReadJournalHeader(const QByteArray& firstBytes) {
    const qsizetype end = firstBytes.indexOf('\n');
    if (!firstBytes.startsWith(kMagic) || end < 0) {
        return std::nullopt;
    }
    bool ok = false;
    const qsizetype from = sizeof kMagic - 1;
    const int type = firstBytes.mid(from, end - from).toInt(&ok);
    if (!ok || type < 0) {
        return std::nullopt;
    }
    return JournalStart{type, static_cast<std::size_t>(end + 1)};
}

}  // namespace kvq
