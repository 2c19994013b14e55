#include "LineSettings.h"

#include <array>

namespace kvq {

namespace {

constexpr std::array kBaudRates = {14400, 9600, 4800, 2400, 1200};
constexpr std::array kDataBits = {5, 6, 7, 8};
constexpr std::array kStopBits = {StopBits::kOne, StopBits::kOneAndHalf, StopBits::kTwo};

// A list without a selection reports an index outside the list.
template <typename T, std::size_t N>
T Pick(const std::array<T, N>& items, int index, T fallback) {
    if (index < 0 || static_cast<std::size_t>(index) >= N) {
        return fallback;
    }
    return items[static_cast<std::size_t>(index)];
}

}  // namespace

LineSettings LineSettingsFromControls(int baudIndex, int bitSizeIndex, int stopBitIndex,
                                      bool parityChecked) {
    LineSettings settings;
    settings.baudRate = Pick(kBaudRates, baudIndex, 4800);
    settings.dataBits = Pick(kDataBits, bitSizeIndex, 8);
    settings.stopBits = Pick(kStopBits, stopBitIndex, StopBits::kOne);
    settings.oddParity = parityChecked;
    return settings;
}

}  // namespace kvq
