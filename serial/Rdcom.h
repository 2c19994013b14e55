#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>
#include <string>

#include "LineAssembler.h"
#include "LineSink.h"
#include "SerialPort.h"

namespace kvq {

// Reports a failed status query; the text shown is systemText + "COM口操作失败".
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void ShowPortFailure(const std::string& systemText) = 0;
};

// The receiver. Read steps run on the user-interface thread whenever the port becomes
// readable (or, for a port without a descriptor to wait on, on a short timer), while the
// receiver has a port, so an idle line costs next to nothing. While it does not run, what
// arrives is held and handed over when it runs again: a hang-up (an adapter pulled, the far
// end gone) makes the system drop the bytes it still holds for the port.
// Pause, resume and termination are states, not counts.
class ReadCom : public QObject {
    Q_OBJECT
public:
    ReadCom(LineSink& lines, MessageSink& messages, QObject* parent = nullptr);
    ~ReadCom() override;

    // The receiver's copy of the port handle; nullptr is the invalid handle. The owner
    // clears it whenever it closes the port (in the same handler, before or right after the
    // close), and sets it again after reopening, even with the same object.
    void SetPortHandle(SerialPort* port);
    SerialPort* PortHandle() const { return port_; }

    void Resume();
    void Pause();
    // Ends the receiver for good: no read step runs afterwards.
    void Terminate();

    bool IsRunning() const;
    bool IsTerminated() const;

    // One poll of the port: reads everything that waits, in reads of at most 1024 bytes, and
    // hands the completed lines, those of the held bytes first, to the line sink in one call.
    // While the receiver does not run, it only adds what waits to the held bytes.
    void ReadStep();

    // How often a port without a descriptor is asked for waiting bytes. At 14400 baud at most
    // 29 bytes arrive in 20 ms, far below the 1024 a read step takes at once. After a second
    // of silence the line is asked five times less often, until bytes come again: the first
    // line after a pause shows up to 0.1 s later, and an idle port costs next to nothing.
    static constexpr int kPollIntervalMs = 20;
    static constexpr int kQuietPollIntervalMs = 100;
    static constexpr int kEmptyPollsBeforeQuiet = 1000 / kPollIntervalMs;

    // The line being built; kept across read steps, pause and resume, emptied with a new
    // port handle.
    const LineAssembler& LineBuffer() const { return lineBuffer_; }
    // Drops the line being built: the next byte starts a new line.
    void DropPartialLine() { lineBuffer_.Clear(); }

    // The most bytes held while the receiver does not run, over three hours at 14400 baud;
    // beyond them bytes wait in the port, as they did before anything was held.
    static constexpr std::size_t kMaxHeldBytes = 16 * 1024 * 1024;
    // Bytes taken from the port while the receiver did not run, not yet handed over; dropped
    // with a new port handle.
    std::size_t HeldBytes() const { return held_.size(); }

private:
    bool Watching() const;
    void UpdateNotifier();
    void DropNotifier();
    void ReportPortFailure(const std::string& systemText);
    void ReceiveStep();
    void HoldStep();
    template <typename Take>
    std::size_t ReadUpTo(std::size_t count, Take&& take);
    void PaceTimer(bool bytesCame);

    LineSink& lines_;
    MessageSink& messages_;
    SerialPort* port_ = nullptr;
    enum class State { kCreated, kRunning, kPaused, kEnded } state_ = State::kCreated;
    LineAssembler lineBuffer_;
    std::string held_;
    // The port failed while the receiver did not run: reported when it runs again, not
    // watched until then (a hung-up descriptor stays readable for ever).
    bool portFailed_ = false;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer pollTimer_;
    int emptyPolls_ = 0;
    bool inStep_ = false;
};

}  // namespace kvq
