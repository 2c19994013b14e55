#include "WindowsPorts.h"

// clang-format off
#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>
// clang-format on

#include <algorithm>
#include <cwctype>
#include <string>

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

// Wine says so in ntdll; Windows has no such export.
bool RunsUnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Under Wine a port with a device behind it opens and reports its settings; Wine lists
// ports that it has no device for, and those open but cannot report.
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

std::vector<PresentPort> AnsweringPorts(const std::vector<int>& numbers) {
    std::vector<PresentPort> ports;
    for (const int number : numbers) {
        if (Answers(number)) {
            ports.push_back({"COM" + std::to_string(number), ComDeviceName(number), {}});
        }
    }
    return ports;
}

std::string PropertyOf(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property) {
    wchar_t text[512];
    DWORD type = 0;
    DWORD bytes = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, property, &type,
                                           reinterpret_cast<BYTE*>(text), sizeof(text), &bytes) ||
        type != REG_SZ) {
        return {};
    }
    return Utf8Text(StringOf(text, bytes));
}

// The port a device of the ports class stands for: the "PortName" of its device key.
std::string PortNameOf(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    HKEY key =
        SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE) {
        return {};
    }
    wchar_t name[64];
    DWORD bytes = sizeof(name);
    DWORD type = 0;
    const LONG result =
        RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &bytes);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_SZ ? Utf8Text(StringOf(name, bytes))
                                                     : std::string();
}

// One present device of the ports class; nothing for a device that is starting or going
// away (not started, no problem either).
std::optional<PortsClassRow> RowOf(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    ULONG status = 0;
    ULONG problem = 0;
    if (CM_Get_DevNode_Status(&status, &problem, device.DevInst, 0) != CR_SUCCESS ||
        ((status & DN_HAS_PROBLEM) == 0 && (status & DN_STARTED) == 0)) {
        return std::nullopt;
    }
    wchar_t id[MAX_DEVICE_ID_LEN];
    if (!SetupDiGetDeviceInstanceIdW(devices, &device, id, MAX_DEVICE_ID_LEN, nullptr)) {
        return std::nullopt;
    }
    PortsClassRow row;
    row.instanceId = Utf8Text(id);
    row.service = PropertyOf(devices, device, SPDRP_SERVICE);
    row.portName = PortNameOf(devices, device);
    row.friendlyName = PropertyOf(devices, device, SPDRP_FRIENDLYNAME);
    row.problem = (status & DN_HAS_PROBLEM) != 0 ? problem : 0;
    return row;
}

std::vector<PortsClassRow> PortsClassRows() {
    std::vector<PortsClassRow> rows;
    HDEVINFO devices = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) {
        return rows;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD i = 0; SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
        if (std::optional<PortsClassRow> row = RowOf(devices, device)) {
            rows.push_back(std::move(*row));
        }
    }
    SetupDiDestroyDeviceInfoList(devices);
    return rows;
}

}  // namespace

PortSnapshot SystemPortSnapshot() {
    const std::vector<PortsClassRow> rows = PortsClassRows();
    const std::vector<int> listed = ListedComNumbers();
    if (rows.empty() && RunsUnderWine()) {
        return ChoicesAmong(AnsweringPorts(listed));
    }
    return ChoicesAmong(WindowsPorts(rows, listed));
}

PortSource SystemPortSource() {
    return {SystemPortSnapshot, true};
}

}  // namespace kvq
