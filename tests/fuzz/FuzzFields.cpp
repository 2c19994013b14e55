// Field splitting and the number test of type 2 on arbitrary lines.
//
// SplitFields is held to its invariants and to a reference splitter written from the rule
// (trim, a comma on each side, cut between separators, trim each run). IsReading is held to a
// reference of its grammar and, for text that matches it, to strtold in the C locale: the
// value must be finite. Each input also steers a value into the last few units before the
// overflow bound, where only an exact decision agrees with strtold.

#include <algorithm>
#include <cerrno>
#include <cfloat>
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
#include "ReadingNumber.h"
#include "ReferenceFields.h"

namespace {

using namespace reference;

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

// The first 100 digits of (2^65 - 1) * 2^16319, halfway between the largest finite 80-bit
// value and 2^16384 (from Python's integers). Below it strtold gives a finite value.
constexpr std::string_view kHalfwayDigits =
    "11897314953572317650535115898294886679662540046955"
    "67218956499277562499181851727204760449442904570461";

// A value in the overflow bound's decade: the first bytes of the input choose how many of
// the bound's leading digits to keep, the rest of its digits follow.
std::string NearOverflowBound(std::string_view input) {
    if (input.empty()) {
        return {};
    }
    const std::size_t keep = static_cast<unsigned char>(input.front()) % kHalfwayDigits.size();
    std::string digits(kHalfwayDigits.substr(0, keep));
    for (char c : input.substr(1)) {
        if (IsDigit(c)) {
            digits += c;
        }
    }
    if (digits.empty() || digits.front() == '0') {
        return {};
    }
    return digits.substr(0, 1) + "." + digits.substr(1) + "e4932";
}

void CheckReading(std::string_view text) {
    KVQ_FUZZ_CHECK(kvq::IsReading(text) == reference::IsReading(text));
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
#if LDBL_MANT_DIG == 64  // strtold is the 80-bit conversion only where long double is 80-bit
    CheckReading(NearOverflowBound(line));
#endif
    return 0;
}
