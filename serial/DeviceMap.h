#pragma once

#include <functional>
#include <string>

namespace kvq {

// Maps a port name of the program ("COM1", "COM2") to a device path.
using DeviceMapper = std::function<std::string(const std::string& portName)>;

// On Windows "COMn" is the port's own name. On Linux "COMn" is /dev/COMn where that exists, else
// /dev/ttyUSB<n-1>, else /dev/ttyACM<n-1>, else /dev/ttyS<n-1>.
std::string DefaultDeviceForPort(const std::string& portName);

// The same rule with devRoot in place of /dev. A name that is not "COM" followed by a number
// from 1 is returned unchanged.
std::string DeviceForPortUnder(const std::string& devRoot, const std::string& portName);

}  // namespace kvq
