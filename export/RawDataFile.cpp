#include "RawDataFile.h"

#include "SystemErrorText.h"

namespace kvq {

RawDataWriter::RawDataWriter(int instrumentType, std::string fileName) : builder_(instrumentType) {
    report_.fileName = std::move(fileName);
}

RawDataWriter::~RawDataWriter() = default;

bool RawDataWriter::Open() {
    if (!file_.Create(report_.fileName)) {
        Fail("open", file_.Error());
        return false;
    }
    return true;
}

void RawDataWriter::UseDescriptor(int fd) {
    file_.Adopt(fd);
}

void RawDataWriter::Feed(std::string_view line) {
    ++report_.linesRead;
    switch (builder_.Next(line)) {
        case LineOutcome::kRecord:
            if (report_.ok && WriteRecord(builder_.Record())) {
                ++report_.records;
            }
            break;
        case LineOutcome::kTaken:
            break;
        case LineOutcome::kSkipped:
            ++report_.linesSkipped;
            break;
    }
}

bool RawDataWriter::WriteRecord(std::string_view record) {
    if (!file_.Write(record, "\r\n")) {
        Fail("write", file_.Error());
        return false;
    }
    return true;
}

const SaveReport& RawDataWriter::Finish() {
    report_.readingsNotWritten = builder_.ReadingsOfOpenGroup();
    if (!file_.Close() && report_.ok) {
        Fail("close", file_.Error());
    }
    return report_;
}

void RawDataWriter::Fail(const char* operation, unsigned long error) {
    report_.ok = false;
    report_.failedOperation = operation;
    report_.errorCode = static_cast<int>(error);
    report_.errorText = SystemErrorText(error);
}

SaveReport WriteRawDataFile(std::span<const std::string> lines, int instrumentType,
                            const std::string& fileName) {
    RawDataWriter writer(instrumentType, fileName);
    if (!writer.Open()) {
        return writer.Report();
    }
    for (const std::string& line : lines) {
        writer.Feed(line);
    }
    return writer.Finish();
}

}  // namespace kvq
