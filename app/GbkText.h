#pragma once

#include <QString>
#include <string_view>

namespace kvq {

// How one stored pane line is shown: decoded from GBK, one row on screen. Bytes that are not
// GBK become replacement characters (a double-byte character cut short at the end too);
// control bytes other than tab show as their control pictures, so that no stored line turns
// into two rows or loses a byte from view.
QString GbkLineText(std::string_view bytes);

}  // namespace kvq
