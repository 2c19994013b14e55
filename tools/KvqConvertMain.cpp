// kvq-convert: converts a captured serial log into a ".kvq" file without the instrument.
// The bytes go the same road as received ones: byte rules, text-pane line rules, writer.

#include <cstdio>
#include <string>
#include <string_view>

#include "CaptureConverter.h"
#include "ConvertFiles.h"
#include "InstrumentType.h"
#include "RawDataWriter.h"

namespace {

constexpr int kUsageError = 2;
constexpr int kFileError = 1;

void PrintHelp() {
    std::printf(
        "usage: kvq-convert --type N INPUT OUTPUT\n"
        "       kvq-convert --version\n"
        "\n"
        "Converts the bytes of a serial capture into a .kvq raw-data file, exactly as the\n"
        "program saves them when they were received with instrument type N selected.\n"
        "INPUT or OUTPUT may be '-' for standard input or output. OUTPUT is used as given.\n"
        "\n"
        "Instrument types:\n");
    for (int i = 0; i < kvq::kInstrumentTypeCount; ++i) {
        const std::string_view caption = kvq::kInstrumentCaptions[static_cast<std::size_t>(i)];
        std::printf("  %d  %.*s\n", i, static_cast<int>(caption.size()), caption.data());
    }
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "kvq-convert: %s (try --help)\n", message.c_str());
    return kUsageError;
}

int FileError(const std::string& message) {
    std::fprintf(stderr, "kvq-convert: %s\n", message.c_str());
    return kFileError;
}

bool ParseType(std::string_view text, int& type) {
    if (text.size() != 1 || text[0] < '0' || text[0] >= '0' + kvq::kInstrumentTypeCount) {
        return false;
    }
    type = text[0] - '0';
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int type = -1;
    std::string input;
    std::string output;
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintHelp();
            return 0;
        }
        if (arg == "--version") {
            std::printf("kvq-convert %s\n", KVQ_VERSION);
            return 0;
        }
        if (arg == "--type") {
            if (i + 1 >= argc) {
                return UsageError("--type needs a number from 0 to 5");
            }
            if (!ParseType(argv[++i], type)) {
                return UsageError(std::string("unknown instrument type '") + argv[i] +
                                  "': use 0 to 5");
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError(std::string("unknown option '") + argv[i] + "'");
        } else if (positional == 0) {
            input = arg;
            ++positional;
        } else if (positional == 1) {
            output = arg;
            ++positional;
        } else {
            return UsageError(std::string("unexpected argument '") + argv[i] + "'");
        }
    }
    if (type < 0) {
        return UsageError("missing --type N");
    }
    if (positional < 2) {
        return UsageError("missing INPUT and OUTPUT");
    }

    // The input is opened and checked first, and the output is written beside its target:
    // a conversion that fails leaves an existing output as it was.
    kvq::ConvertInput in;
    kvq::ConvertOutput out;
    std::string error;
    if (!in.Open(input, error) || !out.Open(output, in, error)) {
        return FileError(error);
    }
    // Buffered: the per-record flush is the window's promise, not this converter's.
    kvq::RawDataWriter writer(type, out.Name(), kvq::WriteMode::kBuffered);
    writer.UseDescriptor(out.Descriptor());

    kvq::PaneLineStore pane;
    kvq::CaptureConverter converter(pane);
    char buffer[64 * 1024];
    bool readFailed = false;
    for (;;) {
        const long n = in.Read(buffer, sizeof buffer, error);
        if (n <= 0) {
            readFailed = n < 0;
            break;
        }
        converter.Feed(std::string_view(buffer, static_cast<std::size_t>(n)));
    }
    if (readFailed) {
        return FileError(error);
    }
    converter.Finish();
    const kvq::SaveReport& report = kvq::WriteRawDataFile(pane, writer);
    if (!report.ok) {
        return FileError(report.fileName + ": " + report.errorText);
    }
    if (!out.Commit(error)) {
        return FileError(error);
    }
    std::fprintf(stderr, "kvq-convert: %zu lines read, %zu records written, %zu lines skipped",
                 report.linesRead, report.records, report.linesSkipped);
    if (report.readingsNotWritten > 0) {
        std::fprintf(stderr, ", %zu readings of an incomplete group not written",
                     report.readingsNotWritten);
    }
    std::fputc('\n', stderr);
    return 0;
}
