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

// When the pane last took lines and last painted more lines than before, by its signals.
struct PaneClock {
    std::int64_t appendedAt = 0;
    std::int64_t shownAt = 0;
    std::size_t shownCount = 0;

    explicit PaneClock(const kvq::Memo& pane) {
        QObject::connect(&pane, &kvq::Memo::linesAppended, [this] { appendedAt = NowNs(); });
        QObject::connect(&pane, &kvq::Memo::painted, [this](std::size_t lines) {
            if (lines > shownCount) {
                shownCount = lines;
                shownAt = NowNs();
            }
        });
    }
};

// Times from the line feed to the pane taking the line and to its paint, in ms each.
struct Times {
    std::vector<double> appended;
    std::vector<double> shown;
};

// Sends line `n` without its line feed, waits until the receiver holds it and the window has
// idled, then sends the line feed and times it; false (with a message) if the line got lost.
bool TimeOneLine(WindowOnLine& session, PaneClock& clock, int n, Times& times) {
    const std::string body = Observation(n);
    if (!session.line.Send(body) || !RunEventsUntil([&] { return session.Pending() == body; })) {
        std::fprintf(stderr, "latency-bench: line %d did not reach the receiver\n", n);
        return false;
    }
    // The window idles a little over a frame first: the figure is for a line feed that
    // arrives while nothing else is being shown, not one caught in a burst's frame.
    RunEventsFor(kIdleMs);
    const std::size_t before = session.window->TextPane().LineCount();
    const std::int64_t sentAt = NowNs();
    if (!session.line.Send("\n") || !RunEventsUntil([&] { return clock.shownCount > before; })) {
        std::fprintf(stderr, "latency-bench: line %d was not shown in the pane\n", n);
        return false;
    }
    times.appended.push_back(static_cast<double>(clock.appendedAt - sentAt) / 1e6);
    times.shown.push_back(static_cast<double>(clock.shownAt - sentAt) / 1e6);
    return true;
}

void Report(int count, const Times& times) {
    const std::vector<double>& ms = times.appended;
    std::printf("%d lines, line feed written to line in the pane (AppendLines):\n", count);
    std::printf("  median %.3f ms, 99th percentile %.3f ms, slowest %.3f ms\n", Percentile(ms, 50),
                Percentile(ms, 99), Percentile(ms, 100));
    const double median = Percentile(times.shown, 50);
    const double p99 = Percentile(times.shown, 99);
    std::printf("line feed written to the line painted on screen:\n");
    std::printf("  median %.3f ms, 99th percentile %.3f ms, slowest %.3f ms\n", median, p99,
                Percentile(times.shown, 100));
    char figure[96];
    std::snprintf(figure, sizeof figure, "median %.2f ms, 99th percentile %.2f ms", median, p99);
    PrintRow("latency: line feed to the line painted, " + std::to_string(count) + " lines", figure,
             "median < 10 ms", Verdict(median, 10.0, false));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    WindowOnLine session;
    session.window->show();
    if (!session.line.IsValid() || !session.StartReceiving() || !session.window.messages.empty()) {
        std::fprintf(stderr, "latency-bench: could not start receiving\n");
        return 1;
    }
    PaneClock clock(session.window->TextPane());
    Times times;
    for (int i = 1; i <= count; ++i) {
        if (!TimeOneLine(session, clock, i, times)) {
            return 1;
        }
    }
    Report(count, times);
    return 0;
}
