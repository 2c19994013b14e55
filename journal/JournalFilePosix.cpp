#include <fcntl.h>
#include <unistd.h>
#include <QFile>
#include <cerrno>

#include "JournalFile.h"

namespace kvq {

JournalFile::~JournalFile() {
    Close();
}

bool JournalFile::Fail(unsigned long error) {
    error_ = error;
    return false;
}

bool JournalFile::Open(const QString& fileName) {
    Close();
    // The received lines are the user's own: no one else reads them.
    fd_ = ::open(QFile::encodeName(fileName).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC,
                 0600);
    if (fd_ < 0) {
        return Fail(errno);
    }
    const off_t end = ::lseek(fd_, 0, SEEK_END);
    if (end < 0) {
        const int error = errno;
        Close();
        return Fail(error);
    }
    size_ = static_cast<std::uint64_t>(end);
    return true;
}

bool JournalFile::IsOpen() const {
    return fd_ >= 0;
}

void JournalFile::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    size_ = 0;
}

bool JournalFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Fail(errno);
        }
        size_ += static_cast<std::uint64_t>(n);
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool JournalFile::CutTo(std::uint64_t size) {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
        return Fail(errno);
    }
    size_ = size;
    return true;
}

bool JournalFile::SyncNow() {
    return ::fdatasync(fd_) == 0 || Fail(errno);
}

JournalFile::Duplicate JournalFile::Duplicated() const {
    return fd_ >= 0 ? ::fcntl(fd_, F_DUPFD_CLOEXEC, 0) : kNoDuplicate;
}

void JournalFile::Release(Duplicate duplicate, bool sync) {
    if (duplicate >= 0) {
        if (sync) {
            ::fdatasync(static_cast<int>(duplicate));
        }
        ::close(static_cast<int>(duplicate));
    }
}

}  // namespace kvq
