#include "SimLines.h"

#include <array>
#include <cstdlib>
#include <stdexcept>

#include "InstrumentTable.h"
#include "RecordBuilder.h"

namespace kvq {

namespace {

// Heading words in GBK, as the instruments print them (sources stay UTF-8, data is bytes).
constexpr std::string_view kGbkPoint = "\xB2\xE2\xB5\xE3";                         // 测点
constexpr std::string_view kGbkLine = "\xB2\xE2\xCF\xDF";                          // 测线
constexpr std::string_view kGbkCurrent = "\xB5\xE7\xC1\xF7";                       // 电流
constexpr std::string_view kGbkVoltage = "\xB5\xE7\xD1\xB9";                       // 电压
constexpr std::string_view kGbkResistivity = "\xCA\xD3\xB5\xE7\xD7\xE8\xC2\xCA";   // 视电阻率
constexpr std::string_view kGbkChargeability = "\xBC\xAB\xBB\xAF\xC2\xCA";         // 极化率
constexpr std::string_view kGbkTime = "\xCA\xB1\xBC\xE4";                          // 时间
constexpr std::string_view kGbkObservations = "\xB9\xDB\xB2\xE2\xCA\xFD\xBE\xDD";  // 观测数据
constexpr std::string_view kGbkSentLog = "\xB7\xA2\xCB\xCD\xBC\xC7\xC2\xBC";       // 发送记录
constexpr std::string_view kGbkReceivedLog = "\xBD\xD3\xCA\xD5\xBC\xC7\xC2\xBC";   // 接收记录

std::string Cat(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (std::string_view part : parts) {
        text.append(part);
    }
    return text;
}

// A scaled whole number as a decimal with fixed places: integer arithmetic only, so the
// text does not depend on the C library's float formatting.
std::string Fixed(std::int64_t scaled, int decimals) {
    std::int64_t unit = 1;
    for (int i = 0; i < decimals; ++i) {
        unit *= 10;
    }
    const std::int64_t magnitude = std::llabs(scaled);
    std::string text = scaled < 0 ? "-" : "";
    text += std::to_string(magnitude / unit);
    if (decimals > 0) {
        std::string fraction = std::to_string(magnitude % unit);
        text += '.';
        text.append(static_cast<std::size_t>(decimals) - fraction.size(), '0');
        text += fraction;
    }
    return text;
}

std::string Value(SimRandom& random, std::int64_t lo, std::int64_t hi, int decimals) {
    return Fixed(random.Between(lo, hi), decimals);
}

SimSeparators PickSeparators(SimRandom& random) {
    static constexpr std::array kAll = {SimSeparators::kBlank, SimSeparators::kBlank,
                                        SimSeparators::kComma, SimSeparators::kCommaBlank,
                                        SimSeparators::kTab,   SimSeparators::kAligned,
                                        SimSeparators::kMixed};
    return kAll[static_cast<std::size_t>(random.Between(0, kAll.size() - 1))];
}

}  // namespace

std::string JoinSimFields(const std::vector<std::string>& fields, SimSeparators separators) {
    // Mixed: a comma and a blank after the first third, a tab, then blanks.
    const std::size_t mixedTab = fields.size() / 3 > 0 ? fields.size() / 3 : 1;
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (separators == SimSeparators::kAligned) {
            const std::size_t width = fields[i].size() < 8 ? 8 : fields[i].size() + 1;
            line.append(width - fields[i].size(), ' ');
        } else if (i > 0) {
            switch (separators) {
                case SimSeparators::kComma:
                    line += ',';
                    break;
                case SimSeparators::kCommaBlank:
                    line += ", ";
                    break;
                case SimSeparators::kTab:
                    line += '\t';
                    break;
                case SimSeparators::kMixed:
                    line += i < mixedTab ? ", " : (i == mixedTab ? "\t" : " ");
                    break;
                default:
                    line += ' ';
                    break;
            }
        }
        line += fields[i];
    }
    return line;
}

bool HasRecordShape(int instrumentType, std::string_view line) {
    // Asked of a fresh export: a type 2 reading or a type 1 carrier line is taken, not skipped.
    return RecordBuilder(instrumentType).Next(line) != LineOutcome::kSkipped;
}

