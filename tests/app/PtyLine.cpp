#include "PtyLine.h"

#include <poll.h>
#include <pty.h>
#include <unistd.h>
#include <cerrno>

namespace {

// The line has no room while the program does not read. It gives up only when the program
// has read nothing for this long: a guard against a test hanging, generous for a busy machine.
constexpr int kNoRoomMs = 120000;

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

bool PtyLine::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        pollfd p{master_, POLLOUT, 0};
        const int ready = ::poll(&p, 1, kNoRoomMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
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
