#include "LineJournal.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>

#include "JournalFormat.h"
#include "SystemErrorText.h"

namespace kvq {

namespace {

constexpr int kSyncIntervalMs = 1000;
// A journal is copied a piece at a time: it may hold a million lines.
constexpr qint64 kCopyChunk = 1 << 20;

// A name no other journal has: the time, this program's id and a count.
QString NewJournalName(const QString& folder) {
    static int made = 0;
    return QDir(folder).filePath(
        QStringLiteral("%1-%2-%3")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")))
            .arg(QCoreApplication::applicationPid())
            .arg(++made) +
        QLatin1String(kJournalSuffix));
}

// Copies `from` after its header and its first `lines` lines into `to`; false if a read or a
// write failed.
bool CopyAfterLines(QFile& from, std::size_t headerBytes, std::size_t lines, QSaveFile& to) {
    if (!from.seek(static_cast<qint64>(headerBytes))) {
        return false;
    }
    while (!from.atEnd()) {
        const QByteArray chunk = from.read(kCopyChunk);
        if (chunk.isEmpty()) {
            return false;
        }
        qsizetype at = 0;
        while (lines > 0 && at < chunk.size()) {
            const qsizetype end = chunk.indexOf('\n', at);
            at = end < 0 ? chunk.size() : end + 1;
            lines -= end < 0 ? 0 : 1;
        }
        if (at < chunk.size() && to.write(chunk.constData() + at, chunk.size() - at) < 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

QString JournalLockName(const QString& journalFileName) {
    return journalFileName + QStringLiteral(".lock");
}

LineJournal::LineJournal(QString folder) : folder_(std::move(folder)) {
    syncTimer_.setSingleShot(true);
    syncTimer_.setInterval(kSyncIntervalMs);
    syncTimer_.callOnTimeout([this] { Sync(); });
}

LineJournal::~LineJournal() {
    // sync_ goes first and syncs what waits before its thread ends.
    Sync();
}

void LineJournal::Append(std::span<const std::string> lines) {
    if (folder_.isEmpty() || failed_ || lines.empty() || (!file_.IsOpen() && !Start())) {
        return;
    }
    buffer_.clear();
    for (const std::string& line : lines) {
        buffer_ += line;
        buffer_ += '\n';
    }
    const std::uint64_t whole = file_.Size();
    if (!file_.Write(buffer_)) {
        const unsigned long error = file_.Error();
        // What the write left of a line goes: the file keeps whole lines only.
        file_.CutTo(whole);
        Fail(fileName_, SystemErrorText(error));
        return;
    }
    lines_ += lines.size();
    if (!syncTimer_.isActive()) {
        syncTimer_.start();
    }
}

bool LineJournal::Start() {
    QDir().mkpath(folder_);
    const QString name = NewJournalName(folder_);
    // Locked before it exists, so that no program starting meanwhile takes it for left behind.
    auto lock = std::make_unique<QLockFile>(JournalLockName(name));
    lock->setStaleLockTime(0);  // a program that runs for days still holds its lock
    if (!lock->tryLock(0)) {
        // Whatever keeps the lock from being made keeps the journal from it too: the system
        // says what, when the journal is tried.
        if (file_.Open(name)) {
            file_.Close();
            QFile::remove(name);
        }
        Fail(name, SystemErrorText(file_.Error()));
        return false;
    }
    if (!file_.Open(name) || !file_.Write(JournalHeader(type_).toStdString())) {
        Fail(name, SystemErrorText(file_.Error()));
        file_.Close();
        QFile::remove(name);
        return false;
    }
    fileName_ = name;
    lock_ = std::move(lock);
    lines_ = 0;
    return true;
}

void LineJournal::DropFirst(std::size_t lines) {
    if (!file_.IsOpen() || lines == 0) {
        return;
    }
    if (lines >= lines_) {
        RemoveFile();
        return;
    }
    if (const std::optional<std::string> failure = RewriteWithout(lines)) {
        // The file still holds the saved lines and the unsaved after them: nothing is lost.
        Fail(fileName_, *failure);
        return;
    }
    lines_ -= lines;
    Sync();
}

// The file replaced at once by one without its first `lines` lines, so that a program that
// ends meanwhile leaves either the one or the other.
std::optional<std::string> LineJournal::RewriteWithout(std::size_t lines) {
    file_.Close();
    QFile old(fileName_);
    QSaveFile next(fileName_);
    const QByteArray header = JournalHeader(type_);
    const bool copied = old.open(QIODevice::ReadOnly) && next.open(QIODevice::WriteOnly) &&
                        next.write(header) == header.size() &&
                        CopyAfterLines(old, static_cast<std::size_t>(header.size()), lines, next);
    old.close();
    std::optional<std::string> failure;
    if (!copied || !next.commit()) {
        const QString reason =
            old.error() != QFileDevice::NoError ? old.errorString() : next.errorString();
        failure = reason.toStdString();
        next.cancelWriting();
    }
    if (!file_.Open(fileName_)) {
        failure = SystemErrorText(file_.Error());
    }
    return failure;
}

void LineJournal::Remove() {
    RemoveFile();
    failed_ = false;
}

void LineJournal::RemoveFile() {
    syncTimer_.stop();
    if (fileName_.isEmpty()) {
        return;
    }
    file_.Close();
    // No longer a journal to offer once renamed; its blocks are freed beside the window.
    const QString removed = fileName_.chopped(qsizetype(sizeof kJournalSuffix - 1)) +
                            QLatin1String(kRemovedJournalSuffix);
    if (QFile::rename(fileName_, removed)) {
        sync_.Remove(removed);
    } else {
        QFile::remove(fileName_);
    }
    lock_.reset();
    fileName_.clear();
    lines_ = 0;
}

void LineJournal::Sync() {
    syncTimer_.stop();
    if (file_.IsOpen()) {
        sync_.Request(file_.Duplicated());
    }
}

void LineJournal::SyncNow() {
    syncTimer_.stop();
    if (file_.IsOpen()) {
        file_.SyncNow();
    }
}

void LineJournal::Adopt(LeftJournal left) {
    Remove();
    type_ = left.instrumentType;
    if (!file_.Open(left.fileName) || !file_.CutTo(left.wholeBytes)) {
        // Its lines stay in the file for the next start; this program keeps no journal.
        Fail(left.fileName, SystemErrorText(file_.Error()));
        file_.Close();
        return;
    }
    fileName_ = left.fileName;
    lock_ = std::move(left.lock);
    lines_ = left.lines;
}

void LineJournal::Fail(const QString& fileName, const std::string& reason) {
    failed_ = true;
    if (onFailure) {
        onFailure(QDir::toNativeSeparators(fileName), reason);
    }
}

}  // namespace kvq