std::size_t ExpectedRecords(int instrumentType, std::size_t dataLines) {
    const InstrumentRow* row = FindInstrumentType(instrumentType);
    return row == nullptr ? 0 : dataLines / row->linesPerRecord;
}

SimLineGenerator::SimLineGenerator(int instrumentType, std::uint64_t seed, bool gbkHeadings)
    : type_(instrumentType), random_(seed), gbk_(gbkHeadings) {
    line_ = static_cast<int>(random_.Between(1, 40));
    minute_ = static_cast<int>(random_.Between(8 * 60, 10 * 60));
}

SimLine SimLineGenerator::Next() {
    while (pending_.empty()) {
        NextBlock();
    }
    SimLine line = std::move(pending_.front());
    pending_.pop_front();
    return line;
}

void SimLineGenerator::NextBlock() {
    separators_ = PickSeparators(random_);
    switch (type_) {
        case kKvq3:
            Kvq3Block();
            break;
        case kKvq3B:
            Kvq3BBlock();
            break;
        case kHxr:
            HxrBlock();
            break;
        case kWkt4Receiver:
        case kWkp7Receiver:
            ReceiverBlock();
            break;
        default:
            TransmitterBlock();
            break;
    }
}

std::string_view SimLineGenerator::Text(std::string_view plain, std::string_view gbk) const {
    return gbk_ ? gbk : plain;
}

void SimLineGenerator::AddHeading(std::string text) {
    // A heading must never pass for a record line, whatever its words: one more word
    // changes its field count (and a type 2 heading never is a lone number after that).
    while (HasRecordShape(type_, text)) {
        text += " --";
    }
    pending_.push_back({std::move(text), SimLineKind::kOther});
}

void SimLineGenerator::AddEmpty() {
    pending_.push_back({std::string(), SimLineKind::kOther});
}

void SimLineGenerator::AddFields(const std::vector<std::string>& fields, SimLineKind kind) {
    // The counts of expected records rest on this: every line made as data has a field count
    // the export takes (the made-up fields are never empty, so joining keeps their count).
    const InstrumentRow& row = kInstrumentTypes.at(static_cast<std::size_t>(type_));
    const std::size_t wanted = kind == SimLineKind::kCarrier ? row.carrierFields : row.recordFields;
    if (fields.size() != wanted) {
        throw std::logic_error("kvq-sim made a line of " + std::to_string(fields.size()) +
                               " fields for type " + std::to_string(type_));
    }
    pending_.push_back({JoinSimFields(fields, separators_), kind});
}

std::string SimLineGenerator::ClockText() {
    minute_ = (minute_ + static_cast<int>(random_.Between(1, 3))) % (24 * 60);
    const int hour = minute_ / 60;
    const int minute = minute_ % 60;
    return (hour < 10 ? "0" : "") + std::to_string(hour) + (minute < 10 ? ":0" : ":") +
           std::to_string(minute);
}

}  // namespace kvq

