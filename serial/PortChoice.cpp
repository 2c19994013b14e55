#include "PortChoice.h"

#include <array>
#include <charconv>
#include <map>
#include <string_view>
#include <system_error>

namespace kvq {

namespace {

constexpr int kChoices = 2;

// The present ports by number, not as text ("COM10" comes after "COM9"); a number listed
// twice counts once.
using PortsByNumber = std::map<int, const PresentPort*>;

PortsByNumber ByNumber(const std::vector<PresentPort>& present) {
    PortsByNumber ports;
    for (const PresentPort& port : present) {
        if (const std::optional<int> number = ComNumber(port.name)) {
            ports.emplace(*number, &port);
        }
    }
    return ports;
}

// The port numbers "COM1" and "COM2" reach. The choices fall back in their order, so that
// "COM1" takes the first adapter and "COM2" the next.
std::array<std::optional<int>, kChoices> ReachedNumbers(const PortsByNumber& ports) {
    std::array<std::optional<int>, kChoices> reached;
    for (int choice = 1; choice <= kChoices; ++choice) {
        if (ports.count(choice) != 0) {
            reached[choice - 1] = choice;
        }
    }
    for (std::size_t i = 0; i < reached.size(); ++i) {
        const std::optional<int> other = reached[reached.size() - 1 - i];
        for (auto it = ports.upper_bound(kChoices); !reached[i] && it != ports.end(); ++it) {
            if (it->first != other) {
                reached[i] = it->first;
            }
        }
    }
    return reached;
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

std::optional<PresentPort> ReachedComPort(const std::vector<PresentPort>& present,
                                          const std::string& choice) {
    const std::optional<int> wanted = ComNumber(choice);
    if (!wanted || *wanted > kChoices) {
        return std::nullopt;
    }
    const PortsByNumber ports = ByNumber(present);
    const std::optional<int> number = ReachedNumbers(ports)[*wanted - 1];
    if (!number) {
        return std::nullopt;
    }
    return *ports.at(*number);
}

std::string FriendlyNameWithoutPort(const std::string& friendlyName, int number) {
    const std::string suffix = " (COM" + std::to_string(number) + ")";
    if (friendlyName.size() > suffix.size() &&
        friendlyName.compare(friendlyName.size() - suffix.size(), suffix.size(), suffix) == 0) {
        return friendlyName.substr(0, friendlyName.size() - suffix.size());
    }
    return friendlyName;
}

}  // namespace kvq
