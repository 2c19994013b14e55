#include "Rdcom.h"

#include <QScopedValueRollback>
#include <algorithm>
#include <array>
#include <string_view>
#include <utility>
#include <vector>

namespace kvq {

namespace {

constexpr std::size_t kReadChunk = 1024;

}  // namespace

ReadCom::ReadCom(LineSink& lines, MessageSink& messages, QObject* parent)
    : QObject(parent), lines_(lines), messages_(messages) {
    pollTimer_.setInterval(kPollIntervalMs);
    connect(&pollTimer_, &QTimer::timeout, this, [this] { ReadStep(); });
}

ReadCom::~ReadCom() = default;

void ReadCom::SetPortHandle(SerialPort* port) {
    port_ = port;
    // A half line belongs to the port it came from: glued onto the first line of the next
    // one it could make a plausible but false record. So do the bytes held from it.
    lineBuffer_.Clear();
    held_ = std::string();
    portFailed_ = false;
    // The same object may have been reopened on another descriptor.
    DropNotifier();
    UpdateNotifier();
}

void ReadCom::Resume() {
    if (state_ == State::kEnded) {
        return;
    }
    if (state_ == State::kCreated) {
        lineBuffer_.Clear();
    }
    state_ = State::kRunning;
    // A port that failed while stopped is asked again, and reported if it still fails.
    portFailed_ = false;
    UpdateNotifier();
    // Held bytes are handed over at once, even when the port has nothing new to say.
    if (!held_.empty()) {
        QTimer::singleShot(0, this, [this] { ReadStep(); });
    }
}

void ReadCom::Pause() {
    if (state_ == State::kRunning) {
        state_ = State::kPaused;
    }
    UpdateNotifier();
}

void ReadCom::Terminate() {
    state_ = State::kEnded;
    held_ = std::string();
    DropNotifier();
}

bool ReadCom::IsRunning() const {
    return state_ == State::kRunning;
}

bool ReadCom::IsTerminated() const {
    return state_ == State::kEnded;
}

// While running, or taking bytes into the hold while not, as long as the port works and the
// hold has room. An idle line costs nothing.
bool ReadCom::Watching() const {
    if (port_ == nullptr || !port_->IsOpen() || state_ == State::kEnded) {
        return false;
    }
    return state_ == State::kRunning || (!portFailed_ && held_.size() < kMaxHeldBytes);
}

void ReadCom::UpdateNotifier() {
    const bool wanted = Watching();
    const int fd = wanted ? port_->NotifyDescriptor() : -1;
    if (wanted && fd < 0) {
        if (!pollTimer_.isActive()) {
            emptyPolls_ = 0;
            pollTimer_.start(kPollIntervalMs);
        }
    } else {
        pollTimer_.stop();
    }
    if (fd < 0) {
        if (notifier_) {
            notifier_->setEnabled(false);
        }
        return;
    }
    if (notifier_ && notifier_->socket() != fd) {
        DropNotifier();
    }
    if (!notifier_) {
        notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read, this);
        connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { ReadStep(); });
    }
    notifier_->setEnabled(true);
}

// The notifier may be the one whose signal is running now, so it is deleted later; as a
// child of the receiver it goes with it at the latest.
void ReadCom::DropNotifier() {
    pollTimer_.stop();
    if (notifier_) {
        notifier_->setEnabled(false);
        notifier_.release()->deleteLater();
    }
}

// Reads up to `count` bytes in chunks of at most 1024, each given to `take`; how many were read.
template <typename Take>
std::size_t ReadCom::ReadUpTo(std::size_t count, Take&& take) {
    std::array<char, kReadChunk> buffer;
    std::size_t total = 0;
    while (total < count) {
        const std::size_t got = port_->Read(buffer.data(), std::min(count - total, buffer.size()));
        if (got == 0) {
            break;
        }
        total += got;
        take(std::string_view(buffer.data(), got));
    }
    return total;
}

void ReadCom::ReadStep() {
    if (state_ == State::kEnded || inStep_ || port_ == nullptr || !port_->IsOpen()) {
        return;
    }
    // A sink may run a nested event loop; no second step starts inside it.
    const QScopedValueRollback<bool> inStep(inStep_, true);
    if (state_ == State::kRunning) {
        ReceiveStep();
    } else {
        HoldStep();
    }
}

// Everything that waits is read, a chunk at a time, so nothing is lost however much the
// line has queued while the receiver was paused. The lines reach the sink before a failure
// is reported: they arrived before it.
void ReadCom::ReceiveStep() {
    std::vector<std::string> lines;
    auto toLines = [this, &lines](std::string_view bytes) {
        lineBuffer_.Feed(bytes, [&lines](std::string_view line) { lines.emplace_back(line); });
    };
    toLines(std::exchange(held_, std::string()));
    const std::optional<std::size_t> waiting = port_->BytesWaiting();
    // Bytes that wait but cannot be read are a failed port too; reading on would busy-loop.
    const bool failed = !waiting || (*waiting > 0 && ReadUpTo(*waiting, toLines) == 0);
    const std::string failure = failed ? port_->LastErrorText() : std::string();
    if (!lines.empty()) {
        lines_.AppendLines(lines);
    }
    if (failed) {
        ReportPortFailure(failure);
    } else if (pollTimer_.isActive()) {
        PaceTimer(*waiting > 0);
    }
}

// Not running: what waits is taken into the hold, up to its bound. A failure is left for the
// next resume to report, after the held lines.
void ReadCom::HoldStep() {
    const std::optional<std::size_t> waiting = port_->BytesWaiting();
    const std::size_t room = kMaxHeldBytes - held_.size();
    const bool failed =
        !waiting || (*waiting > 0 && room > 0 &&
                     ReadUpTo(std::min(*waiting, room),
                              [this](std::string_view bytes) { held_.append(bytes); }) == 0);
    if (failed || held_.size() >= kMaxHeldBytes) {
        portFailed_ = failed;
        UpdateNotifier();
    } else if (pollTimer_.isActive()) {
        PaceTimer(*waiting > 0);
    }
}

void ReadCom::PaceTimer(bool bytesCame) {
    if (bytesCame) {
        emptyPolls_ = 0;
        pollTimer_.setInterval(kPollIntervalMs);
    } else if (++emptyPolls_ == kEmptyPollsBeforeQuiet) {
        pollTimer_.setInterval(kQuietPollIntervalMs);
    }
}

void ReadCom::ReportPortFailure(const std::string& systemText) {
    // Notifications stop before the message box runs its own event loop: one failure, one box.
    portFailed_ = true;
    Pause();
    messages_.ShowPortFailure(systemText);
}

}  // namespace kvq
