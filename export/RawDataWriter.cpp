#include "RawDataWriter.h"

#include <chrono>
#include <future>

#include "PaneLineStore.h"
#include "SystemErrorText.h"

namespace kvq {

namespace {

// Large enough that the system calls vanish from the cost of a save.
constexpr std::size_t kBufferBytes = 256 * 1024;
// How often the caller's `aside` runs while the file is flushed to disk.
constexpr std::chrono::milliseconds kAsideWhileFlushing{5};

}  // namespace

RawDataWriter::RawDataWriter(int instrumentType, std::string fileName, WriteMode mode)
    : builder_(instrumentType), mode_(mode) {
    report_.fileName = std::move(fileName);
}

RawDataWriter::~RawDataWriter() = default;

Opening RawDataWriter::Open(Replacement how) {
    const Opening opening = file_.Create(report_.fileName, how);
    if (opening != Opening::kOpened) {
        Fail("open", file_.Error());
    }
    return opening;
}

void RawDataWriter::UseDescriptor(int fd) {
    file_.Adopt(fd);
}

void RawDataWriter::Feed(std::string_view line) {
    ++report_.linesRead;
    switch (builder_.Next(line)) {
        case LineOutcome::kRecord:
            if (report_.ok) {
                WriteRecord(builder_.Record());
            }
            break;
        case LineOutcome::kTaken:
            break;
        case LineOutcome::kSkipped:
            ++report_.linesSkipped;
            break;
    }
}

bool RawDataWriter::WriteRecord(std::string_view record) {
    static constexpr std::string_view kLineEnd = "\r\n";
    if (mode_ == WriteMode::kEveryRecord) {
        if (!WriteBytes(record, kLineEnd)) {
            return false;
        }
        ++report_.records;
        return true;
    }
    // Buffered records count as written once they have reached the file.
    buffer_.append(record).append(kLineEnd);
    ++bufferedRecords_;
    return buffer_.size() < kBufferBytes || FlushBuffer();
}

bool RawDataWriter::FlushBuffer() {
    if (buffer_.empty()) {
        return true;
    }
    const bool ok = WriteBytes(buffer_, {});
    if (ok) {
        report_.records += bufferedRecords_;
    }
    buffer_.clear();
    bufferedRecords_ = 0;
    return ok;
}

bool RawDataWriter::WriteBytes(std::string_view bytes, std::string_view lineEnd) {
    if (!file_.Write(bytes, lineEnd)) {
        Fail("write", file_.Error());
        // A full disk takes part of a record: the file keeps whole records or says it may not.
        if (file_.Cuttable()) {
            report_.end =
                file_.CutTo(wholeRecordBytes_) ? FileEnd::kWholeRecords : FileEnd::kMayEndInPart;
        }
        return false;
    }
    wholeRecordBytes_ += bytes.size() + lineEnd.size();
    return true;
}

const SaveReport& RawDataWriter::Finish(const std::function<void()>& aside) {
    if (report_.ok) {
        FlushBuffer();
    }
    report_.readingsNotWritten = builder_.ReadingsOfOpenGroup();
    if (report_.ok && !CommitFile(aside)) {
        Fail(file_.FailedStep(), file_.Error());
    }
    if (!report_.ok) {
        report_.existingFileKept = file_.Beside();
        file_.Discard();
    }
    return report_;
}

bool RawDataWriter::CommitFile(const std::function<void()>& aside) {
    if (!aside) {
        return file_.Commit();
    }
    // The file is this thread's again once the flush has ended: nothing else touches it meanwhile.
    std::future<bool> committed = std::async(std::launch::async, [this] { return file_.Commit(); });
    while (committed.wait_for(kAsideWhileFlushing) != std::future_status::ready) {
        aside();
    }
    return committed.get();
}

void RawDataWriter::Fail(const char* operation, unsigned long error) {
    report_.ok = false;
    report_.failedOperation = operation;
    report_.errorCode = static_cast<int>(error);
    report_.errorText = SystemErrorText(error);
}

SaveReport WriteRawDataFile(const PaneLineStore& lines, int instrumentType,
                            const std::string& fileName, WriteMode mode) {
    RawDataWriter writer(instrumentType, fileName, mode);
    if (writer.Open() != Opening::kOpened) {
        return writer.Report();
    }
    return WriteRawDataFile(lines, writer);
}

const SaveReport& WriteRawDataFile(const PaneLineStore& lines, RawDataWriter& writer,
                                   const std::function<void()>& aside) {
    constexpr std::size_t kLinesBetweenAsides = 1024;
    const std::size_t count = lines.Count();
    // Count() is asked again: whatever `aside` does, no line beyond the store is read.
    for (std::size_t i = 0; i < count && i < lines.Count(); ++i) {
        if (aside && i % kLinesBetweenAsides == kLinesBetweenAsides - 1) {
            aside();
        }
        writer.Feed(lines.ReadBack(i));
    }
    return writer.Finish(aside);
}

}  // namespace kvq
