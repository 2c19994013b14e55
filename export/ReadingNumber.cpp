#include "ReadingNumber.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kvq {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The 80-bit extended type holds at most (2^64 - 1) * 2^16320. Halfway between it and the
// next step up, 2^16384, lies (2^65 - 1) * 2^16319: rounding to nearest sends everything
// below it to the largest value, and the halfway value itself to 2^16384 (ties go to the
// even significand, and the largest value's is odd), which is infinity. So a value is finite
// exactly when its magnitude is below this bound, an integer of 4933 decimal digits.
constexpr long kBoundDecimalExponent = 4932;  // position of the bound's leading digit

// The bound's decimal digits, worked out once in base 10^9 limbs (least significant first).
const std::string& OverflowBoundDigits() {
    static const std::string digits = [] {
        constexpr std::uint64_t kBase = 1'000'000'000;
        std::vector<std::uint64_t> limbs{419103231, 893488147, 36};  // 2^65 - 1
        int twos = 16319;
        while (twos > 0) {
            const int step = twos < 29 ? twos : 29;
            twos -= step;
            std::uint64_t carry = 0;
            for (std::uint64_t& limb : limbs) {
                const std::uint64_t v = (limb << step) + carry;
                limb = v % kBase;
                carry = v / kBase;
            }
            while (carry > 0) {
                limbs.push_back(carry % kBase);
                carry /= kBase;
            }
        }
        std::string text = std::to_string(limbs.back());
        for (std::size_t i = limbs.size() - 1; i-- > 0;) {
            const std::string part = std::to_string(limbs[i]);
            text.append(9 - part.size(), '0').append(part);
        }
        return text;
    }();
    return digits;
}

// Compares the significant digits of a value whose leading digit stands at the bound's
// position with the bound: true when the value is below it.
bool BelowOverflowBound(std::string_view leadInt, std::string_view leadFrac) {
    const std::string& bound = OverflowBoundDigits();
    std::size_t i = 0;
    for (std::string_view part : {leadInt, leadFrac}) {
        for (char c : part) {
            const char b = i < bound.size() ? bound[i] : '0';
            if (c != b) {
                return c < b;
            }
            ++i;
        }
    }
    // Digits of the bound still to come (its last one is not zero) make the value smaller;
    // none left means equal to the bound, and the tie rounds up to infinity.
    return i < bound.size();
}

// Decides the range by the position of the leading significant digit; only a value in the
// bound's own decade needs its digits compared.
bool FitsExtended(std::string_view intDigits, std::string_view fracDigits, bool expNegative,
                  std::string_view expDigits) {
    std::size_t lead = 0;
    while (lead < intDigits.size() && intDigits[lead] == '0') {
        ++lead;
    }
    // Decimal exponent of the leading significant digit, before the written exponent.
    long position;
    std::string_view leadInt;
    std::string_view leadFrac = fracDigits;
    if (lead < intDigits.size()) {
        position = static_cast<long>(intDigits.size() - lead) - 1;
        leadInt = intDigits.substr(lead);
    } else {
        std::size_t f = 0;
        while (f < fracDigits.size() && fracDigits[f] == '0') {
            ++f;
        }
        if (f == fracDigits.size()) {
            return true;  // zero
        }
        position = -static_cast<long>(f) - 1;
        leadFrac = fracDigits.substr(f);
    }
    // The written exponent; clamp long runs so that the sum cannot overflow.
    long exponent = 0;
    for (char c : expDigits) {
        exponent = exponent * 10 + (c - '0');
        if (exponent > 1'000'000) {
            exponent = 1'000'000;
            break;
        }
    }
    const long decimal = position + (expNegative ? -exponent : exponent);
    if (decimal < kBoundDecimalExponent) {
        return true;  // tiny values underflow to zero or a denormal: still a number
    }
    if (decimal > kBoundDecimalExponent) {
        return false;
    }
    return BelowOverflowBound(leadInt, leadFrac);
}

}  // namespace

bool IsReading(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ') {
        ++i;
    }
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    const std::size_t intStart = i;
    while (i < n && IsDigit(text[i])) {
        ++i;
    }
    const std::string_view intDigits = text.substr(intStart, i - intStart);
    bool point = false;
    std::string_view fracDigits;
    if (i < n && text[i] == '.') {
        point = true;
        const std::size_t fracStart = ++i;
        while (i < n && IsDigit(text[i])) {
            ++i;
        }
        fracDigits = text.substr(fracStart, i - fracStart);
    }
    if (intDigits.empty() && !point) {
        return false;
    }
    bool expNegative = false;
    std::string_view expDigits;
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            expNegative = text[i] == '-';
            ++i;
        }
        const std::size_t expStart = i;
        while (i < n && IsDigit(text[i])) {
            ++i;
        }
        expDigits = text.substr(expStart, i - expStart);
    }
    while (i < n && text[i] == ' ') {
        ++i;
    }
    if (i != n) {
        return false;
    }
    return FitsExtended(intDigits, fracDigits, expNegative, expDigits);
}

}  // namespace kvq
