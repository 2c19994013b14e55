// receive-bench: the simulator sends 100,000 lines at full speed through a pseudo-terminal
// into the shown main window; prints MB per second, lines lost and the peak memory of this
// process against the idle window's, and how long the event loop stalls while it receives.
// With the lines in the pane it then scrolls to rows all over the pane and paints each, saves
// them through the window's save flow and clears the pane, watching the stalls of each.
// Runs on whatever platform QT_QPA_PLATFORM names (bench.sh: xcb on Xvfb).
//
//   receive-bench [LINES] [TYPE]     (default 100000 lines of type 0, KVQ-3)

#include <QApplication>
#include <QByteArrayList>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "BenchSupport.h"
#include "EventLoop.h"
#include "Files.h"
#include "Memo.h"
#include "ResidentMemory.h"
#include "SimProcess.h"
#include "StallWatch.h"
#include "WindowUnderTest.h"

namespace {

using namespace kvq::bench;

constexpr int kTimeoutMs = 180000;

// The pane's lines that differ from the lines sent, or are missing. Scans the bytes in place:
// a copy of every line would leave the heap in a state the figures after it would pay for.
std::size_t LinesLost(const kvq::Memo& pane, const QByteArray& sent) {
    const auto& stored = pane.StoredLines();
    const std::string_view bytes(sent.constData(), static_cast<std::size_t>(sent.size()));
    std::size_t lost = 0;
    std::size_t at = 0;
    for (std::size_t from = 0, feed = 0; (feed = bytes.find('\n', from)) != bytes.npos;
         from = feed + 1, ++at) {
        std::string_view line = bytes.substr(from, feed - from);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lost += at < stored.size() && stored[at] == line ? 0 : 1;
    }
    return lost;
}

// Scrolls to rows spread over the whole pane and paints each at once; the paint times in ms.
std::vector<double> ScrollAndPaint(kvq::Memo& pane, int rows) {
    QScrollBar* bar = pane.verticalScrollBar();
    QRandomGenerator random(11);
    std::vector<double> ms;
    for (int i = 0; i < rows; ++i) {
        const int row = i == 0 ? 0 : i == 1 ? bar->maximum() : random.bounded(bar->maximum() + 1);
        const std::int64_t start = NowNs();
        bar->setValue(row);
        pane.viewport()->repaint();
        ms.push_back(static_cast<double>(NowNs() - start) / 1e6);
    }
    return ms;
}

std::string Ms(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", ms);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int type = argc > 2 ? std::atoi(argv[2]) : 0;
    QTemporaryDir folder;
    const QString sent = folder.filePath("sent.bin");
    SimProcess sim;
    const QString device = sim.Start({"--type", QString::number(type), "--lines",
                                      QString::number(lines), "--rate", "0", "--save-sent", sent});
    if (device.isEmpty()) {
        std::fprintf(stderr, "receive-bench: kvq-sim did not start: %s\n",
                     sim.Errors().constData());
        return 1;
    }

    WindowUnderTest window;
    window.devices["COM1"] = device.toStdString();
    window.SelectInstrumentType(type);
    window->show();
    RunEventsFor(300);  // let the window settle
    const long idleKb = PeakResidentBytes() / 1024;
    kvq::Memo& pane = window->TextPane();
    const auto target = static_cast<std::size_t>(lines);

    // Ends as soon as the pane has every line (or the simulator gave up).
    QEventLoop loop;
    std::size_t steps = 0;
    QObject::connect(&pane, &kvq::Memo::linesAppended, &loop, [&] {
        ++steps;
        if (pane.LineCount() >= target) {
            loop.quit();
        }
    });
    QObject::connect(&sim.Process(), &QProcess::finished, &loop,
                     [&] { QTimer::singleShot(2000, &loop, &QEventLoop::quit); });
    QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
    StallWatch stalls;
    stalls.Start();
    const std::int64_t start = NowNs();
    window->OpenComClick();
    window->ReceiveDataClick();
    loop.exec();
    const double seconds = static_cast<double>(NowNs() - start) / 1e9;
    stalls.Stop();
    const std::string receiveStalls = stalls.Summary();
    const double receiveLongest = stalls.LongestMs();
    const long peakKb = PeakResidentBytes() / 1024;
    window->StopClick();

    const std::vector<double> paintMs = ScrollAndPaint(pane, 200);
    const double paintWorst = Percentile(paintMs, 100);

    window.saveAnswer = folder.filePath("saved");
    stalls.Start();
    const std::int64_t saveStart = NowNs();
    window->SaveDataClick();
    const double saveSeconds = static_cast<double>(NowNs() - saveStart) / 1e9;
    stalls.Stop();
    const std::string saveStalls = stalls.Summary();
    const double saveLongest = stalls.LongestMs();
    QFile::remove(folder.filePath("saved.kvq"));
    const std::size_t linesInPane = pane.LineCount();
    const double lineBytesMb = static_cast<double>(pane.StoredLines().Bytes()) / 1e6;

    sim.WaitFinished();
    const QByteArray bytes = FileBytes(sent);
    const std::size_t lost = LinesLost(pane, bytes);

    stalls.Start();
    const std::int64_t clearStart = NowNs();
    window->ClearDataClick();
    const double clearMs = static_cast<double>(NowNs() - clearStart) / 1e6;
    RunEventsFor(100);
    stalls.Stop();
    const std::string clearStalls = stalls.Summary();
    const double clearLongest = stalls.LongestMs();
    const double mbPerSecond = static_cast<double>(bytes.size()) / seconds / 1e6;
    std::printf("sent:         %lld bytes in %d lines of type %d (kvq-sim exit %d)\n",
                static_cast<long long>(bytes.size()), lines, type, sim.ExitCode());
    std::printf("platform:     %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("received:     %zu lines in the pane in %.2f s = %.2f MB/s, %.2f us a line\n",
                linesInPane, seconds, mbPerSecond, seconds * 1e6 / static_cast<double>(lines));
    std::printf("read steps:   %zu handed lines to the pane, %.0f lines each on average\n", steps,
                steps ? static_cast<double>(linesInPane) / static_cast<double>(steps) : 0.0);
    std::printf("lines lost:   %zu\n", lost);
    const double aboveIdleMb = static_cast<double>(peakKb - idleKb) / 1024.0;
    std::printf("peak memory:  %.1f MB (VmHWM) with %zu lines in the pane; idle window %.1f MB\n",
                peakKb / 1024.0, linesInPane, idleKb / 1024.0);
    std::printf("              %.1f MB above the idle window for %.1f MB of line bytes (%.2fx)\n",
                aboveIdleMb, lineBytesMb, aboveIdleMb / lineBytesMb);
    std::printf("stalls:       receiving: %s\n", receiveStalls.c_str());
    std::printf("              saving (%.2f s): %s\n", saveSeconds, saveStalls.c_str());
    std::printf("              clearing (%.1f ms): %s\n", clearMs, clearStalls.c_str());
    std::printf("scroll+paint: %zu rows all over the pane: median %.2f ms, slowest %.2f ms\n",
                paintMs.size(), Percentile(paintMs, 50), paintWorst);

    char figure[160];
    std::snprintf(figure, sizeof figure, "%.2f MB/s (%.1f MB in %.1f s), %zu lost, peak %.0f MB",
                  mbPerSecond, bytes.size() / 1e6, seconds, lost, peakKb / 1024.0);
    PrintRow("receive: " + std::to_string(lines) + " lines from kvq-sim into the window", figure,
             "≥ 20 MB/s, 0 lost",
             lost > 0 ? "missed: lines lost" : Verdict(mbPerSecond, 20.0, true));
    std::snprintf(figure, sizeof figure, "%.0f MB above the idle window for %.0f MB (%.2fx)",
                  aboveIdleMb, lineBytesMb, aboveIdleMb / lineBytesMb);
    const std::string what = std::to_string(lines) + " lines in the pane";
    PrintRow("memory: " + what, figure, "≤ 2x the line bytes",
             Verdict(aboveIdleMb / lineBytesMb, 2.0, false));
    const double worstStall = std::max({receiveLongest, saveLongest, clearLongest});
    PrintRow("stalls: " + what + ", longest receiving / saving / clearing",
             Ms(receiveLongest) + " / " + Ms(saveLongest) + " / " + Ms(clearLongest),
             "none over 50 ms", Verdict(worstStall, 50.0, false));
    PrintRow("scroll to any row and paint it: " + what, "slowest of 200 " + Ms(paintWorst),
             "< 16 ms", Verdict(paintWorst, 16.0, false));
    return lost == 0 ? 0 : 1;
}
