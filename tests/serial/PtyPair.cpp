#include "PtyPair.h"

#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <cerrno>

PtyPair::PtyPair() {
    char name[128] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        master_ = slave_ = -1;
        return;
    }
    slavePath_ = name;
}

PtyPair::~PtyPair() {
    CloseMaster();
    if (slave_ >= 0) {
        ::close(slave_);
    }
}

bool PtyPair::Write(std::string_view bytes, std::stop_token stop) {
    while (!bytes.empty()) {
        if (stop.stop_requested()) {
            return false;
        }
        pollfd p{master_, POLLOUT, 0};
        if (::poll(&p, 1, 100) <= 0) {
            continue;
        }
        const ssize_t n = ::write(master_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

int PtyPair::InputQueued() const {
    int n = -1;
    ::ioctl(slave_, FIONREAD, &n);
    return n;
}

bool PtyPair::MasterReadable(int timeoutMs) const {
    pollfd p{master_, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0 && (p.revents & POLLIN) != 0;
}

void PtyPair::CloseMaster() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}

termios PtyPair::SlaveSettings() const {
    termios t{};
    ::tcgetattr(slave_, &t);
    return t;
}
