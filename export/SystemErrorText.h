#pragma once

#include <string>

namespace kvq {

// The system's text for an error code of this platform: strerror on Linux; on Windows the
// text of the system's message table (neutral language, default sub-language) in UTF-8, like
// every text and name of the program there, normally ending with a line break.
std::string SystemErrorText(unsigned long code);

}  // namespace kvq
