// Converts a generated capture of 1,000,000 lines of each instrument type through the same
// road as kvq-convert (byte rules, pane line rules, writer) into a real file, and prints
// lines per second and MB per second; kvq-convert's road of type 0 is to take 3 M lines/s.
// Run by ./bench.sh; not a test.

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "CaptureConverter.h"
#include "InstrumentTable.h"
#include "RawDataWriter.h"

namespace {

constexpr int kLines = 1'000'000;
constexpr double kTypeZeroLinesPerSecond = 3e6;

std::string Numbers(int count, int seed, const char* sep) {
    std::string line;
    for (int i = 0; i < count; ++i) {
        if (i) {
            line += sep;
        }
        line += std::to_string((seed * 31 + i * 7) % 1000) + "." + std::to_string(i % 100);
    }
    return line;
}

// One capture as an instrument of the type would print it, with CR LF line ends.
std::string Capture(int type) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(kLines) * 120);
    for (int i = 0; i < kLines; ++i) {
        switch (type) {
            case 0:
                bytes += Numbers(20, i, ", ");
                break;
            case 1:
                bytes +=
                    i % 10 == 0 ? "1,2,3," + std::to_string(i) + ",5,6,7,8" : Numbers(22, i, " ");
                break;
            case 2:
                bytes +=
                    i % 11 == 0 ? std::string("POINT ") + std::to_string(i) : Numbers(1, i, "");
                break;
            case 5:
                bytes += Numbers(4, i, " ");
                break;
            default:
                bytes += Numbers(8, i, "\t");
                break;
        }
        bytes += "\r\n";
    }
    return bytes;
}

// One buffered save into a descriptor, as kvq-convert writes its output (whose own flush is
// not timed).
kvq::SaveReport SaveAsConverted(const kvq::PaneLineStore& pane, int type, const std::string& out) {
    const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    kvq::RawDataWriter writer(type, out, kvq::WriteMode::kBuffered);
    writer.UseDescriptor(fd);
    kvq::SaveReport report = kvq::WriteRawDataFile(pane, writer);
    if (fd >= 0 && ::close(fd) != 0 && report.ok) {
        report.ok = false;
        report.errorText = std::strerror(errno);
    }
    return report;
}

struct TypeFigures {
    double linesPerSecond = 0;
    double megabytesPerSecond = 0;
};

// Converts the capture of one type into a file in `dir` and prints its line of the table;
// false if the file could not be written.
bool ConvertType(int type, const std::string& dir, TypeFigures& figures) {
    const std::string capture = Capture(type);
    const std::string out = dir + "/bench.kvq";
    const auto start = std::chrono::steady_clock::now();
    // As kvq-convert does it: the capture into the pane's store, then one buffered save.
    kvq::PaneLineStore pane;
    kvq::CaptureConverter converter(pane);
    // Fed in 64 KB pieces, as kvq-convert reads a file.
    for (std::size_t at = 0; at < capture.size(); at += 65536) {
        converter.Feed(std::string_view(capture).substr(at, 65536));
    }
    converter.Finish();
    const kvq::SaveReport report = SaveAsConverted(pane, type, out);
    if (!report.ok) {
        std::fprintf(stderr, "%s: %s\n", out.c_str(), report.errorText.c_str());
        return false;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ::unlink(out.c_str());
    const std::string_view caption = kvq::kInstrumentTypes[static_cast<std::size_t>(type)].caption;
    std::printf("%4d %10zu %10zu %12.0f %8.1f %9.2f  %.*s\n", type, report.linesRead,
                report.records, report.linesRead / seconds, capture.size() / seconds / 1e6,
                seconds * 1e6 / report.linesRead, static_cast<int>(caption.size()), caption.data());
    figures.linesPerSecond = static_cast<double>(report.linesRead) / seconds;
    figures.megabytesPerSecond = static_cast<double>(capture.size()) / seconds / 1e6;
    return true;
}

// The summary's rows: the bytes to file of every type, and kvq-convert's road of type 0.
void PrintRows(const std::vector<TypeFigures>& types) {
    const auto [slowest, fastest] = std::minmax_element(
        types.begin(), types.end(), [](const TypeFigures& a, const TypeFigures& b) {
            return a.megabytesPerSecond < b.megabytesPerSecond;
        });
    char figure[64];
    std::snprintf(figure, sizeof figure, "%.0f–%.0f MB/s", slowest->megabytesPerSecond,
                  fastest->megabytesPerSecond);
    kvq::bench::PrintRow("export: 1,000,000 lines a type, bytes to file", figure, "", "");
    const double typeZero = types.front().linesPerSecond;
    std::snprintf(figure, sizeof figure, "%.2f M lines/s", typeZero / 1e6);
    kvq::bench::PrintRow("kvq-convert road, type 0: 1,000,000 lines, buffered", figure,
                         "≥ 3 M lines/s",
                         kvq::bench::Verdict(typeZero, kTypeZeroLinesPerSecond, true));
}

}  // namespace

int main() {
    char dir[] = "/tmp/kvq-export-bench-XXXXXX";
    if (!::mkdtemp(dir)) {
        std::perror("mkdtemp");
        return 1;
    }
    std::printf("%4s %10s %10s %12s %8s %9s  %s\n", "type", "lines", "records", "lines/s", "MB/s",
                "us/line", "instrument");
    std::vector<TypeFigures> types(kvq::kInstrumentTypeCount);
    for (int type = 0; type < kvq::kInstrumentTypeCount; ++type) {
        if (!ConvertType(type, dir, types[static_cast<std::size_t>(type)])) {
            return 1;
        }
    }
    ::rmdir(dir);
    PrintRows(types);
    return 0;
}
