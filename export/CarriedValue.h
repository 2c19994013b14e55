#pragma once

#include <cstdint>
#include <string_view>

namespace kvq {

// The carried value of type 1 when nothing has set it, and when a field is no whole number.
inline constexpr std::int32_t kDefaultCarriedValue = 1;

// Reads a whole field as a signed 32-bit integer: an optional sign and decimal digits, or,
// without a sign, "$", "x", "X", "0x" or "0X" and one to eight significant hexadecimal
// digits taken as a 32-bit pattern. Anything else gives kDefaultCarriedValue.
std::int32_t CarriedValueFromField(std::string_view field);

}  // namespace kvq
