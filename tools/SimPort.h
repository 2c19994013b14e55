#pragma once

#include <csignal>
#include <cstddef>
#include <string>
#include <string_view>

namespace kvq {

// The simulator's end of a pseudo-terminal. The far end (the slave) is what the program
// opens as its serial port. No slave descriptor stays open here: while nobody has the far
// end open, the master reports POLLHUP, and that is how the simulator sees the reader come
// and go.
class SimPort {
public:
    enum class Status {
        kOk,
        kStopped,     // a signal asked the simulator to end
        kReaderGone,  // the reader closed the far end
        kFailed,      // a system call failed; Error() tells which error
        kStalled,     // the reader took nothing for kStallSeconds
        kUnchecked,   // the far end cannot be looked at (opened exclusively); waited
                      // kUncheckedWaitMs instead
    };

    SimPort() = default;
    ~SimPort();
    SimPort(const SimPort&) = delete;
    SimPort& operator=(const SimPort&) = delete;

    // Opens the pair and sets the far end to raw mode, so that whatever the reader does
    // not set itself (the program changes only speed, size, stop bits and parity) passes
    // the bytes unchanged: no CR to LF translation, no echo, no line editing.
    bool Open();
    const std::string& SlavePath() const { return slavePath_; }
    int Error() const { return error_; }

    // Waits until some process has the far end open.
    Status WaitForReader(const volatile std::sig_atomic_t& stop);

    // Writes at least one byte of `bytes` (waiting for room as long as the reader keeps
    // the port open) and sets `written` to how many were taken.
    Status WriteSome(std::string_view bytes, std::size_t& written,
                     const volatile std::sig_atomic_t& stop);

    // Waits until the reader has read what was written: the bytes would be lost when the
    // master closes. `unread` tells how many bytes were still waiting at the reader when
    // it stalled or went away.
    Status Drain(const volatile std::sig_atomic_t& stop, std::size_t& unread);

    static constexpr int kStallSeconds = 10;
    static constexpr int kUncheckedWaitMs = 1000;

private:
    bool ReaderPresent(bool& hangup);
    // Bytes waiting in the far end's input queue, with those still in the terminal's own
    // buffer moved in first; false if it cannot be looked at.
    bool QueuedAtReader(std::size_t& queued);

    int master_ = -1;
    std::string slavePath_;
    int error_ = 0;
};

}  // namespace kvq
