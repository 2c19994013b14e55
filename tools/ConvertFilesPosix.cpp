#include "ConvertFiles.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace kvq {

namespace {

std::string Reason(const std::string& name, int error) {
    return name + ": " + std::strerror(error);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A terminal or /dev/null reads and writes independent streams: being both input and
// output harms nothing.
bool SharedStreamIsHarmless(const struct stat& st) {
    return S_ISCHR(st.st_mode);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The mode a newly created file gets: what the window's save would create.
unsigned NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666U & ~static_cast<unsigned>(mask);
}

}  // namespace

ConvertInput::~ConvertInput() {
    if (owned_ && fd_ >= 0) {
        ::close(fd_);
    }
}

bool ConvertInput::Open(const std::string& argument, std::string& error) {
    if (argument == "-") {
        fd_ = STDIN_FILENO;
        name_ = "standard input";
    } else {
        name_ = argument;
        fd_ = ::open(argument.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) {
            error = Reason(name_, errno);
            return false;
        }
        owned_ = true;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        error = Reason(name_, errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error = Reason(name_, EISDIR);
        return false;
    }
    return true;
}

long ConvertInput::Read(char* buffer, std::size_t size, std::string& error) {
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, size);
        if (n >= 0) {
            return static_cast<long>(n);
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            pollfd ready{fd_, POLLIN, 0};
            if (::poll(&ready, 1, -1) >= 0 || errno == EINTR) {
                continue;
            }
        } else if (errno == EINTR) {
            continue;
        }
        error = Reason(name_, errno);
        return -1;
    }
}

ConvertOutput::~ConvertOutput() {
    if (owned_ && fd_ >= 0) {
        ::close(fd_);
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
}

bool ConvertOutput::StandardOutputIsInput(const ConvertInput& input) const {
    struct stat in {};
    struct stat out {};
    return ::fstat(input.Descriptor(), &in) == 0 && ::fstat(fd_, &out) == 0 && SameFile(in, out) &&
           !SharedStreamIsHarmless(out);
}

bool ConvertOutput::OpenNamed(const std::string& path, const ConvertInput& input,
                              std::string& error) {
    name_ = path;
    struct stat out {};
    if (::stat(path.c_str(), &out) != 0) {
        if (errno != ENOENT) {
            error = Reason(path, errno);
            return false;
        }
        return OpenTemporary(path, false, NewFileMode(), error);
    }
    struct stat in {};
    if (::fstat(input.Descriptor(), &in) == 0 && SameFile(in, out) &&
        !SharedStreamIsHarmless(out)) {
        error = input.Name() + " and " + path + " are the same file; nothing was written";
        return false;
    }
    if (!S_ISREG(out.st_mode)) {
        // A device or a pipe is written in place: there is nothing to rename over.
        fd_ = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd_ < 0) {
            error = Reason(path, errno);
            return false;
        }
        owned_ = true;
        return true;
    }
    // A file the user may not write is not replaced behind its back.
    if (::access(path.c_str(), W_OK) != 0) {
        error = Reason(path, errno);
        return false;
    }
    // Through a symbolic link the file it points to is replaced, the link stays.
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) {
        error = Reason(path, errno);
        return false;
    }
    return OpenTemporary(resolved, true, out.st_mode & 07777U, error);
}

bool ConvertOutput::OpenTemporary(const std::string& target, bool exists, unsigned mode,
                                  std::string& error) {
    std::string name = FolderOf(target) + "/." + BaseNameOf(target) + ".XXXXXX";
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) {
        error = Reason(name_, errno);
        return false;
    }
    owned_ = true;
    temporary_ = name;
    target_ = target;
    if (::fchmod(fd_, static_cast<mode_t>(mode)) != 0 && exists) {
        error = Reason(name_, errno);
        return false;
    }
    return true;
}

bool ConvertOutput::Commit(std::string& error) {
    if (!owned_) {
        return true;  // standard output stays open
    }
    int failure = 0;
    if (!temporary_.empty() && ::fsync(fd_) != 0 && errno != EINVAL) {
        failure = errno;
    }
    if (::close(fd_) != 0 && failure == 0) {
        failure = errno;
    }
    fd_ = -1;
    owned_ = false;
    if (failure == 0 && !temporary_.empty() && ::rename(temporary_.c_str(), target_.c_str()) != 0) {
        failure = errno;
    }
    if (failure != 0) {
        error = Reason(name_, failure);
        return false;
    }
    temporary_.clear();
    return true;
}

}  // namespace kvq
