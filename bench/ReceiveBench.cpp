// receive-bench: the simulator sends 100,000 lines at full speed through a pseudo-terminal
// into the running main window (offscreen); prints MB per second, lines lost and the peak
// memory of this process, which holds the window with all the lines in its pane.
//
//   receive-bench [LINES] [TYPE]     (default 100000 lines of type 0, KVQ-3)

#include <QApplication>
#include <QByteArrayList>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "BenchSupport.h"
#include "Memo.h"
#include "WindowUnderTest.h"

namespace {

using namespace kvq::bench;

constexpr int kTimeoutMs = 180000;

// The pane's lines that differ from the lines sent, or are missing.
std::size_t LinesLost(const kvq::Memo& pane, const QByteArray& sent) {
    QByteArrayList lines = sent.split('\n');
    lines.removeLast();  // after the last line feed
    const auto& stored = pane.StoredLines();
    std::size_t lost = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        const auto at = static_cast<std::size_t>(i);
        lost += at < stored.size() && stored[at] == line.toStdString() ? 0 : 1;
    }
    return lost;
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString StartSim(QProcess& sim, int lines, int type, const QString& sent) {
    sim.start(SiblingProgram("kvq-sim"),
              {"--type", QString::number(type), "--lines", QString::number(lines), "--rate", "0",
               "--save-sent", sent});
    if (!sim.waitForStarted(30000)) {
        return {};
    }
    while (!sim.canReadLine() && sim.state() == QProcess::Running) {
        sim.waitForReadyRead(200);
    }
    return QString::fromLocal8Bit(sim.readLine()).trimmed();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int type = argc > 2 ? std::atoi(argv[2]) : 0;
    QTemporaryDir folder;
    const QString sent = folder.filePath("sent.bin");
    QProcess sim;
    const QString device = StartSim(sim, lines, type, sent);
    if (device.isEmpty()) {
        std::fprintf(stderr, "receive-bench: kvq-sim did not start: %s\n",
                     sim.readAllStandardError().constData());
        return 1;
    }

    WindowUnderTest window;
    window.devices["COM1"] = device.toStdString();
    window.SelectInstrumentType(type);
    window->show();
    RunUntil([] { return false; }, 300);  // let the window settle
    const kvq::Memo& pane = window->TextPane();
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
    QObject::connect(&sim, &QProcess::finished, &loop,
                     [&] { QTimer::singleShot(2000, &loop, &QEventLoop::quit); });
    QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
    const std::int64_t start = NowNs();
    window->OpenComClick();
    window->ReceiveDataClick();
    loop.exec();
    const double seconds = static_cast<double>(NowNs() - start) / 1e9;
    const long peakKb = PeakMemoryKb();

    RunUntil([&] { return sim.state() == QProcess::NotRunning; }, 30000);
    const QByteArray bytes = FileBytes(sent);
    const std::size_t lost = LinesLost(pane, bytes);
    const double mbPerSecond = static_cast<double>(bytes.size()) / seconds / 1e6;
    std::printf("sent:         %lld bytes in %d lines of type %d (kvq-sim exit %d)\n",
                static_cast<long long>(bytes.size()), lines, type, sim.exitCode());
    std::printf("received:     %zu lines in the pane in %.2f s = %.2f MB/s\n", pane.LineCount(),
                seconds, mbPerSecond);
    std::printf("read steps:   %zu handed lines to the pane, %.0f lines each on average\n", steps,
                steps ? static_cast<double>(pane.LineCount()) / static_cast<double>(steps) : 0.0);
    std::printf("lines lost:   %zu\n", lost);
    std::printf("peak memory:  %.1f MB (VmHWM) with %zu lines in the pane\n", peakKb / 1024.0,
                pane.LineCount());

    char figure[160];
    std::snprintf(figure, sizeof figure, "%.2f MB/s (%.1f MB in %.1f s), %zu lost, peak %.0f MB",
                  mbPerSecond, bytes.size() / 1e6, seconds, lost, peakKb / 1024.0);
    PrintRow("receive: " + std::to_string(lines) + " lines from kvq-sim into the window", figure,
             "≥ 1 MB/s, 0 lost", lost > 0 ? "missed: lines lost" : Verdict(mbPerSecond, 1.0, true));
    return lost == 0 ? 0 : 1;
}
