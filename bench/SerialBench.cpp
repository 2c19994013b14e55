// serial-bench: feeds 10 MB of lines through a pseudo-terminal into the receiver at full
// speed, then leaves the port open with nothing arriving, and prints the throughput, the
// lines lost and the receiver process's CPU time while idle.
//
//   serial-bench [IDLE_SECONDS]     (default 10)

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "EventLoop.h"
#include "PtyFeeder.h"
#include "PtyLine.h"
#include "Rdcom.h"

namespace {

using kvq::bench::CpuSeconds;

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

struct StoringSink : kvq::LineSink {
    std::vector<std::string> lines;
    std::size_t calls = 0;
    QEventLoop* loop = nullptr;
    void AppendLines(std::span<const std::string> batch) override {
        ++calls;
        lines.insert(lines.end(), batch.begin(), batch.end());
        if (lines.size() >= kLineCount && loop != nullptr) {
            loop->quit();
        }
    }
};

struct PrintingMessages : kvq::MessageSink {
    int count = 0;
    void ShowPortFailure(const std::string& systemText) override {
        ++count;
        std::fprintf(stderr, "serial-bench: port failure: %s", systemText.c_str());
    }
};

std::size_t CountLost(const std::vector<std::string>& lines, const std::string& sent) {
    std::size_t good = 0;
    for (std::size_t i = 0; i < lines.size() && i < kLineCount; ++i) {
        if (lines[i] == std::string_view(sent).substr(i * kLineBytes, kLineBytes - 1)) {
            ++good;
        }
    }
    return kLineCount - good;
}

// Sends the bytes at full speed and runs the event loop until the sink has every line; the
// seconds it took.
double FeedSeconds(PtyLine& line, const std::string& bytes, StoringSink& sink) {
    QEventLoop loop;
    sink.loop = &loop;
    QTimer::singleShot(kGuardMs, &loop, &QEventLoop::quit);
    const auto start = std::chrono::steady_clock::now();
    {
        const PtyFeeder instrument(line, bytes);
        loop.exec();
    }
    sink.loop = nullptr;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void ReportIdleCpu(int seconds) {
    const double cpuBefore = CpuSeconds();
    RunEventsFor(seconds * 1000);
    const double cpu = CpuSeconds() - cpuBefore;
    std::printf(
        "idle CPU:     %.1f ms over %d s with the port open and nothing arriving "
        "(%.3f%% of a core)\n",
        cpu * 1000, seconds, cpu / seconds * 100);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 10;
    PtyLine line;
    auto port = kvq::CreatePlatformSerialPort();
    if (!line.IsValid() || !port->Open(line.DevicePath()) || !port->ReadSettings() ||
        !port->WriteSettings({})) {
        std::fprintf(stderr, "serial-bench: %s: %s", line.DevicePath().c_str(),
                     port->LastErrorText().c_str());
        return 1;
    }
    StoringSink sink;
    PrintingMessages messages;
    kvq::ReadCom receiver(sink, messages);
    receiver.SetPortHandle(port.get());
    receiver.Resume();

    const std::string bytes = MakeLines();
    const double seconds = FeedSeconds(line, bytes, sink);
    const std::size_t lost = CountLost(sink.lines, bytes);
    std::printf("throughput:   %.1f MB/s (%zu bytes, %zu lines in %.3f s, %zu line hand-overs)\n",
                kTotalBytes / seconds / 1e6, kTotalBytes, kLineCount, seconds, sink.calls);
    std::printf("lines lost:   %zu\n", lost);
    ReportIdleCpu(idleSeconds);
    receiver.Terminate();
    port->Close();
    return lost == 0 && messages.count == 0 ? 0 : 1;
}
