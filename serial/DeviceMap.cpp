#include "DeviceMap.h"

#include <charconv>
#include <filesystem>
#include <optional>
#include <system_error>

namespace kvq {

namespace {

// The n of "COMn", n >= 1.
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

// Follows links: a COMn link whose adapter is unplugged does not count.
bool Exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

}  // namespace

std::string DeviceForPortUnder(const std::string& devRoot, const std::string& portName) {
    const std::optional<int> number = ComNumber(portName);
    if (!number) {
        return portName;
    }
    const std::string index = std::to_string(*number - 1);
    for (const std::string& candidate :
         {devRoot + "/" + portName, devRoot + "/ttyUSB" + index, devRoot + "/ttyACM" + index}) {
        if (Exists(candidate)) {
            return candidate;
        }
    }
    return devRoot + "/ttyS" + index;
}

std::string DefaultDeviceForPort(const std::string& portName) {
#ifdef _WIN32
    // Windows knows its ports by these names.
    return portName;
#else
    return DeviceForPortUnder("/dev", portName);
#endif
}

}  // namespace kvq
