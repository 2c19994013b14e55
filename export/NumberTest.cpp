#include "NumberTest.h"

#include <cstddef>
#include <string>

namespace kvq {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Largest finite 80-bit extended value is about 1.18973e4932: a number whose leading
// significant digit stands at decimal position 4932 may still fit, one beyond never does.
constexpr long kMaxDecimalExponent = 4932;

// Decides the range by the position of the leading significant digit; only the boundary
// decade needs the digits themselves, compared against the largest value.
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
    if (decimal < kMaxDecimalExponent) {
        return true;  // tiny values underflow to zero or a denormal: still a number
    }
    if (decimal > kMaxDecimalExponent) {
        return false;
    }
    // The boundary decade: below the largest value plus half an ulp, a value rounds to a
    // finite one. Inputs that match all these digits are taken as fitting.
    static constexpr std::string_view kOverflow =
        "11897314953572317650535115898294886679662540046955672189564992775624991818517";
    std::string digits(leadInt);
    digits.append(leadFrac);
    const std::size_t n = digits.size() < kOverflow.size() ? digits.size() : kOverflow.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (digits[i] != kOverflow[i]) {
            return digits[i] < kOverflow[i];
        }
    }
    return true;
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
