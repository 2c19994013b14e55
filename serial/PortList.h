#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kvq {

// The window's port choices: 1 is "COM1", 2 is "COM2".
inline constexpr int kPortChoices = 2;

// What a port is, as far as the choices go. A port named COM1 or COM2 is reached by that
// choice whatever its kind; a choice with no port of its name falls back to a cable port, or
// to another USB serial device when no cable port is there, and never to the other kinds.
enum class PortKind {
    kCable,          // a USB serial adapter with its maker's driver, a built-in or PCI serial
                     // port; on Linux every serial device
    kUsbSerial,      // another USB serial device: GPS receivers, phones, some adapters
    kBluetooth,      // a Bluetooth link
    kSerialOverLan,  // Intel AMT's remote console of a business laptop
    kVirtual,        // made by a program (com0com and the like)
    kNoDevice,       // a name a serial driver entered with no device among the system's ports
    kOther,          // a device of a kind not known here
    kFaulty,         // the system reports a problem with the device: not usable
};

// A serial port of this machine.
struct PresentPort {
    std::string name;         // as the system names it: "COM4", "/dev/ttyUSB0"
    std::string device;       // what opening takes: "COM4", "\\.\COM12", "/dev/ttyUSB0"
    std::string description;  // the system's friendly name in UTF-8, a link's target, or empty
    PortKind kind = PortKind::kCable;
    unsigned long problem = 0;  // kFaulty: the problem code the Device Manager shows

    bool operator==(const PresentPort&) const = default;
};

// The machine's ports at one moment and what the choices reach among them. The tool tips, the
// open and the failure box read the same snapshot, so they cannot disagree.
struct PortSnapshot {
    std::vector<PresentPort> ports;  // in the order the failure box lists them
    // Per choice, the index of the port it reaches.
    std::array<std::optional<std::size_t>, kPortChoices> reached;
    // Per choice, what opening takes when it reaches no port, so that the failure names it.
    std::array<std::string, kPortChoices> ownDevice;
};

// The port `choice` (1 or 2) reaches, or null.
inline const PresentPort* ReachedBy(const PortSnapshot& snapshot, int choice) {
    if (choice < 1 || choice > kPortChoices) {
        return nullptr;
    }
    const std::optional<std::size_t> index = snapshot.reached[choice - 1];
    return index && *index < snapshot.ports.size() ? &snapshot.ports[*index] : nullptr;
}

// What opening `choice` takes: the device of the port it reaches, else its own device.
inline std::string DeviceToOpen(const PortSnapshot& snapshot, int choice) {
    if (const PresentPort* port = ReachedBy(snapshot, choice)) {
        return port->device;
    }
    return choice >= 1 && choice <= kPortChoices ? snapshot.ownDevice[choice - 1] : std::string();
}

// Where the window's snapshots come from.
struct PortSource {
    std::function<PortSnapshot()> take;
    // True: a snapshot is kept until the system reports a change of devices, and only an
    // open takes a fresh one (Windows, where finding ports reads the system's device lists,
    // and under Wine opens them). False: one is taken at every look (Linux: /dev is cheap).
    bool keptUntilChange = false;
};

// This machine's ports: on Windows the ports class of SetupAPI (WindowsPorts.cpp), on Linux
// the devices under /dev with the kernel's word from /sys (DeviceMap.cpp).
PortSource SystemPortSource();

}  // namespace kvq
