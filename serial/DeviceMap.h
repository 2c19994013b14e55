#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "PortList.h"

namespace kvq {

// Maps a port name of the program ("COM1", "COM2") to the device that opening takes.
using DeviceMapper = std::function<std::string(const std::string& portName)>;

// On Windows "COMn" is the port the choice reaches (PortChoice.h), else its own name. On Linux
// "COMn" is /dev/COMn where that exists, else /dev/ttyUSB<n-1>, else /dev/ttyACM<n-1>, else
// /dev/ttyS<n-1>.
std::string DefaultDeviceForPort(const std::string& portName);

// The Linux rule with devRoot in place of /dev. A name that is not "COM" followed by a number
// from 1 is returned unchanged.
std::string DeviceForPortUnder(const std::string& devRoot, const std::string& portName);

// The Linux serial ports with a device behind them: ttyUSBn, ttyACMn, and ttySn where the
// kernel found a UART (sysRoot/class/tty/ttySn/type is not 0, PORT_UNKNOWN: most machines
// have ttyS0 to ttyS3 nodes whatever the hardware). In that order, each by number.
std::vector<PresentPort> PresentPortsUnder(const std::string& devRoot, const std::string& sysRoot);

// The first device of the Linux rule that is present in that sense, or nothing.
std::optional<PresentPort> ReachedPortUnder(const std::string& devRoot, const std::string& sysRoot,
                                            const std::string& portName);

// Both of the above as the window asks for them.
PortDirectory PortDirectoryUnder(const std::string& devRoot, const std::string& sysRoot);

}  // namespace kvq
