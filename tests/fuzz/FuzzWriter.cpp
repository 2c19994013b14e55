// The whole writer for each instrument type on arbitrary multi-line input.
//
// Input: byte 0 picks the instrument type (its value modulo 8: 0 to 5, and 6 and 7 for
// indexes outside them, 7 standing for -1); the rest are text-pane lines cut at line feeds.
// The file that RawDataWriter writes record by record (as the window saves) must hold, each
// ended by CR LF, the records of the layout of the type built column by column from the plain
// references of ReferenceFields.h (fields, readings, the carried value), not from the code
// under test, and its report must count them, the skipped lines and the readings left over.
// Written buffered (as kvq-convert saves) from only the lines that the type looks at by their
// field count, and for the two high-power receivers with the other one's type, the file must
// be the same.

#include <sys/mman.h>
#include <unistd.h>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FuzzCheck.h"
#include "RawDataWriter.h"
#include "ReferenceFields.h"

namespace {

using Lines = std::vector<std::string_view>;
using Fields = std::vector<std::string>;

constexpr std::array<int, 8> kTypes = {0, 1, 2, 3, 4, 5, 6, -1};
constexpr std::size_t kColumns = 20;

void CutLines(std::string_view text, Lines& lines) {
    lines.clear();
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string_view::npos;
         start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
}

// Field counts that a type looks at; every other line is skipped whatever it holds.
bool CountsFor(int type, std::size_t n) {
    return reference::IsRecordCount(type, n) || reference::IsCarrierCount(type, n);
}

// Source of each column: a field number, or one of these.
constexpr int kNines = -1;
constexpr int kFive = -2;
constexpr int kCarried = -3;
constexpr std::array<int, kColumns> kType1Columns = {0,  1,  5,  2,  3,  6,        7,  8,  9,  10,
                                                     11, 14, 12, 13, 15, kCarried, 17, 18, 19, 20};
constexpr std::array<int, kColumns> kReceiverColumns = {
    0,      1,      kNines, 2,      kNines, 3,     4, 5,      6,      kNines,
    kNines, kNines, kNines, kNines, kNines, kFive, 7, kNines, kNines, kNines};

// A record from its columns' sources, joined by single blanks (no field holds a blank).
std::string Record(const std::array<int, kColumns>& sources, const Fields& fields,
                   std::int32_t carried) {
    std::string record;
    for (std::size_t i = 0; i < kColumns; ++i) {
        const int source = sources[i];
        if (i > 0) {
            record += ' ';
        }
        if (source >= 0) {
            record += fields[static_cast<std::size_t>(source)];
        } else if (source == kNines) {
            record += "9999";
        } else if (source == kFive) {
            record += "5";
        } else {
            record += std::to_string(carried);
        }
    }
    return record;
}

// Readings 1-5, ten columns "9999", readings 6-10.
std::string Type2Record(const std::vector<std::string>& readings) {
    std::string record = readings[0];
    for (std::size_t i = 1; i < 5; ++i) {
        record += ' ' + readings[i];
    }
    for (int i = 0; i < 10; ++i) {
        record += " 9999";
    }
    for (std::size_t i = 5; i < 10; ++i) {
        record += ' ' + readings[i];
    }
    return record;
}

// What a save of the lines must give, worked out from the references alone.
struct Expected {
    std::string file;
    std::size_t records = 0;
    std::size_t skipped = 0;
    std::size_t leftOver = 0;  // type 2: readings of an incomplete last group
};

// The record a line makes, if any; `taken` tells a line that feeds later records.
std::optional<std::string> RecordOf(int type, std::string_view line, const Fields& fields,
                                    std::int32_t& carried, std::vector<std::string>& readings,
                                    bool& taken) {
    const std::size_t n = fields.size();
    taken = false;
    if (reference::IsCarrierCount(type, n)) {
        carried = reference::ReferenceCarried(fields[3]);
        taken = true;
    }
    if (!reference::IsRecordCount(type, n)) {
        return std::nullopt;
    }
    switch (type) {
        case 1:
            return Record(kType1Columns, fields, carried);
        case 2:
            if (!reference::IsReading(fields[0])) {
                return std::nullopt;
            }
            readings.push_back(fields[0]);
            taken = readings.size() < 10;
            if (taken) {
                return std::nullopt;
            }
            return Type2Record(std::exchange(readings, {}));
        case 3:
        case 4:
            return Record(kReceiverColumns, fields, 1);
        default:  // 0 and 5 pass the line through
            return std::string(line);
    }
}

Expected ExpectedSave(int type, const Lines& lines, const std::vector<Fields>& fieldsOf) {
    Expected expected;
    std::int32_t carried = 1;  // at the start of every save
    std::vector<std::string> readings;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        bool taken = false;
        const std::optional<std::string> record =
            RecordOf(type, lines[i], fieldsOf[i], carried, readings, taken);
        if (record) {
            expected.file += *record + "\r\n";
            ++expected.records;
        } else if (!taken) {
            ++expected.skipped;
        }
    }
    expected.leftOver = readings.size();
    return expected;
}

