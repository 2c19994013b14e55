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

// A friendly name without the port that Windows appends to it: "USB-SERIAL CH340 (COM4)"
// becomes "USB-SERIAL CH340" for port 4; any other name stays as it is.
std::string FriendlyNameWithoutPort(const std::string& friendlyName, int number);

// A device of Windows' ports class (SetupAPI, present devices only), in UTF-8.
struct PortsClassRow {
    std::string instanceId;     // the device's own: "FTDIBUS\VID_0403+PID_6001+A50285BI\0000"
    std::string service;        // its driver's service: "FTSER2K", "usbser", "BTHMODEM"
    std::string portName;       // "PortName" of its device key: "COM5"
    std::string friendlyName;   // "USB Serial Port (COM5)"
    unsigned long problem = 0;  // the device's problem code; 0: started without a problem
};

// What kind of port a device of the ports class is, read from its own instance ID (its
// enumerator and vendor) and its driver's service; never from opening it.
PortKind KindOf(const PortsClassRow& row);

// The COM ports of the rows, each by its number, and the numbers serial drivers listed
// under SERIALCOMM that no row has (kNoDevice). Rows of other ports (LPT1) are left out; of
// two rows with one number the usable one counts.
std::vector<PresentPort> WindowsPorts(const std::vector<PortsClassRow>& rows,
                                      const std::vector<int>& listedNumbers);

// What the choices reach among `ports` (by number): the usable port named for the choice
// whatever its kind; else the lowest-numbered cable port above COM2 that the other choice
// does not reach, or when no cable port is there, the lowest such other USB serial device.
// Laptops have no built-in port and number USB adapters from COM3 up, so "COM1" then reaches
// the first adapter. A choice that reaches nothing opens the port of its own name.
PortSnapshot ChoicesAmong(std::vector<PresentPort> ports);

}  // namespace kvq
