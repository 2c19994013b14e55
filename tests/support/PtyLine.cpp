#include "PtyLine.h"

#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>

#include "EventLoop.h"

namespace {

// How often a writer waiting for room looks at its stop request.
constexpr int kLookMs = 100;

}  // namespace

PtyLine::PtyLine() {
    char name[128] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        master_ = slave_ = -1;
        return;
    }
    slavePath_ = name;
}

PtyLine::~PtyLine() {
    HangUp();
    if (slave_ >= 0) {
        ::close(slave_);
    }
}

bool PtyLine::Send(std::string_view bytes, std::stop_token stop) {
    // The line has no room while the program does not read; it gives up only when the
    // program has read nothing for the guard time.
    int waitedMs = 0;
    while (!bytes.empty()) {
        if (stop.stop_requested() || master_ < 0 || waitedMs >= kGuardMs) {
            return false;
        }
        pollfd p{master_, POLLOUT, 0};
        if (::poll(&p, 1, kLookMs) <= 0) {
            waitedMs += kLookMs;
            continue;
        }
        const ssize_t n = ::write(master_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            return false;
        }
        waitedMs = 0;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void PtyLine::HangUp() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}

int PtyLine::InputQueued() const {
    int n = -1;
    ::ioctl(slave_, FIONREAD, &n);
    return n;
}

bool PtyLine::MasterReadable(int timeoutMs) const {
    pollfd p{master_, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0 && (p.revents & POLLIN) != 0;
}

termios PtyLine::SlaveSettings() const {
    termios t{};
    ::tcgetattr(slave_, &t);
    return t;
}