// Saves the lines with RawDataWriter into a memory file and returns the bytes written. The
// file is not cut between saves (that costs more than a save): what a save wrote is what lies
// before the descriptor's offset, since the writer only ever appends.
std::string Save(int type, const Lines& lines, kvq::WriteMode mode, kvq::SaveReport& report) {
    static const int fd = ::memfd_create("kvq-fuzz-writer", MFD_CLOEXEC);
    KVQ_FUZZ_CHECK(fd >= 0);
    KVQ_FUZZ_CHECK(::lseek(fd, 0, SEEK_SET) == 0);
    kvq::RawDataWriter writer(type, "memory file", mode);
    writer.UseDescriptor(fd);
    for (std::string_view line : lines) {
        writer.Feed(line);
    }
    report = writer.Finish();
    KVQ_FUZZ_CHECK(report.ok);
    KVQ_FUZZ_CHECK(report.linesRead == lines.size());
    const off_t size = ::lseek(fd, 0, SEEK_CUR);
    KVQ_FUZZ_CHECK(size >= 0);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    KVQ_FUZZ_CHECK(::pread(fd, bytes.data(), bytes.size(), 0) == size);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const int type = kTypes[data[0] % kTypes.size()];
    // Kept from input to input, so that their storage is allocated once, not each time.
    static Lines lines;
    static Lines counted;
    static std::vector<Fields> fieldsOf;
    CutLines(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1), lines);
    fieldsOf.resize(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        fieldsOf[i] = reference::ReferenceSplit(lines[i]);
    }
    const Expected expected = ExpectedSave(type, lines, fieldsOf);

    // As the window saves: record by record.
    kvq::SaveReport report;
    KVQ_FUZZ_CHECK(Save(type, lines, kvq::WriteMode::kEveryRecord, report) == expected.file);
    KVQ_FUZZ_CHECK(report.records == expected.records);
    KVQ_FUZZ_CHECK(report.linesSkipped == expected.skipped);
    KVQ_FUZZ_CHECK(report.readingsNotWritten == expected.leftOver);

    // As kvq-convert saves, buffered, from only the lines whose field count the type looks
    // at; the two high-power receivers, which share one layout, each with the other's type.
    counted.clear();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (CountsFor(type, fieldsOf[i].size())) {
            counted.push_back(lines[i]);
        }
    }
    const int twin = type == 3 || type == 4 ? 7 - type : type;
    KVQ_FUZZ_CHECK(Save(twin, counted, kvq::WriteMode::kBuffered, report) == expected.file);
    KVQ_FUZZ_CHECK(report.records == expected.records);
    KVQ_FUZZ_CHECK(report.readingsNotWritten == expected.leftOver);
    return 0;
}
