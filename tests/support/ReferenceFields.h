#pragma once
// Plain references of the field, number and integer rules and of the lines each instrument
// type makes records of, written from the rules themselves; none of them calls the code under
// test. Plain C++ without Qt, so that the fuzz build has them too.

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace reference {

inline constexpr std::string_view kSeparators = " ,\t";
inline constexpr std::size_t kFieldBound = 100;

inline bool IsTrimmed(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

inline std::string_view Trim(std::string_view s) {
    const auto begin = std::find_if_not(s.begin(), s.end(), IsTrimmed);
    const auto end = std::find_if_not(s.rbegin(), s.rend(), IsTrimmed).base();
    return begin < end ? std::string_view(&*begin, static_cast<std::size_t>(end - begin))
                       : std::string_view();
}

inline std::vector<std::string> ReferenceSplit(std::string_view line) {
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

// The grammar of a reading: blanks, an optional sign, a mantissa of digits with at most one
// point (not empty), optionally "E" or "e" with an optional sign and digits, blanks.
struct Reading {
    bool negative = false;
    std::string_view mantissa;
    bool exponentNegative = false;
    std::string_view exponentDigits;
};

inline std::optional<Reading> MatchReading(std::string_view text) {
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

// The text strtold reads in full: a mantissa without digits is zero, and an exponent mark
// without digits adds nothing.
inline std::string StrtoldText(const Reading& r) {
    std::string text = r.negative ? "-" : "";
    const bool digits = std::any_of(r.mantissa.begin(), r.mantissa.end(), IsDigit);
    text += digits ? std::string(r.mantissa) : std::string("0");
    if (!r.exponentDigits.empty()) {
        text += r.exponentNegative ? "e-" : "e";
        text += r.exponentDigits;
    }
    return text;
}

// Whether the text reads as a number: the grammar, then a finite value from strtold, which
// rounds to nearest into the 80-bit extended type where long double is that type.
inline bool IsReading(std::string_view text) {
    const std::optional<Reading> r = MatchReading(text);
    if (!r) {
        return false;
    }
    const std::string number = StrtoldText(*r);
    return std::isfinite(std::strtold(number.c_str(), nullptr));
}

inline constexpr std::int32_t kNoInteger = 1;

inline bool AllOf(std::string_view s, int (*test)(int)) {
    return std::all_of(s.begin(), s.end(),
                       [test](char c) { return test(static_cast<unsigned char>(c)) != 0; });
}

// One to eight significant hexadecimal digits, taken as a 32-bit pattern.
inline std::int32_t ReferenceHex(std::string_view digits) {
    if (digits.empty() || !AllOf(digits, isxdigit)) {
        return kNoInteger;
    }
    const std::size_t significant = digits.find_first_not_of('0');
    if (significant != std::string_view::npos && digits.size() - significant > 8) {
        return kNoInteger;
    }
    const std::string text(digits);
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(std::strtoul(text.c_str(), nullptr, 16)));
}

// An optional sign and decimal digits, within the 32-bit range.
inline std::int32_t ReferenceDecimal(std::string_view field) {
    const std::string_view digits =
        !field.empty() && (field.front() == '+' || field.front() == '-') ? field.substr(1) : field;
    if (digits.empty() || !AllOf(digits, isdigit)) {
        return kNoInteger;
    }
    const std::string text(field);
    errno = 0;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (errno == ERANGE || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return kNoInteger;
    }
    return static_cast<std::int32_t>(value);
}

inline std::int32_t ReferenceCarried(std::string_view field) {
    for (std::string_view prefix : {"0x", "0X", "$", "x", "X"}) {
        if (field.starts_with(prefix)) {
            return ReferenceHex(field.substr(prefix.size()));
        }
    }
    return ReferenceDecimal(field);
}

// Field counts of the lines each instrument type makes records of: KVQ-3 20, KVQ-3B 22, HXR
// one (a reading), the two receivers 8, the transmitter 4. No other type takes any line.
inline bool IsRecordCount(int type, std::size_t fields) {
    switch (type) {
        case 0:
            return fields == 20;
        case 1:
            return fields == 22;
        case 2:
            return fields == 1;
        case 3:
        case 4:
            return fields == 8;
        case 5:
            return fields == 4;
        default:
            return false;
    }
}

// KVQ-3B's lines of eight fields carry a value into the records after them.
inline bool IsCarrierCount(int type, std::size_t fields) {
    return type == 1 && fields == 8;
}

}  // namespace reference
