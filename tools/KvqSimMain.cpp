// kvq-sim: plays a field instrument on a pseudo-terminal, so the program, its tests and
// benchmarks can receive observation lines without the hardware.

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>

#include "SimByteSource.h"
#include "SimLink.h"
#include "SimOptions.h"
#include "SimPort.h"

namespace {

constexpr int kFailure = 1;
constexpr int kUsageError = 2;
constexpr int kSignalBase = 128;

volatile std::sig_atomic_t gStop = 0;

void OnSignal(int signal) {
    gStop = signal;
}

void InstallSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: waits end at once and the link gets removed
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
}

void Say(const std::string& message) {
    std::fprintf(stderr, "kvq-sim: %s\n", message.c_str());
}

int Fail(const std::string& message) {
    Say(message);
    return kFailure;
}

std::string FileError(const std::string& name, int error) {
    return name + ": " + std::strerror(error);
}

// The copy of exactly the bytes the terminal took (--save-sent).
class SentCopy {
public:
    ~SentCopy() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }

    bool Open(const std::string& name, std::string& error) {
        name_ = name;
        fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd_ < 0) {
            error = "--save-sent: " + FileError(name, errno);
        }
        return fd_ >= 0;
    }

    bool Write(std::string_view bytes, std::string& error) {
        while (fd_ >= 0 && !bytes.empty()) {
            const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                error = FileError(name_, n < 0 ? errno : EIO);
                return false;
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

private:
    std::string name_;
    int fd_ = -1;
};

// Spreads the bytes evenly over time as a serial line does, in slices of 1/50 second.
// After a stall (a reader that stopped reading) it goes on at the rate, without a burst
// to catch up.
class Pacer {
public:
    explicit Pacer(std::uint64_t rate) : rate_(rate) {}

    void Start() { baseNs_ = NowNs(); }

    std::size_t Slice(std::size_t available) const {
        if (rate_ == 0) {
            return available;
        }
        const std::uint64_t slice = rate_ / 50 > 0 ? rate_ / 50 : 1;
        return available < slice ? available : static_cast<std::size_t>(slice);
    }

    // Waits until the line is ready for the byte after `sent`; false if stopped.
    bool WaitTurn(std::uint64_t sent) {
        if (rate_ == 0) {
            return gStop == 0;
        }
        const std::uint64_t due = baseNs_ + (sent - baseSent_) / rate_ * kNsPerSecond +
                                  (sent - baseSent_) % rate_ * kNsPerSecond / rate_;
        const std::uint64_t now = NowNs();
        if (now > due + kNsPerSecond / 10) {
            baseNs_ = now;
            baseSent_ = sent;
            return gStop == 0;
        }
        const timespec wake{static_cast<time_t>(due / kNsPerSecond),
                            static_cast<long>(due % kNsPerSecond)};
        while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) == EINTR &&
               gStop == 0) {
        }
        return gStop == 0;
    }

private:
    static constexpr std::uint64_t kNsPerSecond = 1'000'000'000;

    static std::uint64_t NowNs() {
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<std::uint64_t>(now.tv_sec) * kNsPerSecond +
               static_cast<std::uint64_t>(now.tv_nsec);
    }

    std::uint64_t rate_;
    std::uint64_t baseNs_ = 0;
    std::uint64_t baseSent_ = 0;
};

// Sends everything the source gives; on failure `error` says why.
kvq::SimPort::Status Send(kvq::SimPort& port, kvq::SimByteSource& source, Pacer& pacer,
                          SentCopy& copy, std::uint64_t& sent, std::string& error) {
    std::string buffer;
    std::size_t offset = 0;
    for (;;) {
        if (offset == buffer.size()) {
            buffer.clear();
            offset = 0;
            if (!source.Refill(buffer)) {
                error = source.Error();
                return error.empty() ? kvq::SimPort::Status::kOk : kvq::SimPort::Status::kFailed;
            }
        }
        const std::size_t slice = pacer.Slice(buffer.size() - offset);
        if (!pacer.WaitTurn(sent)) {
            return kvq::SimPort::Status::kStopped;
        }
        std::size_t written = 0;
        const auto status =
            port.WriteSome(std::string_view(buffer).substr(offset, slice), written, gStop);
        if (status != kvq::SimPort::Status::kOk) {
            return status;
        }
        if (!copy.Write(std::string_view(buffer).substr(offset, written), error)) {
            return kvq::SimPort::Status::kFailed;
        }
        offset += written;
        sent += written;
    }
}

std::string RateText(std::uint64_t rate) {
    return rate == 0 ? "full speed" : std::to_string(rate) + " bytes/s";
}

int Stopped() {
    return kSignalBase + gStop;
}

