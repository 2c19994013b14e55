// Field splitting and the number test of type 2 on arbitrary lines.
//
// SplitFields is held to its invariants and to a reference splitter written from the rule
// (trim, a comma on each side, cut between separators, trim each run). IsReading is held to a
// reference of its grammar and, for text that matches it, to strtold in the C locale: the
// value must be finite. Values within about 1e-19 of the largest 80-bit value are left out of
// that comparison, since IsReading decides them on their leading 77 digits only.

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Fields.h"
#include "FuzzCheck.h"
#include "NumberTest.h"

namespace {

constexpr std::string_view kSeparators = " ,\t";
constexpr std::size_t kFieldBound = 100;

bool IsTrimmed(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view Trim(std::string_view s) {
    const auto begin = std::find_if_not(s.begin(), s.end(), IsTrimmed);
    const auto end = std::find_if_not(s.rbegin(), s.rend(), IsTrimmed).base();
    return begin < end ? std::string_view(&*begin, static_cast<std::size_t>(end - begin))
                       : std::string_view();
}

std::vector<std::string> ReferenceSplit(std::string_view line) {
    const std::string text = "," + std::string(Trim(line)) + ",";
    std::vector<std::string> fields;
    std::size_t pos = 0;
    while (fields.size() < kFieldBound) {
        const std::size_t start = text.find_first_not_of(kSeparators, pos);
        if (start == std::string::npos) {
            break;
        }
        pos = text.find_first_of(kSeparators, start);  // the closing comma is always there
        fields.emplace_back(Trim(std::string_view(text).substr(start, pos - start)));
    }
    return fields;
}

void CheckSplit(std::string_view line) {
    kvq::FieldList fields;
    kvq::SplitFields(line, fields);
    KVQ_FUZZ_CHECK(fields.size() <= kFieldBound);
    std::size_t cursor = 0;
    bool anyEmpty = false;
    for (std::string_view f : fields) {
        KVQ_FUZZ_CHECK(f.find_first_of(kSeparators) == std::string_view::npos);
        KVQ_FUZZ_CHECK(f.empty() || (!IsTrimmed(f.front()) && !IsTrimmed(f.back())));
        const std::size_t at = line.find(f, cursor);
        KVQ_FUZZ_CHECK(at != std::string_view::npos);
        cursor = at + f.size();
        anyEmpty = anyEmpty || f.empty();
    }
    const std::vector<std::string> expected = ReferenceSplit(line);
    KVQ_FUZZ_CHECK(fields.size() == expected.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        KVQ_FUZZ_CHECK(fields[i] == expected[i]);
    }
    // Type 2 joins readings with single blanks and splits the text again: without empty
    // fields that gives the same fields back.
    if (!anyEmpty && !fields.empty()) {
        std::string joined(fields[0]);
        for (std::size_t i = 1; i < fields.size(); ++i) {
            joined += ' ';
            joined += fields[i];
        }
        kvq::FieldList again;
        kvq::SplitFields(joined, again);
        KVQ_FUZZ_CHECK(again == fields);
    }
}

// The grammar of a reading: blanks, an optional sign, a mantissa of digits with at most one
// point (not empty), optionally "E" or "e" with an optional sign and digits, blanks.
struct Reading {
    bool negative = false;
    std::string_view mantissa;
    bool exponentNegative = false;
    std::string_view exponentDigits;
};

std::optional<Reading> MatchReading(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view body = text.substr(first, text.find_last_not_of(' ') - first + 1);
    Reading r;
    if (body.front() == '+' || body.front() == '-') {
        r.negative = body.front() == '-';
        body.remove_prefix(1);
    }
    const std::size_t e = body.find_first_of("Ee");
    r.mantissa = body.substr(0, e);
    const bool mantissaOk = !r.mantissa.empty() &&
                            std::count(r.mantissa.begin(), r.mantissa.end(), '.') <= 1 &&
                            std::all_of(r.mantissa.begin(), r.mantissa.end(),
                                        [](char c) { return IsDigit(c) || c == '.'; });
    if (!mantissaOk) {
        return std::nullopt;
    }
    if (e != std::string_view::npos) {
        std::string_view exponent = body.substr(e + 1);
        if (!exponent.empty() && (exponent.front() == '+' || exponent.front() == '-')) {
            r.exponentNegative = exponent.front() == '-';
            exponent.remove_prefix(1);
        }
        if (!std::all_of(exponent.begin(), exponent.end(), IsDigit)) {
            return std::nullopt;
        }
        r.exponentDigits = exponent;
    }
    return r;
}

// Decimal position of the leading significant digit, the written exponent included (clamped).
std::optional<long> LeadingPosition(const Reading& r) {
    const std::size_t point = std::min(r.mantissa.find('.'), r.mantissa.size());
    const std::size_t lead = r.mantissa.find_first_not_of("0.");
    if (lead == std::string_view::npos) {
        return std::nullopt;  // zero
    }
    const long position =
        lead < point ? static_cast<long>(point - lead) - 1 : -static_cast<long>(lead - point);
    long exponent = 0;
    for (char c : r.exponentDigits) {
        exponent = std::min(exponent * 10 + (c - '0'), 1'000'000L);
    }
    return position + (r.exponentNegative ? -exponent : exponent);
}

// Whether the value lies so close to the largest 80-bit value (1.18973149535723176502e4932)
// that IsReading may round it the other way than strtold does.
bool NearOverflow(const Reading& r) {
    constexpr long kLargestDecade = 4932;
    const std::optional<long> lead = LeadingPosition(r);
    if (!lead || *lead != kLargestDecade) {
        return false;
    }
    std::string digits;
    std::copy_if(r.mantissa.begin(), r.mantissa.end(), std::back_inserter(digits), IsDigit);
    digits.erase(0, digits.find_first_not_of('0'));
    return digits.starts_with("11897314953572317650");
}

// The text strtold reads in full: a mantissa without digits is zero, and an exponent mark
// without digits adds nothing.
std::string StrtoldText(const Reading& r) {
    std::string text = r.negative ? "-" : "";
    const bool digits = std::any_of(r.mantissa.begin(), r.mantissa.end(), IsDigit);
    text += digits ? std::string(r.mantissa) : std::string("0");
    if (!r.exponentDigits.empty()) {
        text += r.exponentNegative ? "e-" : "e";
        text += r.exponentDigits;
    }
    return text;
}

void CheckReading(std::string_view text) {
    const bool got = kvq::IsReading(text);
    const std::optional<Reading> r = MatchReading(text);
    if (!r) {
        KVQ_FUZZ_CHECK(!got);
        return;
    }
    if (NearOverflow(*r)) {
        return;
    }
    const std::string number = StrtoldText(*r);
    char* end = nullptr;
    errno = 0;
    const long double value = std::strtold(number.c_str(), &end);
    KVQ_FUZZ_CHECK(end == number.c_str() + number.size());
    KVQ_FUZZ_CHECK(got == std::isfinite(value));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    CheckSplit(line);
    CheckReading(line);
    // Type 2 tests the first field of a line.
    kvq::FieldList fields;
    kvq::SplitFields(line, fields);
    if (!fields.empty()) {
        CheckReading(fields.front());
    }
    return 0;
}
