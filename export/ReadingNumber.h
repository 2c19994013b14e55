#pragma once

#include <string_view>

namespace kvq {

// Whether a type 2 line's field reads as one floating-point number: optional blanks, an
// optional sign, digits with an optional "." and more digits (at least a digit or the
// point), an optional exponent ("E"/"e", optional sign, digits that may be missing),
// optional blanks. A value is a number when it is finite after rounding to nearest, ties to
// even, into the 80-bit extended type; every digit of the text counts.
bool IsReading(std::string_view text);

}  // namespace kvq
