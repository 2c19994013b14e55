#include "DeviceMap.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <utility>

#include "PortChoice.h"

namespace kvq {

namespace {

namespace fs = std::filesystem;

// The devices "COMn" may mean, in the order they are tried.
std::array<std::string, 4> Candidates(const std::string& devRoot, const std::string& portName,
                                      int number) {
    const std::string index = std::to_string(number - 1);
    return {devRoot + "/" + portName, devRoot + "/ttyUSB" + index, devRoot + "/ttyACM" + index,
            devRoot + "/ttyS" + index};
}

// Follows links: a COMn link whose adapter is unplugged does not count.
bool Exists(const std::string& path) {
    std::error_code error;
    return fs::exists(path, error);
}

// Where a serial device stands in the list of ports: its kind, then its number.
struct TtyPlace {
    std::size_t kind = 0;  // index into kTtyKinds
    int number = 0;

    auto operator<=>(const TtyPlace&) const = default;
};

constexpr std::array<std::string_view, 3> kTtyKinds = {"ttyUSB", "ttyACM", "ttyS"};
constexpr std::size_t kUartKind = 2;

std::optional<TtyPlace> PlaceOf(const std::string& name) {
    for (std::size_t kind = 0; kind < kTtyKinds.size(); ++kind) {
        const std::string_view prefix = kTtyKinds[kind];
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        int number = 0;
        const char* last = name.data() + name.size();
        const auto [end, error] = std::from_chars(name.data() + prefix.size(), last, number);
        if (error == std::errc() && end == last && number >= 0) {
            return TtyPlace{kind, number};
        }
    }
    return std::nullopt;
}

// The kernel's word on a ttyS node: type 0 (PORT_UNKNOWN) when no UART answered.
bool HasUart(const std::string& sysRoot, const std::string& name) {
    std::ifstream type(sysRoot + "/class/tty/" + name + "/type");
    int value = 0;
    return static_cast<bool>(type >> value) && value != 0;
}

// There, following links, and a UART behind it if it is a ttyS node.
bool IsPresent(const std::string& sysRoot, const std::string& path) {
    std::error_code error;
    const fs::path target = fs::canonical(path, error);
    if (error) {
        return false;
    }
    const std::string name = target.filename().string();
    const std::optional<TtyPlace> place = PlaceOf(name);
    return !place || place->kind != kUartKind || HasUart(sysRoot, name);
}

}  // namespace

std::string DeviceForPortUnder(const std::string& devRoot, const std::string& portName) {
    const std::optional<int> number = ComNumber(portName);
    if (!number) {
        return portName;
    }
    const auto candidates = Candidates(devRoot, portName, *number);
    const auto found = std::find_if(candidates.begin(), candidates.end(), Exists);
    // Nothing there: the UART's name, so that the failure names a device.
    return found != candidates.end() ? *found : candidates.back();
}

std::vector<PresentPort> PresentPortsUnder(const std::string& devRoot, const std::string& sysRoot) {
    std::vector<std::pair<TtyPlace, std::string>> found;
    std::error_code error;
    for (fs::directory_iterator it(devRoot, error); !error && it != fs::directory_iterator();
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        const std::optional<TtyPlace> place = PlaceOf(name);
        const std::string path = devRoot + "/" + name;
        if (place && IsPresent(sysRoot, path)) {
            found.emplace_back(*place, path);
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<PresentPort> ports;
    ports.reserve(found.size());
    for (const auto& [place, path] : found) {
        ports.push_back({path, path, {}});
    }
    return ports;
}

std::optional<PresentPort> ReachedPortUnder(const std::string& devRoot, const std::string& sysRoot,
                                            const std::string& portName) {
    const std::optional<int> number = ComNumber(portName);
    if (!number) {
        return std::nullopt;
    }
    for (const std::string& candidate : Candidates(devRoot, portName, *number)) {
        if (IsPresent(sysRoot, candidate)) {
            return PresentPort{candidate, candidate, {}};
        }
    }
    return std::nullopt;
}

PortDirectory PortDirectoryUnder(const std::string& devRoot, const std::string& sysRoot) {
    return {[devRoot, sysRoot] { return PresentPortsUnder(devRoot, sysRoot); },
            [devRoot, sysRoot](const std::string& choice) {
                return ReachedPortUnder(devRoot, sysRoot, choice);
            }};
}

#ifndef _WIN32
std::string DefaultDeviceForPort(const std::string& portName) {
    return DeviceForPortUnder("/dev", portName);
}

PortDirectory SystemPortDirectory() {
    return PortDirectoryUnder("/dev", "/sys");
}
#endif

}  // namespace kvq
