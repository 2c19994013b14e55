#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kvq {

// A serial port of this machine with a device behind it.
struct PresentPort {
    std::string name;         // as the system names it: "COM4", "/dev/ttyUSB0"
    std::string device;       // what opening takes: "COM4", "\\.\COM12", "/dev/ttyUSB0"
    std::string description;  // the system's friendly name in UTF-8, or empty

    bool operator==(const PresentPort&) const = default;
};

// The port a choice ("COM1", "COM2") reaches now, or nothing.
using PortReacher = std::function<std::optional<PresentPort>(const std::string& choice)>;

// What the window asks about the machine's ports. Both are looked up afresh on each call:
// adapters are plugged in and pulled out while the program runs.
struct PortDirectory {
    // The ports present, in the system's order.
    std::function<std::vector<PresentPort>()> present;
    PortReacher reached;
};

// This machine's ports: on Windows the system's COM ports (WindowsPorts.cpp), on Linux the
// devices under /dev with the kernel's word from /sys (DeviceMap.cpp).
PortDirectory SystemPortDirectory();

}  // namespace kvq
