#include "DeviceMap.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace kvq {

namespace {

namespace fs = std::filesystem;

// The devices a choice may mean, in the order they are tried.
std::array<std::string, 4> Candidates(const std::string& devRoot, int choice) {
    const std::string index = std::to_string(choice - 1);
    return {devRoot + "/COM" + std::to_string(choice), devRoot + "/ttyUSB" + index,
            devRoot + "/ttyACM" + index, devRoot + "/ttyS" + index};
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

// Where a path leads, following links; empty if nowhere.
std::string TargetOf(const std::string& path) {
    std::error_code error;
    const fs::path target = fs::canonical(path, error);
    return error ? std::string() : target.string();
}

// There, following links, and a UART behind it if it is a ttyS node.
bool IsPresent(const std::string& sysRoot, const std::string& path) {
    const std::string target = TargetOf(path);
    if (target.empty()) {
        return false;
    }
    const std::string name = fs::path(target).filename().string();
    const std::optional<TtyPlace> place = PlaceOf(name);
    return !place || place->kind != kUartKind || HasUart(sysRoot, name);
}

// The ttyUSBn, ttyACMn and ttySn nodes with a device behind them, in their order.
std::vector<std::string> SerialDevicesUnder(const std::string& devRoot,
                                            const std::string& sysRoot) {
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
    std::vector<std::string> paths;
    paths.reserve(found.size());
    for (auto& [place, path] : found) {
        paths.push_back(std::move(path));
    }
    return paths;
}

// The listed port that is the device at `path` (a link and its target are one port).
std::optional<std::size_t> IndexOfDevice(const std::vector<PresentPort>& ports,
                                         const std::string& path) {
    const std::string target = TargetOf(path);
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (TargetOf(ports[i].device) == target) {
            return i;
        }
    }
    return std::nullopt;
}

// A link is described by where it leads.
void AddPort(std::vector<PresentPort>& ports, const std::string& path) {
    if (!IndexOfDevice(ports, path)) {
        std::error_code error;
        ports.push_back({path, path, fs::is_symlink(path, error) ? TargetOf(path) : std::string()});
    }
}

}  // namespace

PortSnapshot PortSnapshotUnder(const std::string& devRoot, const std::string& sysRoot) {
    PortSnapshot snapshot;
    for (int choice = 1; choice <= kPortChoices; ++choice) {
        const std::string link = Candidates(devRoot, choice).front();
        if (IsPresent(sysRoot, link)) {
            AddPort(snapshot.ports, link);
        }
    }
    for (const std::string& path : SerialDevicesUnder(devRoot, sysRoot)) {
        AddPort(snapshot.ports, path);
    }
    for (int choice = 1; choice <= kPortChoices; ++choice) {
        const auto candidates = Candidates(devRoot, choice);
        const auto reached =
            std::find_if(candidates.begin(), candidates.end(),
                         [&](const auto& path) { return IsPresent(sysRoot, path); });
        if (reached != candidates.end()) {
            AddPort(snapshot.ports, *reached);  // listed already, unless it came meanwhile
            snapshot.reached[choice - 1] = IndexOfDevice(snapshot.ports, *reached);
        }
        const auto there = std::find_if(candidates.begin(), candidates.end(), Exists);
        snapshot.ownDevice[choice - 1] = there != candidates.end() ? *there : candidates.back();
    }
    return snapshot;
}

#ifndef _WIN32
PortSource SystemPortSource() {
    return {[] { return PortSnapshotUnder("/dev", "/sys"); }, false};
}
#endif

}  // namespace kvq
