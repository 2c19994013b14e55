#include "PosixSerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <cerrno>

#include "SystemErrorText.h"
#include "TermiosMapping.h"

namespace kvq {

PosixSerialPort::PosixSerialPort() = default;

PosixSerialPort::~PosixSerialPort() {
    Close();
}

bool PosixSerialPort::Fail(int error) {
    lastError_ = error;
    return false;
}

bool PosixSerialPort::Open(const std::string& device) {
    Close();
    // Close-on-exec: a viewer started from the program must not inherit the port and its lock.
    fd_ = ::open(device.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        return Fail(errno);
    }
    if (!ClaimExclusive()) {
        const int error = lastError_;
        ::close(fd_);
        fd_ = -1;
        return Fail(error);
    }
    return true;
}

// TIOCEXCL keeps out other opens, but not those of root; the advisory lock is what other
// serial programs test, and it holds against root too. A port someone else already set
// exclusive is in use even though root could open it.
bool PosixSerialPort::ClaimExclusive() {
    int exclusive = 0;
    if (::ioctl(fd_, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) {
        return Fail(EBUSY);
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        return Fail(errno == EWOULDBLOCK ? EBUSY : errno);
    }
    // Not a terminal: left to ReadSettings to report.
    ::ioctl(fd_, TIOCEXCL);
    return true;
}

void PosixSerialPort::Close() {
    if (fd_ < 0) {
        return;
    }
    // The exclusive flag outlives this descriptor while anyone else holds the device.
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
    settings_.reset();
}

bool PosixSerialPort::ReadSettings() {
    if (fd_ < 0) {
        return Fail(EBADF);
    }
    auto settings = std::make_unique<termios2>();
    if (::ioctl(fd_, TCGETS2, settings.get()) != 0) {
        return Fail(errno);
    }
    settings_ = std::move(settings);
    return true;
}

bool PosixSerialPort::WriteSettings(const LineSettings& settings) {
    if (!settings_ && !ReadSettings()) {
        return false;
    }
    termios2 wanted = *settings_;
    if (const int error = ApplyLineSettings(wanted, settings)) {
        return Fail(error);
    }
    if (::ioctl(fd_, TCSETS2, &wanted) != 0) {
        return Fail(errno);
    }
    termios2 got{};
    if (::ioctl(fd_, TCGETS2, &got) != 0) {
        return Fail(errno);
    }
    *settings_ = got;
    // A driver may keep what it cannot do without an error: the read-back decides.
    if (!SettingsTaken(wanted, got)) {
        return Fail(EINVAL);
    }
    // Bytes queued before were framed under the old settings.
    DiscardInput();
    return true;
}

std::optional<std::size_t> PosixSerialPort::BytesWaiting() {
    if (fd_ < 0) {
        Fail(EBADF);
        return std::nullopt;
    }
    // A hung-up or unplugged device stays "readable" for ever; it is a failed port, not data.
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0) {
        Fail(errno);
        return std::nullopt;
    }
    if ((p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        Fail(EIO);
        return std::nullopt;
    }
    int waiting = 0;
    if (::ioctl(fd_, FIONREAD, &waiting) != 0) {
        Fail(errno);
        return std::nullopt;
    }
    return static_cast<std::size_t>(waiting < 0 ? 0 : waiting);
}

std::size_t PosixSerialPort::Read(char* buffer, std::size_t max) {
    if (fd_ < 0) {
        Fail(EBADF);
        return 0;
    }
    const ssize_t got = ::read(fd_, buffer, max);
    if (got < 0) {
        Fail(errno);
        return 0;
    }
    if (got == 0 && max > 0) {
        // End of file on a terminal: it has hung up.
        Fail(EIO);
    }
    return static_cast<std::size_t>(got);
}

void PosixSerialPort::DiscardInput() {
    if (fd_ >= 0 && ::ioctl(fd_, TCFLSH, TCIFLUSH) != 0) {
        Fail(errno);
    }
}

std::string PosixSerialPort::LastErrorText() const {
    return SystemErrorText(static_cast<unsigned long>(lastError_));
}

bool PosixSerialPort::LastErrorIsPermissionDenied() const {
    return lastError_ == EACCES;
}

std::unique_ptr<SerialPort> CreatePlatformSerialPort() {
    return std::make_unique<PosixSerialPort>();
}

}  // namespace kvq
