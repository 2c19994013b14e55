#include "Rdcom.h"

#include <QScopedValueRollback>
#include <algorithm>
#include <array>
#include <string_view>
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
    // one it could make a plausible but false record.
    lineBuffer_.Clear();
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
    UpdateNotifier();
}

void ReadCom::Pause() {
    if (state_ == State::kRunning) {
        state_ = State::kPaused;
    }
    UpdateNotifier();
}

void ReadCom::Terminate() {
    state_ = State::kEnded;
    DropNotifier();
}

bool ReadCom::IsRunning() const {
    return state_ == State::kRunning;
}

bool ReadCom::IsTerminated() const {
    return state_ == State::kEnded;
}

// Notifications only while running with an open port: a paused receiver leaves the bytes
// waiting in the port, and an idle one costs nothing.
void ReadCom::UpdateNotifier() {
    const bool wanted = state_ == State::kRunning && port_ != nullptr && port_->IsOpen();
    const int fd = wanted ? port_->NotifyDescriptor() : -1;
    if (wanted && fd < 0) {
        if (!pollTimer_.isActive()) {
            pollTimer_.start();
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

void ReadCom::ReadStep() {
    if (state_ != State::kRunning || inStep_ || port_ == nullptr || !port_->IsOpen()) {
        return;
    }
    // A sink may run a nested event loop; no second step starts inside it.
    const QScopedValueRollback<bool> inStep(inStep_, true);
    const std::optional<std::size_t> waiting = port_->BytesWaiting();
    if (!waiting) {
        ReportPortFailure();
    } else if (*waiting > 0) {
        ReadWaiting(*waiting);
    }
}

// Everything that waits is read, a chunk at a time, so nothing is lost however much the
// line has queued while the receiver was paused.
void ReadCom::ReadWaiting(std::size_t waiting) {
    std::array<char, kReadChunk> buffer;
    std::vector<std::string> lines;
    std::size_t total = 0;
    while (waiting > 0) {
        const std::size_t got = port_->Read(buffer.data(), std::min(waiting, buffer.size()));
        if (got == 0) {
            break;
        }
        total += got;
        waiting -= std::min(got, waiting);
        lineBuffer_.Feed(std::string_view(buffer.data(), got),
                         [&lines](std::string_view line) { lines.emplace_back(line); });
    }
    if (total == 0) {
        // Bytes wait but cannot be read: the port has failed; reading on would busy-loop.
        ReportPortFailure();
        return;
    }
    if (!lines.empty()) {
        lines_.AppendLines(lines);
    }
}

void ReadCom::ReportPortFailure() {
    const std::string text = port_->LastErrorText();
    // Notifications stop before the message box runs its own event loop: one failure, one box.
    Pause();
    messages_.ShowPortFailure(text);
}

}  // namespace kvq
