// latency-bench: how long a line takes from the instrument's line feed to the text pane.
// This process owns the pseudo-terminal's master: it sends a line without its line feed,
// waits until the receiver holds it, then writes the line feed and times until the pane has
// the line (AppendLines) and until a paint has shown it, with the window's event loop running.
// 1,000 lines, one at a time, each after the window has idled for a frame.
//
//   latency-bench [LINES]     (default 1000)

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "EventLoop.h"
#include "Memo.h"
#include "WindowOnLine.h"

namespace {

using namespace kvq::bench;

// A little over one frame of the pane's coalescing.
constexpr int kIdleMs = 20;

// A KVQ-3 observation of twenty fields, as the instrument prints it, without its line feed.
std::string Observation(int n) {
    std::string line = std::to_string(n);
    for (int field = 1; field < 20; ++field) {
        line +=
            ' ' + std::to_string((n * 37 + field * 101) % 10000) + '.' + std::to_string(field % 10);
    }
    return line + '\r';
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    WindowOnLine session;
    PtyLine& line = session.line;
    WindowUnderTest& window = session.window;
    window->show();
    if (!line.IsValid() || !session.StartReceiving() || !window.messages.empty()) {
        std::fprintf(stderr, "latency-bench: could not start receiving\n");
        return 1;
    }
    const kvq::Memo& pane = window->TextPane();
    std::int64_t appendedAt = 0;
    std::int64_t shownAt = 0;
    std::size_t shownCount = 0;
    QObject::connect(&pane, &kvq::Memo::linesAppended, [&] { appendedAt = NowNs(); });
    QObject::connect(&pane, &kvq::Memo::painted, [&](std::size_t lines) {
        if (lines > shownCount) {
            shownCount = lines;
            shownAt = NowNs();
        }
    });

    std::vector<double> ms;
    std::vector<double> shownMs;
    for (int i = 1; i <= count; ++i) {
        const std::string body = Observation(i);
        if (!line.Send(body) ||
            !RunEventsUntil([&] { return window->Receiver().LineBuffer().Pending() == body; })) {
            std::fprintf(stderr, "latency-bench: line %d did not reach the receiver\n", i);
            return 1;
        }
        // The window idles a little over a frame first: the figure is for a line feed that
        // arrives while nothing else is being shown, not one caught in a burst's frame.
        RunEventsFor(kIdleMs);
        const std::size_t before = pane.LineCount();
        const std::int64_t sentAt = NowNs();
        if (!line.Send("\n") || !RunEventsUntil([&] { return shownCount > before; })) {
            std::fprintf(stderr, "latency-bench: line %d was not shown in the pane\n", i);
            return 1;
        }
        ms.push_back(static_cast<double>(appendedAt - sentAt) / 1e6);
        shownMs.push_back(static_cast<double>(shownAt - sentAt) / 1e6);
    }
    std::printf("%d lines, line feed written to line in the pane (AppendLines):\n", count);
    std::printf("  median %.3f ms, 99th percentile %.3f ms, slowest %.3f ms\n", Percentile(ms, 50),
                Percentile(ms, 99), Percentile(ms, 100));
    const double median = Percentile(shownMs, 50);
    const double p99 = Percentile(shownMs, 99);
    std::printf("line feed written to the line painted on screen:\n");
    std::printf("  median %.3f ms, 99th percentile %.3f ms, slowest %.3f ms\n", median, p99,
                Percentile(shownMs, 100));
    char figure[96];
    std::snprintf(figure, sizeof figure, "median %.2f ms, 99th percentile %.2f ms", median, p99);
    PrintRow("latency: line feed to the line painted, " + std::to_string(count) + " lines", figure,
             "median < 10 ms", Verdict(median, 10.0, false));
    return 0;
}
