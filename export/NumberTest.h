#pragma once

#include <string_view>

namespace kvq {

// Whether a type 2 line's field reads as one floating-point number: optional blanks, an
// optional sign, digits with an optional "." and more digits (at least a digit or the
// point), an optional exponent ("E"/"e", optional sign, digits that may be missing),
// optional blanks. A value too large for the 80-bit extended type is not a number.
bool IsReading(std::string_view text);

}  // namespace kvq
