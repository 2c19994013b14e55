#include "WindowsPorts.h"

// clang-format off
#include <windows.h>
#include <setupapi.h>
// clang-format on

#include <algorithm>
#include <cwctype>
#include <map>
#include <string>

#include "DeviceMap.h"
#include "PortChoice.h"
#include "WideText.h"

namespace kvq {

namespace {

// GUID_DEVCLASS_PORTS {4D36E978-E325-11CE-BFC1-08002BE10318}, the setup class of COM and LPT
// ports; spelt out, since devguid.h defines it only in a unit that defines all of its GUIDs.
constexpr GUID kPortsClass = {
    0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// A string the system wrote into a buffer: up to its first NUL, which it may have left out.
std::wstring StringOf(const wchar_t* text, DWORD bytes) {
    const std::size_t most = bytes / sizeof(wchar_t);
    std::size_t length = 0;
    while (length < most && text[length] != L'\0') {
        ++length;
    }
    return {text, length};
}

// Port names are ASCII "COMn"; the system's case is not guaranteed.
std::optional<int> ComNumberOf(const std::wstring& name) {
    std::string ascii;
    for (const wchar_t c : name) {
        if (c > 0x7f) {
            return std::nullopt;
        }
        ascii += static_cast<char>(std::towupper(c));
    }
    return ComNumber(ascii);
}

std::vector<int> ListedComNumbers() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS) {
        return {};  // no serial driver has entered a port since the system started
    }
    std::vector<int> numbers;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        wchar_t data[64];
        DWORD bytes = sizeof(data);
        DWORD type = 0;
        const LONG result = RegEnumValueW(key, i, name, &nameLength, nullptr, &type,
                                          reinterpret_cast<BYTE*>(data), &bytes);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (result != ERROR_SUCCESS || type != REG_SZ) {
            continue;  // too long or not a string: not a port name
        }
        if (const std::optional<int> number = ComNumberOf(StringOf(data, bytes))) {
            numbers.push_back(*number);
        }
    }
    RegCloseKey(key);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

// A port with a device behind it opens and reports its settings. Wine lists ports that it
// has no device for, and those open but cannot report.
bool Answers(int number) {
    const std::string device = ComDeviceName(number);
    HANDLE handle =
        CreateFileA(device.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    DCB settings{};
    settings.DCBlength = sizeof(settings);
    const bool answers = GetCommState(handle, &settings) != FALSE;
    CloseHandle(handle);
    return answers;
}

// The port a device of the ports class stands for: the "PortName" of its device key.
std::optional<int> PortNumberOf(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    HKEY key =
        SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    wchar_t name[64];
    DWORD bytes = sizeof(name);
    DWORD type = 0;
    const LONG result =
        RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &bytes);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ) {
        return std::nullopt;
    }
    return ComNumberOf(StringOf(name, bytes));
}

std::map<int, std::string> FriendlyNames() {
    std::map<int, std::string> names;
    HDEVINFO devices = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) {
        return names;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD i = 0; SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
        const std::optional<int> number = PortNumberOf(devices, device);
        wchar_t friendly[256];
        DWORD type = 0;
        DWORD bytes = 0;
        if (number &&
            SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, &type,
                                              reinterpret_cast<BYTE*>(friendly), sizeof(friendly),
                                              &bytes) &&
            type == REG_SZ) {
            names[*number] = FriendlyNameWithoutPort(Utf8Text(StringOf(friendly, bytes)), *number);
        }
    }
    SetupDiDestroyDeviceInfoList(devices);
    return names;
}

}  // namespace

std::vector<PresentPort> PresentComPorts() {
    std::vector<PresentPort> ports;
    const std::map<int, std::string> friendlyNames = FriendlyNames();
    for (const int number : ListedComNumbers()) {
        if (!Answers(number)) {
            continue;
        }
        const auto friendly = friendlyNames.find(number);
        ports.push_back({"COM" + std::to_string(number), ComDeviceName(number),
                         friendly != friendlyNames.end() ? friendly->second : std::string()});
    }
    return ports;
}

std::string DefaultDeviceForPort(const std::string& portName) {
    if (const std::optional<PresentPort> port = ReachedComPort(PresentComPorts(), portName)) {
        return port->device;
    }
    // Nothing reached: the choice's own name, so that the failure names it.
    const std::optional<int> number = ComNumber(portName);
    return number ? ComDeviceName(*number) : portName;
}

PortDirectory SystemPortDirectory() {
    return {PresentComPorts,
            [](const std::string& choice) { return ReachedComPort(PresentComPorts(), choice); }};
}

}  // namespace kvq
