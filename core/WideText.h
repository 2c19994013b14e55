#pragma once

#ifdef _WIN32

#include <string>
#include <string_view>

namespace kvq {

// On Windows the program holds names and texts as UTF-8 and hands them to the system as
// UTF-16 (the calls ending in W): every name Windows can hold, not only those of the ANSI
// code page. Bytes that are not UTF-8 become replacement characters.
std::wstring WideText(std::string_view utf8);
std::string Utf8Text(std::wstring_view wide);

}  // namespace kvq

#endif
