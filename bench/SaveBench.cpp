// save-bench: saves a pane of 100,000 instrument lines of each type through the window's
// real save flow (the dialog answered by the seam) and compares it with the plainest way to
// do the same work: each line split and tested, each record written with one write(), then
// the file and its folder flushed to disk (fsync) as the save does. The flush is timed on its
// own: what putting the file on disk costs. Prints the times and ratios, the median of five
// rounds of each, and the disk the files are on.
//
//   save-bench [LINES]     (default 100000)

#include <fcntl.h>
#include <unistd.h>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "Files.h"
#include "InstrumentTable.h"
#include "Memo.h"
#include "PaneLineStore.h"
#include "RecordBuilder.h"
#include "SimLines.h"
#include "WindowUnderTest.h"

namespace {

using namespace kvq::bench;

constexpr int kRounds = 5;

std::vector<std::string> InstrumentLines(int type, int count) {
    kvq::SimLineGenerator generator(type, 1, false);
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        lines.push_back(generator.Next().text);
    }
    return lines;
}

// The file system and device a folder is on, from the longest mount point above it.
std::string DiskOf(const QString& folder) {
    const std::string path = QFile::encodeName(folder).toStdString();
    std::ifstream mounts("/proc/self/mounts");
    std::string device;
    std::string point;
    std::string type;
    std::string rest;
    std::string best;
    std::size_t bestLength = 0;
    while (mounts >> device >> point >> type && std::getline(mounts, rest)) {
        const bool above =
            path.compare(0, point.size(), point) == 0 &&
            (point == "/" || path.size() == point.size() || path[point.size()] == '/');
        if (above && point.size() >= bestLength) {
            bestLength = point.size();
            best = type + " on " + device + " (" + point + ")";
        }
    }
    return best.empty() ? "unknown" : best;
}

bool FlushFolder(const QString& path) {
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool ok = fd >= 0 && ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

struct LoopTimes {
    double seconds = -1;      // the whole loop; -1 if a call failed
    double flushSeconds = 0;  // of which the flush
};

// The plainest save: each pane line read back, split and tested by the record builder as the
// save does it, each record written with one write(), and the file and its folder put on disk.
// The builder's work is in both figures, so the ratio shows what the save adds to it.
LoopTimes WriteLoop(int type, const kvq::PaneLineStore& pane, const QString& path) {
    const std::int64_t start = NowNs();
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    bool ok = fd >= 0;
    kvq::RecordBuilder builder(type);
    std::string record;
    for (std::size_t i = 0; ok && i < pane.Count(); ++i) {
        if (builder.Next(pane.ReadBack(i)) == kvq::LineOutcome::kRecord) {
            record.assign(builder.Record()).append("\r\n");
            ok = ::write(fd, record.data(), record.size()) == static_cast<ssize_t>(record.size());
        }
    }
    const std::int64_t flushStart = NowNs();
    ok = ok && ::fsync(fd) == 0;
    ok = fd >= 0 && ::close(fd) == 0 && ok && FlushFolder(path);
    const std::int64_t end = NowNs();
    if (!ok) {
        return {};
    }
    return {static_cast<double>(end - start) / 1e9, static_cast<double>(end - flushStart) / 1e9};
}

struct TypeResult {
    double saveSeconds = 0;
    double loopSeconds = 0;   // with the flush, as the save
    double flushSeconds = 0;  // of the loop, the flush
    bool sameFiles = false;
};

TypeResult MeasureType(int type, int count, const QTemporaryDir& folder) {
    WindowUnderTest window;
    window.SelectInstrumentType(type);
    window.PutLines(InstrumentLines(type, count));
    const kvq::PaneLineStore& pane = window->TextPane().StoredLines();
    std::vector<double> save;
    std::vector<double> loop;
    std::vector<double> flush;
    for (int round = 0; round < kRounds; ++round) {
        // Each round makes new files, as a first save does.
        QFile::remove(folder.filePath("saved.kvq"));
        window.saveAnswer = folder.filePath("saved");
        const std::int64_t start = NowNs();
        window->SaveDataClick();
        save.push_back(static_cast<double>(NowNs() - start) / 1e9);
        QFile::remove(folder.filePath("loop.kvq"));
        const LoopTimes times = WriteLoop(type, pane, folder.filePath("loop.kvq"));
        loop.push_back(times.seconds);
        flush.push_back(times.flushSeconds);
    }
    TypeResult result;
    result.saveSeconds = Percentile(save, 50);
    result.loopSeconds = Percentile(loop, 50);
    result.flushSeconds = Percentile(flush, 50);
    result.sameFiles =
        window.messages.empty() && QFileInfo(folder.filePath("loop.kvq")).size() > 0 &&
        FileBytes(folder.filePath("saved.kvq")) == FileBytes(folder.filePath("loop.kvq"));
    QFile::remove(folder.filePath("saved.kvq"));
    QFile::remove(folder.filePath("loop.kvq"));
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir folder;
    const std::string disk = DiskOf(folder.path());
    std::printf("files in %s: %s\n", qPrintable(folder.path()), disk.c_str());
    std::printf("%4s %8s %10s %11s %8s %13s  %s\n", "type", "lines", "save ms", "loop ms", "ratio",
                "flush ms", "instrument");
    double worst = 0;
    bool allSame = true;
    std::string figures;
    std::string flushes;
    for (int type = 0; type < kvq::kInstrumentTypeCount; ++type) {
        const TypeResult r = MeasureType(type, count, folder);
        const double ratio = r.saveSeconds / r.loopSeconds;
        worst = std::max(worst, ratio);
        allSame = allSame && r.sameFiles;
        const std::string_view caption =
            kvq::kInstrumentTypes[static_cast<std::size_t>(type)].caption;
        std::printf("%4d %8d %10.1f %11.1f %8.2f %13.1f  %.*s%s\n", type, count,
                    r.saveSeconds * 1e3, r.loopSeconds * 1e3, ratio, r.flushSeconds * 1e3,
                    static_cast<int>(caption.size()), caption.data(),
                    r.sameFiles ? "" : "  (FILES DIFFER)");
        char one[64];
        std::snprintf(one, sizeof one, "%s%d: %.2f", type ? ", " : "", type, ratio);
        figures += one;
        std::snprintf(one, sizeof one, "%s%d: %.1f ms (%.0f %%)", type ? ", " : "", type,
                      r.flushSeconds * 1e3, 100 * r.flushSeconds / r.saveSeconds);
        flushes += one;
    }
    PrintRow("save: " + std::to_string(count) +
                 " lines a type, save flow ÷ write() loop, both flushed to disk",
             figures + (allSame ? "" : " (files differ)"), "≤ 1.5 for every type",
             allSame ? Verdict(worst, 1.5, false) : "missed: files differ");
    PrintRow("save: the flush to disk (file and folder), a save of " + std::to_string(count) +
                 " lines, its share of the save, " + disk,
             flushes, "", "");
    return allSame ? 0 : 1;
}
