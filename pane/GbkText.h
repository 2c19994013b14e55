#pragma once

#include <QString>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kvq {

// How one stored pane line is shown: decoded from GBK, one row on screen. Bytes that are not
// GBK become replacement characters (a double-byte character cut short at the end too);
// control bytes other than tab show as their control pictures, so that no stored line turns
// into two rows or loses a byte from view.
QString GbkLineText(std::string_view bytes);

// A character of a shown line that stands for bytes no font draws: a control byte, a byte
// that is not GBK, or a pair that GBK gives only a private-use code. The pane draws these
// bytes as a small framed hexadecimal code instead of the character.
struct RawBytes {
    int column = 0;           // in the shown text
    std::uint16_t value = 0;  // the byte, or the two bytes first byte high
    int count = 1;            // 1 or 2 bytes
    bool operator==(const RawBytes&) const = default;
};

struct ShownLine {
    QString text;  // as GbkLineText gives it
    std::vector<RawBytes> raw;
};
ShownLine GbkShownLine(std::string_view bytes);

}  // namespace kvq
