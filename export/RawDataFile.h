#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "RecordBuilder.h"
#include "RecordFile.h"

namespace kvq {

// What a save did. On failure the records written before it stay in the file.
struct SaveReport {
    bool ok = true;
    std::size_t linesRead = 0;
    std::size_t records = 0;
    std::size_t linesSkipped = 0;
    std::size_t readingsNotWritten = 0;  // type 2: readings of an incomplete last group
    std::string fileName;
    std::string failedOperation;  // "open", "write" or "close"
    int errorCode = 0;  // errno, or the Win32 error code on Windows
    std::string errorText;  // the system's text for errorCode
};

// Writes a ".kvq" file line by line: each record is written with its CR LF in one system
// call, so it reaches the operating system before the next line is looked at. After the
// first failure nothing more is written.
class RawDataWriter {
public:
    RawDataWriter(int instrumentType, std::string fileName);
    ~RawDataWriter();
    RawDataWriter(const RawDataWriter&) = delete;
    RawDataWriter& operator=(const RawDataWriter&) = delete;

    // Creates the file or cuts it to zero length. An existing file that cannot be opened
    // is left as it was.
    bool Open();
    // Writes standard output instead of a named file (the file name is kept for reports).
    void UseDescriptor(int fd);
    void Feed(std::string_view line);
    // Closes the file (a descriptor given by UseDescriptor stays open) and returns the report.
    const SaveReport& Finish();

    const SaveReport& Report() const { return report_; }

private:
    bool WriteRecord(std::string_view record);
    void Fail(const char* operation, unsigned long error);

    RecordBuilder builder_;
    SaveReport report_;
    RecordFile file_;
};

// Saves the given text-pane lines (as read back from the pane) with one instrument type.
SaveReport WriteRawDataFile(std::span<const std::string> lines, int instrumentType,
                            const std::string& fileName);

}  // namespace kvq
