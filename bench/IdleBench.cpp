// kvq-idle-bench: CPU time the program spends with its window open, first idle, then
// receiving on a line that sends nothing (a pseudo-terminal as COM1). Prints figures.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>

#include "BenchSupport.h"
#include "PtyLine.h"
#include "WindowUnderTest.h"

namespace {

using kvq::bench::CpuSeconds;

// Runs the event loop alone, as the program does; QTest::qWait would wake it itself.
void RunEventLoop(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Percent of a core used over `seconds` of the event loop.
double Measure(const char* what, int seconds) {
    RunEventLoop(500);  // let the start settle
    QElapsedTimer wall;
    wall.start();
    const double cpu = CpuSeconds();
    RunEventLoop(seconds * 1000);
    const double used = CpuSeconds() - cpu;
    std::printf("%-32s %6.3f s CPU in %5.1f s = %5.2f %% of a core\n", what, used,
                wall.elapsed() / 1000.0, 100.0 * used / (wall.elapsed() / 1000.0));
    return 100.0 * used / (wall.elapsed() / 1000.0);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    PtyLine line;
    WindowUnderTest window;
    window.devices["COM1"] = line.DevicePath();
    window->show();
    Measure("window open, no port", seconds);
    window->OpenComClick();
    window->ReceiveDataClick();
    if (!window->Receiver().IsRunning() || !window.messages.empty()) {
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
