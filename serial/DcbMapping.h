#pragma once

// Line settings to the Win32 device-control block. Only the four fields the program writes
// change; everything else stays as the driver reported it.
#include <windows.h>

#include "LineSettings.h"

namespace kvq {

// The stop-bits code of the control block: 0 one, 1 one and a half, 2 two.
BYTE StopBitsCode(StopBits stopBits);

// Writes baud rate, byte size, parity (1 odd, 0 none) and stop bits into `dcb`. Whether the
// driver accepts the combination (1.5 stop bits with 8 data bits, say) is the driver's call.
void ApplyLineSettings(DCB& dcb, const LineSettings& settings);

// True if the block read back from the driver holds the four fields that were written.
bool SettingsTaken(const DCB& wanted, const DCB& got);

}  // namespace kvq
