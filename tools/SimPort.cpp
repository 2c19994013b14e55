#include "SimPort.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <climits>

namespace kvq {

namespace {

using Clock = std::chrono::steady_clock;

// Looks in a row that must find the reader's queue empty. One look can fall into the
// moment inside the reader's own read call after it emptied its queue and before it asked
// the terminal for the bytes held back while the queue was full; the next look sees them.
constexpr int kEmptyLooks = 2;
constexpr int kPollMs = 20;

// Sleeps about `ms` milliseconds; a signal cuts the sleep short.
void Nap(int ms) {
    ::poll(nullptr, 0, ms);
}

// What the reader's queue did over the looks of one drain.
class QueueWatch {
public:
    void Look(std::size_t queued) {
        const Clock::time_point now = Clock::now();
        if (!seen_ || queued != last_) {
            lastChange_ = now;
        }
        seen_ = true;
        last_ = queued;
        emptyLooks_ = queued == 0 ? emptyLooks_ + 1 : 0;
    }
    // The reader has taken everything.
    bool Emptied() const { return emptyLooks_ >= kEmptyLooks; }
    // Bytes wait and the reader has taken none of them for kStallSeconds.
    bool Stalled() const {
        return last_ > 0 &&
               Clock::now() - lastChange_ >= std::chrono::seconds(SimPort::kStallSeconds);
    }
    // The reader left; whether it had taken every byte by its last look.
    bool TookAllBeforeLeaving() const { return seen_ && last_ == 0; }
    std::size_t LastQueued() const { return last_; }

private:
    bool seen_ = false;
    std::size_t last_ = 0;
    int emptyLooks_ = 0;
    Clock::time_point lastChange_ = Clock::now();
};

}  // namespace

SimPort::~SimPort() {
    if (master_ >= 0) {
        ::close(master_);
    }
}

bool SimPort::Open() {
    int slave = -1;
    if (::openpty(&master_, &slave, nullptr, nullptr, nullptr) < 0) {
        error_ = errno;
        return false;
    }
    char name[PATH_MAX];
    termios raw{};
    bool ok = ::ttyname_r(slave, name, sizeof name) == 0 && ::tcgetattr(slave, &raw) == 0;
    if (ok) {
        ::cfmakeraw(&raw);
        ok = ::tcsetattr(slave, TCSANOW, &raw) == 0;
    }
    if (ok) {
        const int flags = ::fcntl(master_, F_GETFL);
        ok = flags >= 0 && ::fcntl(master_, F_SETFL, flags | O_NONBLOCK) == 0 &&
             ::fcntl(master_, F_SETFD, FD_CLOEXEC) == 0;
    }
    if (!ok) {
        error_ = errno;
    }
    // The terminal keeps its settings while the master stays open.
    ::close(slave);
    if (!ok) {
        return false;
    }
    slavePath_ = name;
    return true;
}

bool SimPort::ReaderPresent(bool& hangup) {
    pollfd p{master_, POLLOUT, 0};
    if (::poll(&p, 1, 0) < 0 && errno != EINTR) {
        error_ = errno;
        return false;
    }
    if (p.revents & (POLLERR | POLLNVAL)) {
        error_ = EIO;
        return false;
    }
    hangup = (p.revents & POLLHUP) != 0;
    return true;
}

SimPort::Status SimPort::WaitForReader(const volatile std::sig_atomic_t& stop) {
    for (;;) {
        if (stop) {
            return Status::kStopped;
        }
        bool hangup = true;
        if (!ReaderPresent(hangup)) {
            return Status::kFailed;
        }
        if (!hangup) {
            return Status::kOk;
        }
        Nap(10);
    }
}

SimPort::Status SimPort::WriteSome(std::string_view bytes, std::size_t& written,
                                   const volatile std::sig_atomic_t& stop) {
    written = 0;
    for (;;) {
        if (stop) {
            return Status::kStopped;
        }
        pollfd p{master_, POLLOUT, 0};
        if (::poll(&p, 1, 100) < 0) {
            if (errno == EINTR) {
                continue;
            }
            error_ = errno;
            return Status::kFailed;
        }
        // Checked before every write: writes to a far end nobody holds still succeed and
        // the bytes would silently go nowhere.
        if (p.revents & POLLHUP) {
            return Status::kReaderGone;
        }
        if (p.revents & (POLLERR | POLLNVAL)) {
            error_ = EIO;
            return Status::kFailed;
        }
        if (!(p.revents & POLLOUT)) {
            continue;  // the reader is slow: its queue and the terminal's buffer are full
        }
        const ssize_t n = ::write(master_, bytes.data(), bytes.size());
        if (n > 0) {
            written = static_cast<std::size_t>(n);
            return Status::kOk;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (n < 0 && errno == EIO) {
            return Status::kReaderGone;
        }
        error_ = n < 0 ? errno : EIO;
        return Status::kFailed;
    }
}

bool SimPort::QueuedAtReader(std::size_t& queued) {
    // Opened only for the look, so that a reader leaving still shows as POLLHUP.
    const int fd = ::open(slavePath_.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    int n = 0;
    bool ok = ::ioctl(fd, TIOCINQ, &n) == 0;
    if (ok && n == 0) {
        // Written bytes pass through the terminal's own buffer, which a kernel worker moves
        // into the queue later: an empty queue alone does not say they were taken. Polling
        // the far end with nothing queued runs that pending work to its end first.
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, 0);
        ok = ::ioctl(fd, TIOCINQ, &n) == 0;
    }
    ::close(fd);
    queued = ok && n > 0 ? static_cast<std::size_t>(n) : 0;
    return ok;
}

SimPort::Status SimPort::Drain(const volatile std::sig_atomic_t& stop, std::size_t& unread) {
    unread = 0;
    QueueWatch watch;
    for (;;) {
        if (stop) {
            return Status::kStopped;
        }
        bool hangup = false;
        if (!ReaderPresent(hangup)) {
            return Status::kFailed;
        }
        if (hangup) {
            unread = watch.LastQueued();
            return watch.TookAllBeforeLeaving() ? Status::kOk : Status::kReaderGone;
        }
        std::size_t queued = 0;
        if (!QueuedAtReader(queued)) {
            // A reader holding the port exclusively keeps others out (root excepted).
            Nap(kUncheckedWaitMs);
            return stop ? Status::kStopped : Status::kUnchecked;
        }
        watch.Look(queued);
        if (watch.Emptied()) {
            return Status::kOk;
        }
        if (watch.Stalled()) {
            unread = queued;
            return Status::kStalled;
        }
        Nap(kPollMs);
    }
}

}  // namespace kvq
