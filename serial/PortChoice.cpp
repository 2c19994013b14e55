#include "PortChoice.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <map>
#include <set>
#include <string_view>
#include <system_error>

namespace kvq {

namespace {

// The system's IDs and service names are ASCII, in no guaranteed case.
std::string UpperAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The makers of the common USB serial adapters: FTDI, Prolific, Silicon Labs, WCH.
bool AdapterVendor(std::string_view instanceId) {
    constexpr std::array<std::string_view, 4> kVendors = {"USB\\VID_0403&", "USB\\VID_067B&",
                                                          "USB\\VID_10C4&", "USB\\VID_1A86&"};
    return std::any_of(kVendors.begin(), kVendors.end(),
                       [&](std::string_view vendor) { return StartsWith(instanceId, vendor); });
}

// Their drivers' services (WCH names one per chip and system: CH341SER_A64, CH343SER...).
bool AdapterDriver(std::string_view service) {
    constexpr std::array<std::string_view, 4> kServices = {"FTSER2K", "SER2PL", "SER2PL64",
                                                           "SILABSER"};
    return std::find(kServices.begin(), kServices.end(), service) != kServices.end() ||
           StartsWith(service, "CH34");
}

bool Usable(const PresentPort& port) {
    return port.kind != PortKind::kFaulty;
}

// The COM ports by number (COM10 after COM9), each number once: of two ports with one number
// the usable one. Other names are no port of a choice.
std::vector<PresentPort> ByNumber(std::vector<PresentPort> ports) {
    std::map<int, PresentPort> byNumber;
    for (PresentPort& port : ports) {
        const std::optional<int> number = ComNumber(port.name);
        if (!number) {
            continue;
        }
        const auto [it, added] = byNumber.try_emplace(*number, port);
        if (!added && !Usable(it->second) && Usable(port)) {
            it->second = std::move(port);
        }
    }
    std::vector<PresentPort> sorted;
    sorted.reserve(byNumber.size());
    for (auto& [number, port] : byNumber) {
        sorted.push_back(std::move(port));
    }
    return sorted;
}

}  // namespace

std::optional<int> ComNumber(const std::string& portName) {
    constexpr std::string_view kPrefix = "COM";
    if (portName.size() <= kPrefix.size() || portName.compare(0, kPrefix.size(), kPrefix) != 0) {
        return std::nullopt;
    }
    const char* first = portName.data() + kPrefix.size();
    const char* last = portName.data() + portName.size();
    int number = 0;
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last || number < 1) {
        return std::nullopt;
    }
    return number;
}

std::string ComDeviceName(int number) {
    constexpr int kFirstWithoutDosName = 10;
    const std::string name = "COM" + std::to_string(number);
    return number < kFirstWithoutDosName ? name : "\\\\.\\" + name;
}

std::string FriendlyNameWithoutPort(const std::string& friendlyName, int number) {
    const std::string suffix = " (COM" + std::to_string(number) + ")";
    if (friendlyName.size() > suffix.size() &&
        friendlyName.compare(friendlyName.size() - suffix.size(), suffix.size(), suffix) == 0) {
        return friendlyName.substr(0, friendlyName.size() - suffix.size());
    }
    return friendlyName;
}

PortKind KindOf(const PortsClassRow& row) {
    if (row.problem != 0) {
        return PortKind::kFaulty;
    }
    const std::string id = UpperAscii(row.instanceId);
    const std::string service = UpperAscii(row.service);
    const std::string_view bus = std::string_view(id).substr(0, id.find('\\'));
    if (bus == "BTHENUM" || service == "BTHMODEM") {
        return PortKind::kBluetooth;
    }
    if (bus == "FTDIBUS" || AdapterVendor(id) || AdapterDriver(service)) {
        return PortKind::kCable;
    }
    if (bus == "USB") {
        return PortKind::kUsbSerial;
    }
    if (StartsWith(id, "ACPI\\PNP0500\\") || StartsWith(id, "ACPI\\PNP0501\\")) {
        return PortKind::kCable;  // the 16550 UART of a desktop or an old laptop
    }
    // Intel makes no serial cards: its PCI serial function is AMT's Serial over LAN.
    if (StartsWith(id, "PCI\\VEN_8086&")) {
        return PortKind::kSerialOverLan;
    }
    if (bus == "PCI") {
        return PortKind::kCable;
    }
    if (bus == "ROOT" || bus == "COM0COM") {
        return PortKind::kVirtual;
    }
    return PortKind::kOther;
}

std::vector<PresentPort> WindowsPorts(const std::vector<PortsClassRow>& rows,
                                      const std::vector<int>& listedNumbers) {
    std::vector<PresentPort> ports;
    std::set<int> numbers;
    for (const PortsClassRow& row : rows) {
        const std::optional<int> number = ComNumber(UpperAscii(row.portName));
        if (!number) {
            continue;  // LPT1, ECP printer ports
        }
        numbers.insert(*number);
        ports.push_back({"COM" + std::to_string(*number), ComDeviceName(*number),
                         FriendlyNameWithoutPort(row.friendlyName, *number), KindOf(row),
                         row.problem});
    }
    for (const int number : listedNumbers) {
        if (numbers.count(number) == 0) {
            ports.push_back({"COM" + std::to_string(number),
                             ComDeviceName(number),
                             {},
                             PortKind::kNoDevice,
                             0});
        }
    }
    return ports;
}

PortSnapshot ChoicesAmong(std::vector<PresentPort> ports) {
    PortSnapshot snapshot;
    snapshot.ports = ByNumber(std::move(ports));
    const std::vector<PresentPort>& listed = snapshot.ports;
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const int number = *ComNumber(listed[i].name);
        if (number <= kPortChoices && Usable(listed[i])) {
            snapshot.reached[number - 1] = i;
        }
    }
    const bool cablePortThere = std::any_of(listed.begin(), listed.end(), [](const auto& port) {
        return port.kind == PortKind::kCable;
    });
    const PortKind standIn = cablePortThere ? PortKind::kCable : PortKind::kUsbSerial;
    // In the choices' order, so that "COM1" takes the first adapter and "COM2" the next.
    for (int choice = 1; choice <= kPortChoices; ++choice) {
        snapshot.ownDevice[choice - 1] = ComDeviceName(choice);
        std::optional<std::size_t>& reached = snapshot.reached[choice - 1];
        const std::optional<std::size_t> other = snapshot.reached[kPortChoices - choice];
        for (std::size_t i = 0; !reached && i < listed.size(); ++i) {
            if (*ComNumber(listed[i].name) > kPortChoices && listed[i].kind == standIn &&
                other != i) {
                reached = i;
            }
        }
    }
    return snapshot;
}

}  // namespace kvq
