#pragma once

namespace kvq {

enum class StopBits { kOne, kOneAndHalf, kTwo };

// The four line settings the program writes; everything else stays as the port had it.
struct LineSettings {
    int baudRate = 4800;
    int dataBits = 8;
    StopBits stopBits = StopBits::kOne;
    bool oddParity = false;  // the parity box always means odd parity

    bool operator==(const LineSettings&) const = default;
};

// Maps the selected list indices and the parity box to settings. An index outside a list
// (no selection) gives that list's fallback: 4800 baud, 8 data bits, one stop bit.
LineSettings LineSettingsFromControls(int baudIndex, int bitSizeIndex, int stopBitIndex,
                                      bool parityChecked);

}  // namespace kvq
