#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>
#include <cerrno>

#include "RecordFile.h"

namespace kvq {

RecordFile::~RecordFile() {
    if (owned_ && fd_ >= 0) {
        ::close(fd_);
    }
}

bool RecordFile::Fail(unsigned long error) {
    error_ = error;
    return false;
}

bool RecordFile::Create(const std::string& fileName) {
    fd_ = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        return Fail(errno);
    }
    owned_ = true;
    return true;
}

void RecordFile::Adopt(int descriptor) {
    fd_ = descriptor;
    owned_ = false;
}

bool RecordFile::IsOpen() const {
    return fd_ >= 0;
}

bool RecordFile::Write(std::string_view first, std::string_view second) {
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
            return Fail(errno);
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

bool RecordFile::CutTo(std::uint64_t size) {
    while (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
        if (errno != EINTR) {
            return Fail(errno);
        }
    }
    return true;
}

bool RecordFile::Close() {
    const int fd = fd_;
    const bool owned = owned_;
    fd_ = -1;
    owned_ = false;
    if (owned && fd >= 0 && ::close(fd) != 0) {
        return Fail(errno);
    }
    return true;
}

}  // namespace kvq
