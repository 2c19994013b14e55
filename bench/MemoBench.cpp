// kvq-memo-bench: how long the text pane takes to take one read step as it fills up to
// 100,000 lines. Prints figures; asserts nothing.

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "Memo.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    kvq::Memo memo;
    memo.resize(361, 277);
    memo.show();
    QApplication::processEvents();

    // A read step of 1024 bytes holds about 13 lines of a 20-value record.
    const std::string record =
        "1 10.0 9999 2.5 9999 123.4 0.56 7.89 1.23 9999 9999 9999 9999 9999 9999 5 45.6";
    const std::vector<std::string> step(13, record);
    constexpr int kTotal = 100000;
    QElapsedTimer all;
    all.start();
    double slowestMs = 0;
    std::printf("%10s %14s\n", "lines", "ms per step");
    while (memo.LineCount() < kTotal) {
        QElapsedTimer one;
        one.start();
        memo.AppendLines(step);
        QApplication::processEvents();  // the repaint belongs to the step's cost
        const double ms = one.nsecsElapsed() / 1e6;
        slowestMs = std::max(slowestMs, ms);
        if (memo.LineCount() % 10010 < step.size()) {
            std::printf("%10zu %14.3f\n", memo.LineCount(), ms);
        }
    }
    std::printf("total %zu lines in %.0f ms, slowest step %.3f ms\n", memo.LineCount(),
                all.nsecsElapsed() / 1e6, slowestMs);
    return 0;
}
