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

// What a failed write left at the end of a file written in place.
enum class FileEnd {
    kNotCut,        // nothing was cut (no write failed, or not a regular file of its own)
    kWholeRecords,  // cut back to its `records` whole records: no reader takes half a record
    kMayEndInPart,  // the cut failed too: the file may end in part of a record
};

// What a save did.
struct SaveReport {
    bool ok = true;
    std::size_t linesRead = 0;
    std::size_t records = 0;  // whole records written
    FileEnd end = FileEnd::kNotCut;
    // A failed save into a temporary file left the existing file as it was; the temporary file
    // is gone.
    bool existingFileKept = false;
    std::size_t linesSkipped = 0;
    std::size_t readingsNotWritten = 0;  // type 2: readings of an incomplete last group
    std::string fileName;
    std::string failedOperation;  // "open", "write", "flush", "close" or "replace"
    int errorCode = 0;            // errno, or the Win32 error code on Windows
    std::string errorText;        // the system's text for errorCode

    // Lines were there and none made a record: the file is empty, most likely because the
    // instrument type is wrong.
    bool NoLineMadeARecord() const { return records == 0 && linesRead > 0; }
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

    // Opens the file (RecordFile::Create); unless kOpened the report says why. A write that
    // fails later cuts a file written in place back to its whole records.
    Opening Open(Replacement how = Replacement::kBeside);
    // Writes standard output instead of a named file (the file name is kept for reports).
    void UseDescriptor(int fd);
    void Feed(std::string_view line);
    // Ends the file and returns the report: after a save without failure the file is on disk
    // and in place of an old one (a descriptor given by UseDescriptor stays open, unflushed);
    // after a failure a temporary file is removed.
    // Flushing a large file to disk takes a tenth of a second or more: with `aside` the flush
    // runs on a thread of its own while this one goes on calling `aside` (see WriteRawDataFile).
    const SaveReport& Finish(const std::function<void()>& aside = {});

    const SaveReport& Report() const { return report_; }

private:
    bool WriteRecord(std::string_view record);
    bool FlushBuffer();
    bool CommitFile(const std::function<void()>& aside);
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
};

// Saves the pane's lines, as read back from it, with one instrument type into a file that it
// creates or replaces (through a temporary file beside it); returns the writer's report.
SaveReport WriteRawDataFile(const PaneLineStore& lines, int instrumentType,
                            const std::string& fileName, WriteMode mode = WriteMode::kEveryRecord);
// The same into a writer the caller has opened (standard output, for one). A long save calls
// `aside` now and then between lines (a window keeps its event loop going there); the lines
// saved are those the store held when the save began.
const SaveReport& WriteRawDataFile(const PaneLineStore& lines, RawDataWriter& writer,
                                   const std::function<void()>& aside = {});

}  // namespace kvq
