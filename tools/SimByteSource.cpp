#include "SimByteSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace kvq {

namespace {

// Enough to keep the terminal busy between refills, small enough for any line count.
constexpr std::size_t kRefillBytes = 64 * 1024;

std::string FileError(const std::string& name, int error) {
    return name + ": " + std::strerror(error);
}

}  // namespace

SimGeneratedLines::SimGeneratedLines(int instrumentType, std::uint64_t lines, std::uint64_t seed,
                                     bool gbk)
    : generator_(instrumentType, seed, gbk), type_(instrumentType), remaining_(lines) {}

bool SimGeneratedLines::Refill(std::string& buffer) {
    while (remaining_ > 0 && buffer.size() < kRefillBytes) {
        const SimLine line = generator_.Next();
        buffer += line.text;
        buffer += "\r\n";
        --remaining_;
        ++lines_;
        dataLines_ += line.kind == SimLineKind::kData ? 1 : 0;
    }
    return !buffer.empty();
}

std::string SimGeneratedLines::Summary() const {
    return "in " + std::to_string(lines_) + " lines, " + std::to_string(dataLines_) +
           " data lines, " + std::to_string(ExpectedRecords(type_, dataLines_)) +
           " records expected";
}

SimReplayFile::~SimReplayFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool SimReplayFile::Open(std::string& error) {
    fd_ = ::open(name_.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
        error = FileError(name_, errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error = FileError(name_, EISDIR);
        return false;
    }
    return true;
}

bool SimReplayFile::Refill(std::string& buffer) {
    char chunk[kRefillBytes];
    for (;;) {
        const ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            error_ = FileError(name_, errno);
            return false;
        }
        buffer.append(chunk, static_cast<std::size_t>(n));
        return n > 0;
    }
}

}  // namespace kvq
