#pragma once

#include <optional>
#include <string>
#include <vector>

#include "PortList.h"

namespace kvq {

// The n of "COMn", n >= 1; nothing for any other name.
std::optional<int> ComNumber(const std::string& portName);

// The name that opens COMn: "COM1" to "COM9" are device names everywhere, from COM10 on
// only "\\.\COMn" reaches the device (a plain "COM10" is a file in the current folder).
std::string ComDeviceName(int number);

// Which of the Windows ports `present` a choice ("COM1", "COM2") reaches: the port of its own
// name when the system has it, else the lowest-numbered port above COM2 that the other
// choice does not already reach. Laptops have no built-in port and number USB adapters from
// COM3 up, so "COM1" then reaches the first adapter. Nothing for other names.
std::optional<PresentPort> ReachedComPort(const std::vector<PresentPort>& present,
                                          const std::string& choice);

// A friendly name without the port that Windows appends to it: "USB-SERIAL CH340 (COM4)"
// becomes "USB-SERIAL CH340" for port 4; any other name stays as it is.
std::string FriendlyNameWithoutPort(const std::string& friendlyName, int number);

}  // namespace kvq
