// kvq-convert: converts a captured serial log into a ".kvq" file without the instrument.
// The bytes go the same road as received ones: byte rules, text-pane line rules, writer.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "CaptureConverter.h"
#include "ConvertArguments.h"
#include "ConvertConsole.h"
#include "ConvertFiles.h"
#include "RawDataWriter.h"

namespace {

constexpr int kUsageError = 2;
constexpr int kFileError = 1;

int FileError(const std::string& message) {
    kvq::WriteText(stderr, "kvq-convert: " + message + "\n");
    return kFileError;
}

void PrintSummary(const kvq::SaveReport& report) {
    std::string text = "kvq-convert: " + std::to_string(report.linesRead) + " lines read, " +
                       std::to_string(report.records) + " records written, " +
                       std::to_string(report.linesSkipped) + " lines skipped";
    if (report.readingsNotWritten > 0) {
        text += ", " + std::to_string(report.readingsNotWritten) +
                " readings of an incomplete group not written";
    }
    kvq::WriteText(stderr, text + "\n");
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
    const std::vector<std::string> arguments = kvq::CommandLineArguments(argc, argv);
    const kvq::ConvertArguments args = kvq::ParseConvertArguments(arguments);
    switch (args.action) {
        case kvq::ConvertArguments::Action::kHelp:
            kvq::WriteText(stdout, kvq::ConvertHelpText());
            return 0;
        case kvq::ConvertArguments::Action::kVersion:
            kvq::WriteText(stdout, std::string("kvq-convert ") + KVQ_VERSION + "\n");
            return 0;
        case kvq::ConvertArguments::Action::kUsageError:
            kvq::WriteText(stderr, "kvq-convert: " + args.error + " (try --help)\n");
            return kUsageError;
        case kvq::ConvertArguments::Action::kConvert:
            break;
    }
    return Convert(args);
}
