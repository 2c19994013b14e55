// The whole writer for each instrument type on arbitrary multi-line input.
//
// Input: byte 0 picks the instrument type (its value modulo 8: 0 to 5, and 6 and 7 for
// indexes outside them, 7 standing for -1); the rest are text-pane lines cut at line feeds.
// Each record that RecordBuilder produces is checked column by column against the layout of
// its type, with fields, readings and the carried value from the plain references of
// ReferenceFields.h, not from the code under test; the file that RawDataWriter writes must be those
// records, each ended by CR LF; and removing the lines that the type ignores by their field count
// must not change it.

#include <sys/mman.h>
#include <unistd.h>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "RawDataWriter.h"
#include "RecordBuilder.h"
#include "ReferenceFields.h"

namespace {

using Lines = std::vector<std::string_view>;
using Fields = std::vector<std::string>;

constexpr std::array<int, 8> kTypes = {0, 1, 2, 3, 4, 5, 6, -1};
constexpr std::size_t kColumns = 20;

Lines CutLines(std::string_view text) {
    Lines lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string_view::npos;
         start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    return lines;
}

std::vector<std::string_view> Columns(std::string_view record) {
    std::vector<std::string_view> columns;
    std::size_t start = 0;
    for (std::size_t end; (end = record.find(' ', start)) != std::string_view::npos;
         start = end + 1) {
        columns.push_back(record.substr(start, end - start));
    }
    columns.push_back(record.substr(start));
    return columns;
}

std::size_t FieldCount(std::string_view line) {
    return reference::ReferenceSplit(line).size();
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

void CheckColumns(std::string_view record, const std::array<int, kColumns>& sources,
                  const Fields& fields, std::int32_t carried) {
    const std::vector<std::string_view> columns = Columns(record);
    KVQ_FUZZ_CHECK(columns.size() == kColumns);
    for (std::size_t i = 0; i < kColumns; ++i) {
        const int source = sources[i];
        if (source >= 0) {
            KVQ_FUZZ_CHECK(columns[i] == fields[static_cast<std::size_t>(source)]);
        } else if (source == kNines) {
            KVQ_FUZZ_CHECK(columns[i] == "9999");
        } else if (source == kFive) {
            KVQ_FUZZ_CHECK(columns[i] == "5");
        } else {
            KVQ_FUZZ_CHECK(columns[i] == std::to_string(carried));
        }
    }
}

// Readings 1-5, ten columns "9999", readings 6-10.
void CheckType2(std::string_view record, const std::vector<std::string>& readings) {
    const std::vector<std::string_view> columns = Columns(record);
    KVQ_FUZZ_CHECK(columns.size() == kColumns && readings.size() == 10);
    for (std::size_t i = 0; i < kColumns; ++i) {
        if (i < 5) {
            KVQ_FUZZ_CHECK(columns[i] == readings[i]);
        } else if (i < 15) {
            KVQ_FUZZ_CHECK(columns[i] == "9999");
        } else {
            KVQ_FUZZ_CHECK(columns[i] == readings[i - 10]);
        }
    }
}

// Runs RecordBuilder over the lines, checks every record, and returns the file it must give;
// `leftOver` is the number of readings of an incomplete last group of type 2.
std::string ExpectedFile(int type, const Lines& lines, std::size_t& leftOver) {
    kvq::RecordBuilder builder(type);
    std::int32_t carried = 1;  // at the start of every save
    std::vector<std::string> readings;
    std::string file;
    for (std::string_view line : lines) {
        const kvq::LineOutcome outcome = builder.Next(line);
        const Fields fields = reference::ReferenceSplit(line);
        const std::size_t n = fields.size();
        bool record = false;
        bool taken = false;
        switch (type) {
            case 0:
            case 5:
                record = reference::IsRecordCount(type, n);
                KVQ_FUZZ_CHECK(!record || builder.Record() == line);
                break;
            case 1:
                if (reference::IsCarrierCount(type, n)) {
                    carried = reference::ReferenceCarried(fields[3]);
                    taken = true;
                }
                record = reference::IsRecordCount(type, n);
                if (record) {
                    CheckColumns(builder.Record(), kType1Columns, fields, carried);
                }
                break;
            case 2:
                if (reference::IsRecordCount(type, n) && reference::IsReading(fields[0])) {
                    readings.emplace_back(fields[0]);
                    record = readings.size() == 10;
                    taken = !record;
                }
                if (record) {
                    CheckType2(builder.Record(), readings);
                    readings.clear();
                }
                break;
            case 3:
            case 4:
                record = reference::IsRecordCount(type, n);
                if (record) {
                    CheckColumns(builder.Record(), kReceiverColumns, fields, carried);
                }
                break;
            default:
                break;
        }
        const kvq::LineOutcome expected = record  ? kvq::LineOutcome::kRecord
                                          : taken ? kvq::LineOutcome::kTaken
                                                  : kvq::LineOutcome::kSkipped;
        KVQ_FUZZ_CHECK(outcome == expected);
        if (record) {
            if (type == 0) {
                KVQ_FUZZ_CHECK(FieldCount(builder.Record()) == kColumns);
            }
            file += builder.Record();
            file += "\r\n";
        }
    }
    leftOver = readings.size();
    return file;
}

// Saves the lines with RawDataWriter into a memory file and returns the file's bytes.
std::string Save(int type, const Lines& lines, std::size_t leftOver) {
    static const int fd = ::memfd_create("kvq-fuzz-writer", MFD_CLOEXEC);
    KVQ_FUZZ_CHECK(fd >= 0);
    KVQ_FUZZ_CHECK(::ftruncate(fd, 0) == 0 && ::lseek(fd, 0, SEEK_SET) == 0);
    kvq::RawDataWriter writer(type, "memory file");
    writer.UseDescriptor(fd);
    for (std::string_view line : lines) {
        writer.Feed(line);
    }
    const kvq::SaveReport& report = writer.Finish();
    KVQ_FUZZ_CHECK(report.ok);
    KVQ_FUZZ_CHECK(report.linesRead == lines.size());
    KVQ_FUZZ_CHECK(report.readingsNotWritten == leftOver);
    const off_t size = ::lseek(fd, 0, SEEK_END);
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
    const Lines lines =
        CutLines(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));

    std::size_t leftOver = 0;
    const std::string expected = ExpectedFile(type, lines, leftOver);
    KVQ_FUZZ_CHECK(Save(type, lines, leftOver) == expected);

    Lines counted;
    for (std::string_view line : lines) {
        if (CountsFor(type, FieldCount(line))) {
            counted.push_back(line);
        }
    }
    KVQ_FUZZ_CHECK(Save(type, counted, leftOver) == expected);

    // The two high-power receivers share one layout.
    if (type == 3 || type == 4) {
        KVQ_FUZZ_CHECK(Save(7 - type, lines, leftOver) == expected);
    }
    return 0;
}
