#include "RawDataFile.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "PaneLineStore.h"

namespace kvq {

namespace {

// Large enough that the system calls vanish from the cost of a save.
constexpr std::size_t kBufferBytes = 256 * 1024;

}  // namespace

RawDataWriter::RawDataWriter(int instrumentType, std::string fileName, WriteMode mode)
    : builder_(instrumentType), mode_(mode) {
    report_.fileName = std::move(fileName);
}

RawDataWriter::~RawDataWriter() {
    if (ownsFd_ && fd_ >= 0) {
        ::close(fd_);
    }
}

bool RawDataWriter::Open() {
    // Shared: other programs may go on reading and writing the file meanwhile.
    fd_ = ::open(report_.fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        Fail("open", errno);
        return false;
    }
    ownsFd_ = true;
    return true;
}

void RawDataWriter::UseDescriptor(int fd) {
    fd_ = fd;
    ownsFd_ = false;
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

bool RawDataWriter::WriteBytes(std::string_view first, std::string_view second) {
    iovec parts[2] = {{const_cast<char*>(first.data()), first.size()},
                      {const_cast<char*>(second.data()), second.size()}};
    iovec* part = parts;
    int count = 2;
    while (count > 0) {
        const ssize_t n = ::writev(fd_, part, count);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            Fail("write", errno);
            return false;
        }
        // A short write (a full pipe, a signal) continues where it stopped.
        auto done = static_cast<std::size_t>(n);
        while (count > 0 && done >= part->iov_len) {
            done -= part->iov_len;
            ++part;
            --count;
        }
        if (count > 0) {
            part->iov_base = static_cast<char*>(part->iov_base) + done;
            part->iov_len -= done;
        }
    }
    return true;
}

const SaveReport& RawDataWriter::Finish() {
    if (report_.ok) {
        FlushBuffer();
    }
    if (ownsFd_ && fd_ >= 0) {
        const int fd = fd_;
        fd_ = -1;
        ownsFd_ = false;
        if (::close(fd) != 0 && report_.ok) {
            Fail("close", errno);
        }
    }
    return report_;
}

void RawDataWriter::Fail(const char* operation, int error) {
    report_.ok = false;
    report_.failedOperation = operation;
    report_.errorCode = error;
    report_.errorText = std::strerror(error);
}

SaveReport WriteRawDataFile(const PaneLineStore& lines, int instrumentType,
                            const std::string& fileName, WriteMode mode) {
    RawDataWriter writer(instrumentType, fileName, mode);
    if (!writer.Open()) {
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
    return writer.Finish();
}

}  // namespace kvq
