// receive-bench: the simulator sends 100,000 lines at full speed through a pseudo-terminal
// into the shown main window; prints MB per second, lines lost and the peak memory of this
// process against the idle window's, and how long the event loop stalls while it receives.
// With the lines in the pane it then scrolls to rows all over the pane and paints each, saves
// them through the window's save flow and clears the pane, watching the stalls of each. Then
// it feeds the receiver alone, without the window, for the window's share of its speed.
// Runs on whatever platform QT_QPA_PLATFORM names (bench.sh: xcb on Xvfb).
//
//   receive-bench [LINES] [TYPE]     (default 100000 lines of type 0, KVQ-3)
//   receive-bench --long LINES       LINES lines of 64 KiB each (with CR LF), the longest a
//                                    line keeps, played from a capture file

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
#include <functional>

#include "BenchSupport.h"
#include "EventLoop.h"
#include "Files.h"
#include "Memo.h"
#include "ReceiverAlone.h"
#include "ResidentMemory.h"
#include "SimProcess.h"
#include "StallWatch.h"
#include "WindowUnderTest.h"

namespace {

using namespace kvq::bench;

constexpr int kTimeoutMs = 180000;
// A run of more lines also times its first kLinearBase lines: a line should cost no more in
// a long run than in a short one (a quarter more is noise on a busy machine).
constexpr std::size_t kLinearBase = 100000;
constexpr double kLinearTolerance = 1.25;
// The window receives at least this share of the receiver's own speed.
constexpr double kWindowShare = 0.3;

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

// How long a step took and how the event loop stalled meanwhile.
struct Stalled {
    double seconds = 0;
    std::string stalls;
    double longestMs = 0;
};

// Runs `step`, then the event loop for `settleMs`, watching the stalls.
Stalled Watched(const std::function<void()>& step, int settleMs = 0) {
    StallWatch watch;
    watch.Start();
    const std::int64_t start = NowNs();
    step();
    const double seconds = static_cast<double>(NowNs() - start) / 1e9;
    if (settleMs > 0) {
        RunEventsFor(settleMs);
    }
    watch.Stop();
    return {seconds, watch.Summary(), watch.LongestMs()};
}

// Opens COM1 and receives until the pane has `target` lines (or the simulator gave up);
// counts the read steps that handed lines over and notes when the pane held kLinearBase lines.
Stalled ReceiveAll(WindowUnderTest& window, const SimProcess& sim, std::size_t target,
                   std::size_t& steps, double& baseSeconds) {
    const kvq::Memo& pane = window->TextPane();
    QEventLoop loop;
    const std::int64_t start = NowNs();
    QObject::connect(&pane, &kvq::Memo::linesAppended, &loop, [&] {
        ++steps;
        if (baseSeconds == 0 && pane.LineCount() >= kLinearBase) {
            baseSeconds = static_cast<double>(NowNs() - start) / 1e9;
        }
        if (pane.LineCount() >= target) {
            loop.quit();
        }
    });
    QObject::connect(&sim.Process(), &QProcess::finished, &loop,
                     [&] { QTimer::singleShot(2000, &loop, &QEventLoop::quit); });
    QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
    return Watched([&] {
        window->OpenComClick();
        window->ReceiveDataClick();
        loop.exec();
    });
}

struct Figures {
    int lines = 0;
    int type = 0;
    bool longLines = false;
    qsizetype bytesSent = 0;
    int simExit = 0;
    std::size_t steps = 0;
    std::size_t linesInPane = 0;
    std::size_t lost = 0;
    double lineBytesMb = 0;
    long idleKb = 0;
    long peakKb = 0;
    Stalled receive, save, clear;
    double baseSeconds = 0;  // to the first kLinearBase lines in the pane
    std::vector<double> paintMs;
    kvq::bench::ReceiverAloneRun alone;
};

void PrintDetails(const Figures& f) {
    const double seconds = f.receive.seconds;
    const double mbPerSecond = static_cast<double>(f.bytesSent) / seconds / 1e6;
    std::printf("sent:         %lld bytes in %d lines of type %d (kvq-sim exit %d)\n",
                static_cast<long long>(f.bytesSent), f.lines, f.type, f.simExit);
    std::printf("platform:     %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("received:     %zu lines in the pane in %.2f s = %.2f MB/s, %.2f us a line\n",
                f.linesInPane, seconds, mbPerSecond, seconds * 1e6 / static_cast<double>(f.lines));
    std::printf("read steps:   %zu handed lines to the pane, %.0f lines each on average\n", f.steps,
                f.steps ? static_cast<double>(f.linesInPane) / static_cast<double>(f.steps) : 0.0);
    std::printf("lines lost:   %zu\n", f.lost);
    const double aboveIdleMb = static_cast<double>(f.peakKb - f.idleKb) / 1024.0;
    std::printf("peak memory:  %.1f MB (VmHWM) with %zu lines in the pane; idle window %.1f MB\n",
                f.peakKb / 1024.0, f.linesInPane, f.idleKb / 1024.0);
    std::printf("              %.1f MB above the idle window for %.1f MB of line bytes (%.2fx)\n",
                aboveIdleMb, f.lineBytesMb, aboveIdleMb / f.lineBytesMb);
    std::printf("stalls:       receiving: %s\n", f.receive.stalls.c_str());
    std::printf("              saving (%.2f s): %s\n", f.save.seconds, f.save.stalls.c_str());
    std::printf("              clearing (%.1f ms): %s\n", f.clear.seconds * 1e3,
                f.clear.stalls.c_str());
    std::printf("scroll+paint: %zu rows all over the pane: median %.2f ms, slowest %.2f ms\n",
                f.paintMs.size(), Percentile(f.paintMs, 50), Percentile(f.paintMs, 100));
    std::printf("alone:        the receiver without the window: %s (%.1f MB in %.3f s)\n",
                ReceiverAloneFigure(f.alone).c_str(), static_cast<double>(f.alone.bytes) / 1e6,
                f.alone.seconds);
}

// The window against the receiver alone, and against the first lines of its own run.
void PrintComparisons(const Figures& f, const std::string& what, double mbPerSecond) {
    char figure[160];
    const double share = mbPerSecond / f.alone.megabytesPerSecond;
    std::snprintf(figure, sizeof figure, "%.2f (%.2f ÷ %.1f MB/s)", share, mbPerSecond,
                  f.alone.megabytesPerSecond);
    PrintRow("receive: " + what + ", window ÷ receiver alone, same run", figure, "≥ 0.3",
             f.alone.lost > 0 ? "missed: the receiver alone lost lines"
                              : Verdict(share, kWindowShare, true));
    if (f.baseSeconds > 0 && static_cast<std::size_t>(f.lines) > kLinearBase) {
        const double us = f.receive.seconds * 1e6 / f.lines;
        const double baseUs = f.baseSeconds * 1e6 / static_cast<double>(kLinearBase);
        std::snprintf(figure, sizeof figure, "%.2f (%.2f ÷ %.2f us)", us / baseUs, us, baseUs);
        PrintRow("receive: time a line, " + std::to_string(f.lines) + " ÷ first " +
                     std::to_string(kLinearBase) + " lines",
                 figure, "≈ 1, linear in the count",
                 us / baseUs <= kLinearTolerance ? "met" : "missed: grows with the count");
    }
}

void PrintRows(const Figures& f) {
    const double mbPerSecond = static_cast<double>(f.bytesSent) / f.receive.seconds / 1e6;
    char figure[160];
    std::snprintf(figure, sizeof figure, "%.2f MB/s (%.1f MB in %.1f s), %zu lost, peak %.0f MB",
                  mbPerSecond, f.bytesSent / 1e6, f.receive.seconds, f.lost, f.peakKb / 1024.0);
    const std::string what =
        std::to_string(f.lines) + (f.longLines ? " lines of 64 KiB" : " lines");
    PrintRow("receive: " + what + " from kvq-sim into the window", figure, "≥ 20 MB/s, 0 lost",
             f.lost > 0 ? "missed: lines lost" : Verdict(mbPerSecond, 20.0, true));
    const double aboveIdleMb = static_cast<double>(f.peakKb - f.idleKb) / 1024.0;
    std::snprintf(figure, sizeof figure, "%.0f MB above the idle window for %.0f MB (%.2fx)",
                  aboveIdleMb, f.lineBytesMb, aboveIdleMb / f.lineBytesMb);
    PrintRow("memory: " + what + " in the pane", figure, "≤ 2x the line bytes",
             Verdict(aboveIdleMb / f.lineBytesMb, 2.0, false));
    const double worst = std::max({f.receive.longestMs, f.save.longestMs, f.clear.longestMs});
    PrintRow("stalls: " + what + " in the pane, longest receiving / saving / clearing",
             Ms(f.receive.longestMs) + " / " + Ms(f.save.longestMs) + " / " + Ms(f.clear.longestMs),
             "none over 50 ms", Verdict(worst, 50.0, false));
    const double paintWorst = Percentile(f.paintMs, 100);
    PrintRow("scroll to any row and paint it: " + what + " in the pane",
             "slowest of 200 " + Ms(paintWorst), "< 16 ms", Verdict(paintWorst, 16.0, false));
    PrintComparisons(f, what, mbPerSecond);
}

// Receives, scrolls and paints, saves and clears in the shown window; the figures of each.
Figures Run(WindowUnderTest& window, SimProcess& sim, const QTemporaryDir& folder, Figures f) {
    window->show();
    RunEventsFor(300);  // let the window settle
    f.idleKb = static_cast<long>(PeakResidentBytes() / 1024);
    kvq::Memo& pane = window->TextPane();
    f.receive = ReceiveAll(window, sim, static_cast<std::size_t>(f.lines), f.steps, f.baseSeconds);
    f.peakKb = static_cast<long>(PeakResidentBytes() / 1024);
    window->StopClick();
    f.paintMs = ScrollAndPaint(pane, 200);
    window.saveAnswer = folder.filePath("saved");
    f.save = Watched([&] { window->SaveDataClick(); });
    QFile::remove(folder.filePath("saved.kvq"));
    f.linesInPane = pane.LineCount();
    f.lineBytesMb = static_cast<double>(pane.StoredLines().Bytes()) / 1e6;
    sim.WaitFinished();
    const QByteArray bytes = FileBytes(folder.filePath("sent.bin"));
    f.bytesSent = bytes.size();
    f.simExit = sim.ExitCode();
    f.lost = LinesLost(pane, bytes);
    f.clear = Watched([&] { window->ClearDataClick(); }, 100);
    kvq::bench::ReceiverAlone receiver;
    if (receiver.Ready()) {
        f.alone = receiver.Feed();
    }
    return f;
}

// A capture of `lines` lines of 64 KiB with their CR LF: readings and blanks, with a Chinese
// word at the start, as a line of an instrument that never sent its line feed in time would.
QString WriteLongLines(const QTemporaryDir& folder, int lines) {
    constexpr std::size_t kLineBytes = 64 * 1024;
    QByteArray line("\xb2\xe2\xb5\xe3 ");
    for (int i = 0; line.size() < static_cast<qsizetype>(kLineBytes) - 2; ++i) {
        line += QByteArray::number(i % 1000) + ".25 ";
    }
    line.resize(static_cast<qsizetype>(kLineBytes) - 2);
    line += "\r\n";
    QFile file(folder.filePath("long.bin"));
    if (!file.open(QIODevice::WriteOnly)) {
        return {};
    }
    for (int i = 0; i < lines; ++i) {
        file.write(line);
    }
    return file.fileName();
}

QStringList SimArguments(int argc, char** argv, const QTemporaryDir& folder, Figures& f) {
    const bool longLines = argc > 1 && std::string_view(argv[1]) == "--long";
    f.longLines = longLines;
    const int at = longLines ? 2 : 1;
    f.lines = argc > at ? std::atoi(argv[at]) : (longLines ? 200 : 100000);
    f.type = !longLines && argc > 2 ? std::atoi(argv[2]) : 0;
    QStringList arguments{"--rate", "0", "--save-sent", folder.filePath("sent.bin")};
    if (longLines) {
        return arguments + QStringList{"--replay", WriteLongLines(folder, f.lines)};
    }
    return arguments +
           QStringList{"--type", QString::number(f.type), "--lines", QString::number(f.lines)};
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    Figures figures;
    QTemporaryDir folder;
    SimProcess sim;
    const QString device = sim.Start(SimArguments(argc, argv, folder, figures));
    if (device.isEmpty()) {
        std::fprintf(stderr, "receive-bench: kvq-sim did not start: %s\n",
                     sim.Errors().constData());
        return 1;
    }
    WindowUnderTest window;
    window.devices["COM1"] = device.toStdString();
    window.SelectInstrumentType(figures.type);
    figures = Run(window, sim, folder, figures);
    PrintDetails(figures);
    PrintRows(figures);
    return figures.lost == 0 ? 0 : 1;
}
