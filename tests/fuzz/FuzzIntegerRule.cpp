// The integer rule of type 1's carried value on arbitrary fields, against a reference built
// on strtol for the decimal form and strtoul for the hexadecimal one.

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "IntegerRule.h"

namespace {

constexpr std::int32_t kNoInteger = 1;

bool AllOf(std::string_view s, int (*test)(int)) {
    return std::all_of(s.begin(), s.end(),
                       [test](char c) { return test(static_cast<unsigned char>(c)) != 0; });
}

// One to eight significant hexadecimal digits, taken as a 32-bit pattern.
std::int32_t ReferenceHex(std::string_view digits) {
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
std::int32_t ReferenceDecimal(std::string_view field) {
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

std::int32_t ReferenceCarried(std::string_view field) {
    for (std::string_view prefix : {"0x", "0X", "$", "x", "X"}) {
        if (field.starts_with(prefix)) {
            return ReferenceHex(field.substr(prefix.size()));
        }
    }
    return ReferenceDecimal(field);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view field(reinterpret_cast<const char*>(data), size);
    KVQ_FUZZ_CHECK(kvq::CarriedValueFromField(field) == ReferenceCarried(field));
    return 0;
}
