#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "RecordBuilder.h"
#include "RecordFile.h"

namespace kvq {

class PaneLineStore;

// How records reach the operating system.
enum class WriteMode {
    // Each record with its CR LF in one system call before the next line is looked at: the
    // window's save promises that a file holds every record up to the last one written.
    kEveryRecord,
    // Records gathered into large writes: kvq-convert, which makes no such promise.
    kBuffered,
};

// What a save did. On failure the records written before it stay in the file.
struct SaveReport {
    bool ok = true;
    std::size_t linesRead = 0;
    std::size_t records = 0;  // whole records in the file
    // A write failed and the file was cut back to its `records` whole records, so that no
    // reader takes a record's first half for data.
    bool cutToWholeRecords = false;
    std::size_t linesSkipped = 0;
    std::size_t readingsNotWritten = 0;  // type 2: readings of an incomplete last group
    std::string fileName;
    std::string failedOperation;  // "open", "write" or "close"
    int errorCode = 0;            // errno, or the Win32 error code on Windows
    std::string errorText;        // the system's text for errorCode
};

// Writes a ".kvq" file line by line, record by record or buffered (WriteMode). After the first
// failure nothing more is written.
class RawDataWriter {
public:
    RawDataWriter(int instrumentType, std::string fileName,
                  WriteMode mode = WriteMode::kEveryRecord);
    ~RawDataWriter();
    RawDataWriter(const RawDataWriter&) = delete;
    RawDataWriter& operator=(const RawDataWriter&) = delete;

    // Creates the file or cuts it to zero length. An existing file that cannot be opened
    // is left as it was. A write that fails later cuts this file back to its whole records.
    bool Open();
    // Writes standard output instead of a named file (the file name is kept for reports).
    void UseDescriptor(int fd);
    void Feed(std::string_view line);
    // Closes the file (a descriptor given by UseDescriptor stays open) and returns the report.
    const SaveReport& Finish();

    const SaveReport& Report() const { return report_; }

private:
    bool WriteRecord(std::string_view record);
    bool FlushBuffer();
    // Every byte of the file goes through here.
    bool WriteBytes(std::string_view bytes, std::string_view lineEnd);
    void Fail(const char* operation, unsigned long error);

    RecordBuilder builder_;
    SaveReport report_;
    WriteMode mode_;
    std::string buffer_;
    std::size_t bufferedRecords_ = 0;
    RecordFile file_;
    std::uint64_t wholeRecordBytes_ = 0;  // the bytes of the whole records written
    bool cutOnFailure_ = false;           // a file of its own, not a descriptor given to it
};

// Saves the pane's lines, as read back from it, with one instrument type into a file that it
// creates or replaces; returns the writer's report. The window's save and kvq-convert both
// come here.
SaveReport WriteRawDataFile(const PaneLineStore& lines, int instrumentType,
                            const std::string& fileName, WriteMode mode = WriteMode::kEveryRecord);
// The same into a writer the caller has opened (standard output, for one). A long save calls
// `aside` now and then between lines (a window keeps its event loop going there); the lines
// saved are those the store held when the save began.
const SaveReport& WriteRawDataFile(const PaneLineStore& lines, RawDataWriter& writer,
                                   const std::function<void()>& aside = {});

}  // namespace kvq
