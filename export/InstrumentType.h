#pragma once

#include <array>
#include <string_view>

namespace kvq {

// The items of the instrument-type choice, by index. The writer dispatches on the index;
// any other index (no item selected) makes every line skip.
enum InstrumentType : int {
    kKvq3 = 0,             // twenty-field lines pass through
    kKvq3B = 1,            // twenty-two-field lines, value carried from eight-field lines
    kHxr = 2,              // one reading a line, ten readings a record
    kWkt4Receiver = 3,     // eight-field lines widened to twenty columns
    kWkp7Receiver = 4,     // the same layout as kWkt4Receiver
    kWkp7Transmitter = 5,  // four-field lines pass through
};

inline constexpr int kInstrumentTypeCount = 6;

// Captions as the program shows them (UTF-8).
inline constexpr std::array<std::string_view, kInstrumentTypeCount> kInstrumentCaptions = {
    "KVQ-3多功能电测仪", "KVQ-3B多功能电测仪", "HXR系列多功能电测仪",
    "WKT-4大功率接收机", "WKP-7大功率接收机",  "WKP-7大功率发送机",
};

}  // namespace kvq
