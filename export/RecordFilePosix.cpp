#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>

#include "RecordFile.h"

namespace kvq {

namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The folder's entries on disk, after a file was created or renamed in it. A folder that
// cannot be opened for reading is left to the system.
int FlushFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    // EINVAL: a file system that has nothing to flush for a folder.
    const int error = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    ::close(fd);
    return error;
}

}  // namespace

RecordFile::~RecordFile() {
    Discard();
}

bool RecordFile::Fail(unsigned long error) {
    error_ = error;
    return false;
}

bool RecordFile::FailAt(const char* step, unsigned long error) {
    failedStep_ = step;
    return Fail(error);
}

Opening RecordFile::Create(const std::string& fileName, Replacement how) {
    struct stat old {};
    const bool exists = ::stat(fileName.c_str(), &old) == 0;
    if (!exists || !S_ISREG(old.st_mode) || how == Replacement::kInPlace) {
        if (!exists) {
            newEntryIn_ = FolderOf(fileName);
        }
        return CreateInPlace(fileName);
    }
    return CreateBeside(fileName, old);
}

Opening RecordFile::CreateInPlace(const std::string& fileName) {
    fd_ = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        newEntryIn_.clear();
        Fail(errno);
        return Opening::kRefused;
    }
    owned_ = true;
    struct stat st {};
    regular_ = ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode);
    return Opening::kOpened;
}

Opening RecordFile::CreateBeside(const std::string& fileName, const struct stat& old) {
    // A file the user may not write is refused, as it would be written in place.
    if (::faccessat(AT_FDCWD, fileName.c_str(), W_OK, AT_EACCESS) != 0) {
        Fail(errno);
        return Opening::kRefused;
    }
    // Through a symbolic link the file it points to is replaced; the link stays.
    char* resolved = ::realpath(fileName.c_str(), nullptr);
    if (resolved == nullptr) {
        Fail(errno);
        return Opening::kRefused;
    }
    target_ = resolved;
    std::free(resolved);
    const std::string folder = FolderOf(target_);
    std::string name = folder + "/." + target_.substr(target_.rfind('/') + 1) + ".XXXXXX";
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) {
        Fail(errno);
        return Opening::kNoReplacementBeside;
    }
    owned_ = true;
    regular_ = true;
    temporary_ = name;
    newEntryIn_ = folder;
    // The old file's group where the user may (before the mode: a change of group clears the
    // set-group-ID bit), then its permissions.
    if (::fchown(fd_, static_cast<uid_t>(-1), old.st_gid) != 0) {
        // The user is not in that group: the file gets the user's own.
    }
    if (::fchmod(fd_, old.st_mode & 07777U) != 0) {
        Fail(errno);
        Discard();
        return Opening::kNoReplacementBeside;
    }
    return Opening::kOpened;
}

void RecordFile::Adopt(int descriptor) {
    fd_ = descriptor;
    owned_ = false;
    regular_ = false;
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

bool RecordFile::Commit() {
    if (!owned_) {
        fd_ = -1;  // a descriptor given to it stays open; its owner flushes it
        return true;
    }
    return Flush() && CloseFile() && PutInPlace();
}

// The bytes on disk before the save counts as done: a laptop that loses power a minute later
// still holds the file.
bool RecordFile::Flush() {
    if (regular_ && ::fsync(fd_) != 0) {
        return FailAt("flush", errno);
    }
    return true;
}

bool RecordFile::CloseFile() {
    const int fd = fd_;
    fd_ = -1;
    owned_ = false;
    if (::close(fd) != 0) {
        return FailAt("close", errno);
    }
    return true;
}

bool RecordFile::PutInPlace() {
    if (!temporary_.empty()) {
        if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
            return FailAt("replace", errno);
        }
        temporary_.clear();
    }
    if (!newEntryIn_.empty()) {
        if (const int error = FlushFolder(newEntryIn_); error != 0) {
            return FailAt("flush", static_cast<unsigned long>(error));
        }
    }
    return true;
}

void RecordFile::Discard() {
    if (owned_ && fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = -1;
    owned_ = false;
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

}  // namespace kvq