// Tells what went wrong while sending; returns the exit status.
int ReportSendFailure(kvq::SimPort::Status status, const kvq::SimPort& port, std::uint64_t sent,
                      const std::string& error) {
    switch (status) {
        case kvq::SimPort::Status::kStopped:
            return Stopped();
        case kvq::SimPort::Status::kReaderGone:
            return Fail("the reader closed the port after " + std::to_string(sent) +
                        " bytes; the rest was not sent");
        default:
            return Fail(error.empty() ? FileError(port.SlavePath(), port.Error()) : error);
    }
}

// Waits until the reader has the bytes; returns the exit status.
int Finish(kvq::SimPort& port) {
    std::size_t unread = 0;
    switch (port.Drain(gStop, unread)) {
        case kvq::SimPort::Status::kOk:
            return 0;
        case kvq::SimPort::Status::kStopped:
            return Stopped();
        case kvq::SimPort::Status::kUnchecked:
            Say("the port is held exclusively, so whether the reader took the last bytes "
                "cannot be seen; waited " +
                std::to_string(kvq::SimPort::kUncheckedWaitMs) + " ms");
            return 0;
        case kvq::SimPort::Status::kReaderGone:
            return Fail("the reader closed the port before it took the last bytes (" +
                        std::to_string(unread) + " were waiting)");
        case kvq::SimPort::Status::kStalled:
            return Fail("the reader took nothing for " +
                        std::to_string(kvq::SimPort::kStallSeconds) + " s; " +
                        std::to_string(unread) + " bytes were not taken");
        default:
            return Fail(FileError(port.SlavePath(), port.Error()));
    }
}

constexpr int kGoOn = -1;

// Waits for the reader and then the --delay; returns kGoOn or the exit status.
int AwaitReader(kvq::SimPort& port, const kvq::SimOptions& options) {
    Say("waiting for a reader on " + port.SlavePath() +
        (options.link.empty() ? "" : " (" + options.link + ")"));
    if (port.WaitForReader(gStop) != kvq::SimPort::Status::kOk) {
        return gStop ? Stopped() : Fail(FileError(port.SlavePath(), port.Error()));
    }
    if (options.delayMs > 0) {
        const timespec delay{static_cast<time_t>(options.delayMs / 1000),
                             static_cast<long>(options.delayMs % 1000) * 1'000'000L};
        ::nanosleep(&delay, nullptr);
        if (gStop) {
            return Stopped();
        }
    }
    return kGoOn;
}

std::string SendingText(const kvq::SimOptions& options) {
    return options.replay.empty()
               ? "port opened; sending " + std::to_string(options.lines) + " lines of type " +
                     std::to_string(options.type) + ", seed " + std::to_string(options.seed) +
                     ", at " + RateText(options.rate)
               : "port opened; sending " + options.replay + " at " + RateText(options.rate);
}

int Run(const kvq::SimOptions& options, kvq::SimByteSource& source, SentCopy& copy) {
    InstallSignalHandlers();
    kvq::SimPort port;
    if (!port.Open()) {
        return Fail(std::string("cannot open a pseudo-terminal: ") + std::strerror(port.Error()));
    }
    kvq::SimLink link;
    std::string error;
    if (!options.link.empty() && !link.Create(options.link, port.SlavePath(), error)) {
        return Fail("--link: " + error);
    }
    std::printf("%s\n", port.SlavePath().c_str());
    std::fflush(stdout);
    if (const int exitStatus = AwaitReader(port, options); exitStatus != kGoOn) {
        return exitStatus;
    }
    Say(SendingText(options));
    Pacer pacer(options.rate);
    pacer.Start();
    std::uint64_t sent = 0;
    const auto status = Send(port, source, pacer, copy, sent, error);
    if (status != kvq::SimPort::Status::kOk) {
        return ReportSendFailure(status, port, sent, error);
    }
    const int result = Finish(port);
    if (result == 0) {
        Say("sent " + std::to_string(sent) + " bytes " + source.Summary());
    }
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    kvq::SimOptions options;
    std::string error;
    if (!kvq::ParseSimOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "kvq-sim: %s (try --help)\n", error.c_str());
        return kUsageError;
    }
    if (options.help) {
        std::fputs(kvq::SimUsage(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("kvq-sim %s\n", KVQ_VERSION);
        return 0;
    }
    // A capture that cannot be read is a bad argument, found before any terminal exists.
    kvq::SimReplayFile replay(options.replay);
    if (!options.replay.empty() && !replay.Open(error)) {
        std::fprintf(stderr, "kvq-sim: --replay: %s\n", error.c_str());
        return kUsageError;
    }
    SentCopy copy;
    if (!options.saveSent.empty() && !copy.Open(options.saveSent, error)) {
        return Fail(error);
    }
    if (!options.replay.empty()) {
        return Run(options, replay, copy);
    }
    kvq::SimGeneratedLines lines(options.type, options.lines, options.seed, options.gbk);
    return Run(options, lines, copy);
}
