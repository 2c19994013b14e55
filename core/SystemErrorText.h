#pragma once

#include <string>

namespace kvq {

// The system's text for an error code of this platform, without a line end of its own (the
// texts of Windows' message table end in one, those of Linux do not): strerror on Linux; on
// Windows the message table's text (neutral language, default sub-language) in UTF-8, like
// every text and name of the program there.
std::string SystemErrorText(unsigned long code);

}  // namespace kvq
