#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "SimRandom.h"

namespace kvq {

enum class SimLineKind {
    kOther,    // heading, column labels or empty line: belongs to no record
    kCarrier,  // type 1 eight-field line: sets the carried value, writes nothing
    kData,     // becomes a record (type 2: one reading, ten make a record)
};

struct SimLine {
    std::string text;  // without its line end
    SimLineKind kind = SimLineKind::kOther;
};

// The field separators one instrument block uses; real instruments differ in this.
enum class SimSeparators { kBlank, kComma, kCommaBlank, kTab, kAligned, kMixed };

// Makes up the lines an instrument of one type prints: blocks of headings and plausible
// observations. Headings never have the shape of a record line of that type, so counting
// the data lines tells exactly how many records the export writes.
class SimLineGenerator {
public:
    SimLineGenerator(int instrumentType, std::uint64_t seed, bool gbkHeadings);

    SimLine Next();

private:
    void NextBlock();
    void Kvq3Block();
    void Kvq3BBlock();
    void HxrBlock();
    void ReceiverBlock();
    void TransmitterBlock();

    std::vector<std::string> Kvq3Fields();
    std::vector<std::string> Kvq3BFields();
    std::vector<std::string> Kvq3BCarrierFields();
    std::string HxrReading();
    std::vector<std::string> ReceiverFields();
    std::vector<std::string> TransmitterFields();
    std::string ClockText();

    // The GBK text when GBK headings are on, else the plain one.
    std::string_view Text(std::string_view plain, std::string_view gbk) const;
    void AddHeading(std::string text);
    void AddEmpty();
    void AddFields(const std::vector<std::string>& fields, SimLineKind kind);

    int type_;
    SimRandom random_;
    bool gbk_;
    SimSeparators separators_ = SimSeparators::kBlank;
    int line_;
    int point_ = 1;
    int minute_;
    std::deque<SimLine> pending_;
};

// Joins fields as an instrument prints them with the given separators.
std::string JoinSimFields(const std::vector<std::string>& fields, SimSeparators separators);

// Whether a line has the shape that makes the export of this type take it (a record line,
// a type 2 reading, or a type 1 line that sets the carried value).
bool HasRecordShape(int instrumentType, std::string_view line);

// Records the export writes for this many data lines of the type.
std::size_t ExpectedRecords(int instrumentType, std::size_t dataLines);

}  // namespace kvq
