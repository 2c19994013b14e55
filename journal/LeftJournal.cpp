#include "LeftJournal.h"

#include <QDir>
#include <QFile>
#include <cstring>
#include <optional>

#include "JournalFormat.h"

namespace kvq {

namespace {

// Read a piece at a time: a journal may hold a million lines.
constexpr qint64 kReadChunk = 1 << 20;
// Lines handed over at once: few enough that a batch costs little memory.
constexpr std::size_t kBatchLines = 4096;

// Counts its whole lines, and where the last one ends; nothing if it is no journal.
std::optional<LeftJournal> Look(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const std::optional<JournalStart> start = ReadJournalHeader(file.read(256));
    if (!start || !file.seek(static_cast<qint64>(start->headerBytes))) {
        return std::nullopt;
    }
    LeftJournal left;
    left.fileName = fileName;
    left.instrumentType = start->instrumentType;
    left.wholeBytes = start->headerBytes;
    std::uint64_t at = start->headerBytes;
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(kReadChunk);
        if (chunk.isEmpty()) {
            return std::nullopt;
        }
        for (const char *p = chunk.constData(), *end = p + chunk.size();
             (p = static_cast<const char*>(std::memchr(p, '\n', end - p))) != nullptr; ++p) {
            ++left.lines;
            left.wholeBytes = at + static_cast<std::uint64_t>(p - chunk.constData()) + 1;
        }
        at += static_cast<std::uint64_t>(chunk.size());
    }
    return left;
}

}  // namespace

std::vector<LeftJournal> JournalsLeftBehind(const QString& folder) {
    const QDir dir(folder);
    for (const QString& removed :
         dir.entryList({QLatin1Char('*') + QLatin1String(kRemovedJournalSuffix)}, QDir::Files)) {
        QFile::remove(dir.filePath(removed));
    }
    std::vector<LeftJournal> found;
    // Names begin with the time they were made.
    const QStringList names = dir.entryList({QLatin1Char('*') + QLatin1String(kJournalSuffix)},
                                            QDir::Files, QDir::Name | QDir::Reversed);
    for (const QString& name : names) {
        const QString fileName = dir.filePath(name);
        auto lock = std::make_unique<QLockFile>(JournalLockName(fileName));
        lock->setStaleLockTime(0);
        // A live program holds its journal's lock; a dead one's lock is taken over.
        if (!lock->tryLock(0)) {
            continue;
        }
        std::optional<LeftJournal> left = Look(fileName);
        if (!left) {
            continue;
        }
        left->lock = std::move(lock);
        if (left->lines == 0) {
            DiscardJournal(std::move(*left));  // ended before its first line was whole
            continue;
        }
        found.push_back(std::move(*left));
    }
    return found;
}

bool ReadJournalLines(const LeftJournal& left,
                      const std::function<void(std::span<const std::string>)>& batch) {
    QFile file(left.fileName);
    const std::optional<JournalStart> start =
        file.open(QIODevice::ReadOnly) ? ReadJournalHeader(file.read(256)) : std::nullopt;
    if (!start || !file.seek(static_cast<qint64>(start->headerBytes))) {
        return false;
    }
    std::vector<std::string> lines;
    std::string partial;
    std::uint64_t remaining = left.wholeBytes - start->headerBytes;
    while (remaining > 0) {
        const QByteArray chunk =
            file.read(static_cast<qint64>(std::min<std::uint64_t>(remaining, kReadChunk)));
        if (chunk.isEmpty()) {
            return false;
        }
        remaining -= static_cast<std::uint64_t>(chunk.size());
        std::string_view rest(chunk.constData(), static_cast<std::size_t>(chunk.size()));
        for (std::size_t end; (end = rest.find('\n')) != rest.npos; rest.remove_prefix(end + 1)) {
            partial.append(rest.substr(0, end));
            lines.push_back(std::move(partial));
            partial.clear();
            if (lines.size() == kBatchLines) {
                batch(lines);
                lines.clear();
            }
        }
        partial.append(rest);
    }
    if (!lines.empty()) {
        batch(lines);
    }
    return true;
}

void DiscardJournal(LeftJournal left) {
    QFile::remove(left.fileName);
    left.lock.reset();
}

}  // namespace kvq
