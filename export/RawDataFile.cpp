#include "RawDataFile.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace kvq {

RawDataWriter::RawDataWriter(int instrumentType, std::string fileName) : builder_(instrumentType) {
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
            if (report_.ok && WriteRecord(builder_.Record())) {
                ++report_.records;
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
    static const char kLineEnd[] = "\r\n";
    iovec parts[2] = {{const_cast<char*>(record.data()), record.size()},
                      {const_cast<char*>(kLineEnd), 2}};
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
    report_.readingsNotWritten = builder_.ReadingsOfOpenGroup();
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

SaveReport WriteRawDataFile(std::span<const std::string> lines, int instrumentType,
                            const std::string& fileName) {
    RawDataWriter writer(instrumentType, fileName);
    if (!writer.Open()) {
        return writer.Report();
    }
    for (const std::string& line : lines) {
        writer.Feed(line);
    }
    return writer.Finish();
}

}  // namespace kvq
