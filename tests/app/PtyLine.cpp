#include "PtyLine.h"

#include <poll.h>
#include <pty.h>
#include <unistd.h>
#include <cerrno>

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

bool PtyLine::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        pollfd p{master_, POLLOUT, 0};
        if (::poll(&p, 1, 10000) <= 0) {
            return false;
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

void PtyLine::HangUp() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}
