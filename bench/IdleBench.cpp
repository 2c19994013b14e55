// kvq-idle-bench: CPU time the program spends with its window open, first idle, then
// receiving on a line that sends nothing (a pseudo-terminal as COM1). Prints figures.

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "BenchSupport.h"
#include "EventLoop.h"
#include "WindowOnLine.h"

namespace {

using kvq::bench::CpuSeconds;

// Percent of a core used over `seconds` of the event loop.
double Measure(const char* what, int seconds) {
    RunEventsFor(500);  // let the start settle
    QElapsedTimer wall;
    wall.start();
    const double cpu = CpuSeconds();
    RunEventsFor(seconds * 1000);
    const double used = CpuSeconds() - cpu;
    std::printf("%-32s %6.3f s CPU in %5.1f s = %5.2f %% of a core\n", what, used,
                wall.elapsed() / 1000.0, 100.0 * used / (wall.elapsed() / 1000.0));
    return 100.0 * used / (wall.elapsed() / 1000.0);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    WindowOnLine session;
    session.window->show();
    Measure("window open, no port", seconds);
    if (!session.StartReceiving() || !session.window.messages.empty()) {
        std::fprintf(stderr, "kvq-idle-bench: could not start receiving\n");
        return 1;
    }
    const double percent = Measure("receiving, nothing arrives", seconds);
    char figure[64];
    std::snprintf(figure, sizeof figure, "%.3f %% of a core", percent);
    kvq::bench::PrintRow(
        "idle: port open, receiving, nothing arrives, " + std::to_string(seconds) + " s", figure,
        "< 1 % of a core", kvq::bench::Verdict(percent, 1.0, false));
    return 0;
}
