#include "ReceiverAlone.h"

#include <cstdio>

#include "BenchSupport.h"
#include "EventLoop.h"
#include "PtyFeeder.h"

namespace kvq::bench {

namespace {

constexpr std::size_t kLineBytes = 64;
constexpr std::size_t kTotalBytes = 10 * 1024 * 1024;
constexpr std::size_t kLineCount = kTotalBytes / kLineBytes;

// Numbered lines of 63 bytes plus the line feed.
std::string MakeLines() {
    std::string bytes;
    bytes.reserve(kTotalBytes);
    char number[16];
    for (std::size_t i = 0; i < kLineCount; ++i) {
        std::snprintf(number, sizeof number, "%08zu ", i);
        bytes += number;
        bytes.append(kLineBytes - 10, static_cast<char>('a' + i % 26));
        bytes += '\n';
    }
    return bytes;
}

std::size_t CountLost(const std::vector<std::string>& lines, const std::string& sent) {
    std::size_t good = 0;
    for (std::size_t i = 0; i < lines.size() && i < kLineCount; ++i) {
        if (lines[i] == std::string_view(sent).substr(i * kLineBytes, kLineBytes - 1)) {
            ++good;
        }
    }
    return kLineCount - good;
}

}  // namespace

ReceiverAlone::ReceiverAlone() : port_(CreatePlatformSerialPort()) {
    if (!line_.IsValid() || !port_->Open(line_.DevicePath()) || !port_->ReadSettings() ||
        !port_->WriteSettings({})) {
        std::fprintf(stderr, "receiver alone: %s: %s", line_.DevicePath().c_str(),
                     port_->LastErrorText().c_str());
        return;
    }
    LineSink& lines = *this;
    MessageSink& messages = *this;
    receiver_ = std::make_unique<ReadCom>(lines, messages);
    receiver_->SetPortHandle(port_.get());
    receiver_->Resume();
    ready_ = true;
}

ReceiverAlone::~ReceiverAlone() {
    if (receiver_) {
        receiver_->Terminate();
    }
    port_->Close();
}

void ReceiverAlone::AppendLines(std::span<const std::string> batch) {
    ++handOvers_;
    lines_.insert(lines_.end(), batch.begin(), batch.end());
    if (lines_.size() >= kLineCount && lastLineNs_ == 0) {
        lastLineNs_ = NowNs();
    }
}

void ReceiverAlone::ShowPortFailure(const std::string& systemText) {
    ++failures_;
    std::fprintf(stderr, "receiver alone: port failure: %s", systemText.c_str());
}

ReceiverAloneRun ReceiverAlone::Feed() {
    const std::string bytes = MakeLines();
    lines_.clear();
    handOvers_ = 0;
    lastLineNs_ = 0;
    const std::int64_t start = NowNs();
    bool all = false;
    {
        const PtyFeeder instrument(line_, bytes);
        all = RunEventsUntil([&] { return lastLineNs_ != 0 || failures_ > 0; }) && failures_ == 0;
    }
    ReceiverAloneRun run;
    // Up to the hand-over of the last line, not to the end of the wait.
    run.seconds = static_cast<double>((all ? lastLineNs_ : NowNs()) - start) / 1e9;
    run.bytes = kTotalBytes;
    run.lines = kLineCount;
    run.megabytesPerSecond = static_cast<double>(kTotalBytes) / run.seconds / 1e6;
    run.lost = CountLost(lines_, bytes);
    run.handOvers = handOvers_;
    return run;
}

std::string ReceiverAloneFigure(const ReceiverAloneRun& run) {
    char figure[64];
    std::snprintf(figure, sizeof figure, "%.1f MB/s, %zu lost", run.megabytesPerSecond, run.lost);
    return figure;
}

}  // namespace kvq::bench
