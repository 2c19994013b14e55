#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "PtyLine.h"
#include "Rdcom.h"
#include "SerialPort.h"

// The receiver alone, without a window: ReadCom on the real port layer reading a
// pseudo-terminal, into a sink that stores the lines. What the window's receiving is compared
// with (serial-bench, receive-bench). Needs a running QCoreApplication.
namespace kvq::bench {

struct ReceiverAloneRun {
    double seconds = 0;
    double megabytesPerSecond = 0;
    std::size_t bytes = 0;
    std::size_t lines = 0;
    std::size_t lost = 0;
    std::size_t handOvers = 0;  // read steps that handed lines over
};

class ReceiverAlone : private LineSink, private MessageSink {
public:
    // Opens the line and starts receiving; Ready() tells whether that worked.
    ReceiverAlone();
    ~ReceiverAlone() override;
    ReceiverAlone(const ReceiverAlone&) = delete;
    ReceiverAlone& operator=(const ReceiverAlone&) = delete;

    bool Ready() const { return ready_; }
    // Feeds 10 MB of numbered 64-byte lines at full speed and checks every line.
    ReceiverAloneRun Feed();
    int PortFailures() const { return failures_; }

private:
    void AppendLines(std::span<const std::string> batch) override;
    void ShowPortFailure(const std::string& systemText) override;

    PtyLine line_;
    std::unique_ptr<SerialPort> port_;
    std::unique_ptr<ReadCom> receiver_;
    std::vector<std::string> lines_;
    std::size_t handOvers_ = 0;
    std::int64_t lastLineNs_ = 0;  // when the last line of a feed was handed over
    int failures_ = 0;
    bool ready_ = false;
};

// "N MB/s, L lost": the figure of a run.
std::string ReceiverAloneFigure(const ReceiverAloneRun& run);

}  // namespace kvq::bench