namespace kvq {

namespace {

struct ValueRange {
    std::int64_t lo;
    std::int64_t hi;
    int decimals;
};

// Half electrode spacings in tenths of a metre, as a sounding steps through them.
constexpr std::array<std::int64_t, 13> kAbHalf = {15,  25,  40,   60,   100,  150, 250,
                                                  400, 600, 1000, 1500, 2500, 4000};

// Fields 1 to 21 of a KVQ-3B line: spacings, current, voltages, resistivity, decay windows.
constexpr std::array<ValueRange, 21> kKvq3BRanges = {{
    {5, 500, 1},   {15, 4000, 1}, {1, 100, 1}, {0, 3, 0},   {10, 5000, 1}, {100, 9999, 1},
    {10, 9999, 1}, {1, 999, 2},   {1, 99, 1},  {1, 999, 2}, {10, 9999, 1}, {1, 99, 1},
    {1, 99, 2},    {0, 9, 0},     {0, 9, 0},   {0, 99, 0},  {1, 999, 1},   {0, 99, 2},
    {0, 9, 0},     {0, 9, 0},     {0, 1, 0},
}};
static_assert(kKvq3BRanges.size() + 1 == kInstrumentTypes[kKvq3B].recordFields,
              "a KVQ-3B data line is its point number and these values");

constexpr std::array<std::string_view, 12> kFrequencies = {
    "0.125", "0.25", "0.5", "1", "2", "4", "8", "16", "32", "64", "128", "256"};

}  // namespace

void SimLineGenerator::Kvq3Block() {
    if (random_.Percent(60)) {
        AddHeading(std::string(Text("KVQ-3 DATA", Cat({"KVQ-3 ", kGbkObservations}))));
    }
    const std::string line = std::to_string(line_);
    const std::string point = std::to_string(point_);
    AddHeading(gbk_ ? Cat({kGbkLine, " ", line, " ", kGbkPoint, " ", point})
                    : Cat({"LINE ", line, " POINT ", point}));
    if (random_.Percent(70)) {
        AddHeading(gbk_ ? Cat({"NO AB/2 MN/2 ", kGbkCurrent, " ", kGbkVoltage, " ", kGbkResistivity,
                               " ", kGbkChargeability})
                        : "NO AB/2 MN/2 I(mA) V(mV) RHO(Ohm.m) M(%)");
    }
    for (auto n = random_.Between(5, 15); n > 0; --n) {
        AddFields(Kvq3Fields(), SimLineKind::kData);
    }
    AddEmpty();
    if (random_.Percent(30)) {
        ++line_;
        point_ = 1;
    }
}

std::vector<std::string> SimLineGenerator::Kvq3Fields() {
    const std::int64_t ab = kAbHalf[static_cast<std::size_t>(random_.Between(0, 12))];
    std::vector<std::string> fields = {
        std::to_string(point_++),          Fixed(ab, 1),
        Fixed(ab / 5 > 5 ? ab / 5 : 5, 1), Value(random_, 500, 20000, 1),  // current, mA
        Value(random_, 10, 500000, 2),                                     // voltage, mV
        Value(random_, 50, 500000, 1),                                     // apparent resistivity
    };
    std::int64_t chargeability = random_.Between(50, 1500);
    fields.push_back(Fixed(chargeability, 2));
    fields.push_back(Value(random_, -5000, 5000, 1));  // self potential, mV
    for (int window = 0; window < 10; ++window) {
        chargeability = chargeability * random_.Between(75, 95) / 100;
        fields.push_back(Fixed(chargeability, 2));
    }
    fields.push_back(Value(random_, 0, 500, 2));               // error, %
    fields.push_back(std::to_string(random_.Between(1, 16)));  // stacks
    return fields;
}

void SimLineGenerator::Kvq3BBlock() {
    if (random_.Percent(50)) {
        AddHeading(std::string(Text("KVQ-3B DATA", Cat({"KVQ-3B ", kGbkObservations}))));
    }
    AddFields(Kvq3BCarrierFields(), SimLineKind::kCarrier);
    if (random_.Percent(50)) {
        AddHeading(gbk_ ? Cat({"NO MN/2 AB/2 ", kGbkCurrent, " ", kGbkVoltage, " ", kGbkResistivity,
                               " ", kGbkChargeability, " SP ERR N"})
                        : "NO MN/2 AB/2 I(mA) V(mV) RHO(Ohm.m) M(%) SP(mV) ERR(%) N");
    }
    for (auto n = random_.Between(4, 12); n > 0; --n) {
        AddFields(Kvq3BFields(), SimLineKind::kData);
    }
    AddEmpty();
    ++line_;
}

// Line, point, group, the stack count that the export carries (a whole number), cycle in
// ms, gain, date and time.
std::vector<std::string> SimLineGenerator::Kvq3BCarrierFields() {
    const auto month = random_.Between(1, 12);
    const auto day = random_.Between(1, 28);
    return {
        std::to_string(line_),
        std::to_string(point_),
        std::to_string(random_.Between(1, 3)),
        std::to_string(random_.Between(1, 32)),
        std::to_string(random_.Between(1, 8) * 500),
        std::to_string(1 << random_.Between(0, 6)),
        Cat({"2024-", month < 10 ? "0" : "", std::to_string(month), day < 10 ? "-0" : "-",
             std::to_string(day)}),
        ClockText(),
    };
}

std::vector<std::string> SimLineGenerator::Kvq3BFields() {
    std::vector<std::string> fields = {std::to_string(point_++)};
    for (const ValueRange& range : kKvq3BRanges) {
        fields.push_back(Value(random_, range.lo, range.hi, range.decimals));
    }
    return fields;
}

void SimLineGenerator::HxrBlock() {
    if (random_.Percent(40)) {
        AddHeading(std::string(Text("HXR READINGS", Cat({"HXR ", kGbkObservations}))));
    }
    AddHeading(Cat({Text("POINT", kGbkPoint), " ", std::to_string(point_++)}));
    if (random_.Percent(50)) {
        AddEmpty();
    }
    for (auto n = random_.Between(8, 25); n > 0; --n) {
        pending_.push_back({HxrReading(), SimLineKind::kData});
        if (random_.Percent(8)) {
            AddEmpty();
        }
    }
}

// Mostly plain decimals; now and then the other ways a reading gets printed.
std::string SimLineGenerator::HxrReading() {
    std::string plain = Value(random_, 50, 500000, static_cast<int>(random_.Between(1, 3)));
    switch (random_.Between(0, 19)) {
        case 0:
            return Cat({Value(random_, 10, 99, 1), random_.Percent(50) ? "E" : "e",
                        std::to_string(random_.Between(0, 3))});
        case 1:
            return "+" + plain;
        case 2:
            return "  " + plain + "  ";
        case 3:
            return plain + ",";
        case 4:
            return "-" + plain;
        default:
            return plain;
    }
}

void SimLineGenerator::ReceiverBlock() {
    const std::string_view model = type_ == kWkt4Receiver ? "WKT-4 " : "WKP-7 ";
    AddHeading(Cat({model, Text("RECEIVER", kGbkReceivedLog)}));
    if (random_.Percent(50)) {
        const std::string line = std::to_string(line_);
        const std::string point = std::to_string(point_);
        AddHeading(gbk_ ? Cat({kGbkLine, " ", line, " ", kGbkPoint, " ", point})
                        : Cat({"LINE ", line, " POINT ", point}));
    }
    if (random_.Percent(70)) {
        AddHeading(gbk_ ? Cat({"NO F(Hz) I(A) ", kGbkVoltage, " PHASE ", kGbkResistivity, " ",
                               kGbkChargeability})
                        : "NO F(Hz) I(A) V(mV) PHASE(mrad) RHO(Ohm.m) M/ERR(%)");
    }
    for (auto n = random_.Between(5, 15); n > 0; --n) {
        AddFields(ReceiverFields(), SimLineKind::kData);
    }
    AddEmpty();
    ++line_;
}

std::vector<std::string> SimLineGenerator::ReceiverFields() {
    return {
        std::to_string(point_++),
        std::string(kFrequencies[static_cast<std::size_t>(random_.Between(0, 11))]),
        Value(random_, 10, 2000, 2),     // current, A
        Value(random_, 10, 999999, 1),   // voltage, mV
        Value(random_, -9999, 9999, 2),  // phase, mrad
        Value(random_, 10, 99999, 1),    // apparent resistivity
        Value(random_, 1, 9999, 2),      // chargeability, %
        Value(random_, 0, 999, 2),       // error, %
    };
}

void SimLineGenerator::TransmitterBlock() {
    AddHeading(Cat({"WKP-7 ", Text("TX LOG", kGbkSentLog)}));
    if (random_.Percent(60)) {
        AddHeading(
            gbk_ ? Cat({"NO ", kGbkCurrent, "(A) ", kGbkVoltage, "(V) ", kGbkTime, " (HH:MM)"})
                 : "NO I(A) U(V) TIME (HH:MM)");
    }
    for (auto n = random_.Between(3, 10); n > 0; --n) {
        AddFields(TransmitterFields(), SimLineKind::kData);
    }
    AddEmpty();
}

std::vector<std::string> SimLineGenerator::TransmitterFields() {
    return {
        std::to_string(point_++),
        Value(random_, 50, 300, 1),    // current, A
        Value(random_, 100, 9000, 1),  // voltage, V
        ClockText(),
    };
}

}  // namespace kvq
