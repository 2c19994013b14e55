// kvq-convert: converts a captured serial log into a ".kvq" file without the instrument.
// The bytes go the same road as received ones: byte rules, text-pane line rules, writer.

#include <cstdio>
#include <string>
#include <string_view>

#include "CaptureConverter.h"
#include "ConvertArguments.h"
#include "ConvertFiles.h"
#include "RawDataWriter.h"

namespace {

constexpr int kUsageError = 2;
constexpr int kFileError = 1;

int FileError(const std::string& message) {
    std::fprintf(stderr, "kvq-convert: %s\n", message.c_str());
    return kFileError;
}

void PrintSummary(const kvq::SaveReport& report) {
    std::fprintf(stderr, "kvq-convert: %zu lines read, %zu records written, %zu lines skipped",
                 report.linesRead, report.records, report.linesSkipped);
    if (report.readingsNotWritten > 0) {
        std::fprintf(stderr, ", %zu readings of an incomplete group not written",
                     report.readingsNotWritten);
    }
    std::fputc('\n', stderr);
}

// Reads the whole input through the byte and pane-line rules into `pane`.
bool ReadCapture(kvq::ConvertInput& in, kvq::PaneLineStore& pane, std::string& error) {
    kvq::CaptureConverter converter(pane);
    static char buffer[64 * 1024];
    for (;;) {
        const long n = in.Read(buffer, sizeof buffer, error);
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            converter.Finish();
            return true;
        }
        converter.Feed(std::string_view(buffer, static_cast<std::size_t>(n)));
    }
}

int Convert(const kvq::ConvertArguments& args) {
    // The input is opened and checked first, and the output is written beside its target:
    // a conversion that fails leaves an existing output as it was.
    kvq::ConvertInput in;
    kvq::ConvertOutput out;
    std::string error;
    if (!in.Open(args.input, error) || !out.Open(args.output, in, error)) {
        return FileError(error);
    }
    kvq::PaneLineStore pane;
    if (!ReadCapture(in, pane, error)) {
        return FileError(error);
    }
    // Buffered: the per-record flush is the window's promise, not this converter's.
    kvq::RawDataWriter writer(args.type, out.Name(), kvq::WriteMode::kBuffered);
    writer.UseDescriptor(out.Descriptor());
    const kvq::SaveReport& report = kvq::WriteRawDataFile(pane, writer);
    if (!report.ok) {
        return FileError(report.fileName + ": " + report.errorText);
    }
    if (!out.Commit(error)) {
        return FileError(error);
    }
    PrintSummary(report);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const kvq::ConvertArguments args = kvq::ParseConvertArguments(argc, argv);
    switch (args.action) {
        case kvq::ConvertArguments::Action::kHelp:
            std::fputs(kvq::ConvertHelpText().c_str(), stdout);
            return 0;
        case kvq::ConvertArguments::Action::kVersion:
            std::printf("kvq-convert %s\n", KVQ_VERSION);
            return 0;
        case kvq::ConvertArguments::Action::kUsageError:
            std::fprintf(stderr, "kvq-convert: %s (try --help)\n", args.error.c_str());
            return kUsageError;
        case kvq::ConvertArguments::Action::kConvert:
            break;
    }
    return Convert(args);
}
