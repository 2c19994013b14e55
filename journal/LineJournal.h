#pragma once

#include <QLockFile>
#include <QString>
#include <QTimer>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "BackgroundSync.h"
#include "JournalFile.h"
#include "LeftJournal.h"

namespace kvq {

// The received lines not yet saved, kept in a file of their own while the program runs, so
// that a crash, a kill or a power cut loses none of them. Each read step's lines reach the file
// (the system's cache, which outlives the program) in one write before they reach the pane;
// they go on to the disk within a second, and at once when asked. The file holds the unsaved
// lines and no others (JournalFormat.h).
//
// Each program writes a file of its own and holds its lock while the file exists, so that a
// second program started meanwhile neither offers its lines back nor removes them.
class LineJournal {
public:
    // With an empty folder nothing is kept.
    explicit LineJournal(QString folder);
    // The file stays: only Remove takes it away.
    ~LineJournal();
    LineJournal(const LineJournal&) = delete;
    LineJournal& operator=(const LineJournal&) = delete;

    // The instrument type the lines of the next file come under.
    void SetInstrumentType(int type) { type_ = type; }
    // Appends a read step's lines, starting a file when there is none.
    void Append(std::span<const std::string> lines);
    // The first `lines` lines are saved: only the rest stay.
    void DropFirst(std::size_t lines);
    // The lines are saved or given up: the file goes.
    void Remove();
    // What was written goes to the disk soon (a stop) or before this returns (the session ends).
    void Sync();
    void SyncNow();
    // Takes over a file left behind whose lines are in the pane again: new lines follow them.
    void Adopt(LeftJournal left);

    const QString& Folder() const { return folder_; }
    std::size_t Lines() const { return lines_; }
    // The file's name; empty while there is none.
    const QString& FileName() const { return fileName_; }

    // Told once when the file cannot be written, with its name and the system's reason. Lines
    // are then not kept until the next file starts (after Remove); the file keeps its whole
    // lines.
    std::function<void(const QString& fileName, const std::string& reason)> onFailure;

private:
    bool Start();
    // The reason, if it failed.
    std::optional<std::string> RewriteWithout(std::size_t lines);
    // The file goes; a failure still stands.
    void RemoveFile();
    void Fail(const QString& fileName, const std::string& reason);

    QString folder_;
    int type_ = 0;
    QString fileName_;
    std::unique_ptr<QLockFile> lock_;  // held while the file exists
    JournalFile file_;
    std::size_t lines_ = 0;
    bool failed_ = false;
    std::string buffer_;  // a read step's lines as written, kept to spare an allocation each
    QTimer syncTimer_;
    BackgroundSync sync_;
};

}  // namespace kvq
