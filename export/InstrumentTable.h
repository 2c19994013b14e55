#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "Fields.h"
#include "LayoutHxr.h"
#include "LayoutKvq3B.h"
#include "LayoutPassThrough.h"
#include "LayoutReceivers.h"

namespace kvq {

// The items of the instrument-type choice, by index: the window's radio buttons and
// kvq-convert's --type. Any other index (no item selected) makes every line skip.
enum InstrumentType : int {
    kKvq3 = 0,
    kKvq3B = 1,
    kHxr = 2,
    kWkt4Receiver = 3,
    kWkp7Receiver = 4,
    kWkp7Transmitter = 5,
};

// Everything the export knows of one instrument type.
struct InstrumentRow {
    InstrumentType index;
    std::string_view caption;    // as the window shows it (UTF-8)
    std::size_t recordFields;    // lines with this many fields go to the layout
    std::size_t linesPerRecord;  // lines the layout takes for one record
    std::size_t carrierFields;   // lines with this many fields set the carried value (0: none)
    std::size_t carriedField;    // the field of such a line that holds the value
    RecordLayout layout;
};

// Adding a type: a row here and its layout in a Layout<Instrument> file.
inline constexpr std::array<InstrumentRow, 6> kInstrumentTypes = {{
    {kKvq3, "KVQ-3多功能电测仪", 20, 1, 0, 0, PassThroughLayout},
    {kKvq3B, "KVQ-3B多功能电测仪", 22, 1, 8, 3, Kvq3BLayout},
    {kHxr, "HXR系列多功能电测仪", 1, kHxrReadingsPerRecord, 0, 0, HxrLayout},
    {kWkt4Receiver, "WKT-4大功率接收机", 8, 1, 0, 0, ReceiversLayout},
    {kWkp7Receiver, "WKP-7大功率接收机", 8, 1, 0, 0, ReceiversLayout},
    {kWkp7Transmitter, "WKP-7大功率发送机", 4, 1, 0, 0, PassThroughLayout},
}};

inline constexpr int kInstrumentTypeCount = static_cast<int>(kInstrumentTypes.size());

constexpr bool RowsStandAtTheirIndex() {
    for (std::size_t i = 0; i < kInstrumentTypes.size(); ++i) {
        if (static_cast<std::size_t>(kInstrumentTypes[i].index) != i) {
            return false;
        }
    }
    return true;
}
static_assert(RowsStandAtTheirIndex(), "a row's index is its place in the table");

constexpr bool FieldCountsBelowTheSplitBound() {
    for (const InstrumentRow& row : kInstrumentTypes) {
        if (row.recordFields >= kMaxFields || row.carrierFields >= kMaxFields) {
            return false;
        }
    }
    return true;
}
static_assert(FieldCountsBelowTheSplitBound(), "SplitFields counts this many fields at most");

// The row of an index, or nullptr when no type has it.
constexpr const InstrumentRow* FindInstrumentType(int index) {
    return index >= 0 && index < kInstrumentTypeCount
               ? &kInstrumentTypes[static_cast<std::size_t>(index)]
               : nullptr;
}

}  // namespace kvq
