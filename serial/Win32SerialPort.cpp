#include "Win32SerialPort.h"

#include "DcbMapping.h"
#include "SystemErrorText.h"

namespace kvq {

Win32SerialPort::~Win32SerialPort() {
    Close();
}

bool Win32SerialPort::Fail(DWORD error) {
    lastError_ = error;
    return false;
}

bool Win32SerialPort::Open(const std::string& device) {
    Close();
    handle_ = CreateFileA(device.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) {
        return FailWithLastError();
    }
    return true;
}

void Win32SerialPort::Close() {
    if (handle_ == INVALID_HANDLE_VALUE) {
        return;
    }
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    settingsRead_ = false;
}

bool Win32SerialPort::ReadSettings() {
    if (!IsOpen()) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (!GetCommState(handle_, &dcb)) {
        return FailWithLastError();
    }
    settings_ = dcb;
    settingsRead_ = true;
    return true;
}

bool Win32SerialPort::WriteSettings(const LineSettings& settings) {
    if (!settingsRead_ && !ReadSettings()) {
        return false;
    }
    DCB wanted = settings_;
    ApplyLineSettings(wanted, settings);
    if (!SetCommState(handle_, &wanted)) {
        return FailWithLastError();
    }
    if (!ReadSettings()) {
        return false;
    }
    // A driver may keep what it cannot do without an error: the read-back decides.
    if (!SettingsTaken(wanted, settings_)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    // Bytes queued before were framed under the old settings.
    DiscardInput();
    return true;
}

std::optional<std::size_t> Win32SerialPort::BytesWaiting() {
    if (!IsOpen()) {
        Fail(ERROR_INVALID_HANDLE);
        return std::nullopt;
    }
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handle_, &errors, &status)) {
        FailWithLastError();
        return std::nullopt;
    }
    return static_cast<std::size_t>(status.cbInQue);
}

std::size_t Win32SerialPort::Read(char* buffer, std::size_t max) {
    if (!IsOpen()) {
        Fail(ERROR_INVALID_HANDLE);
        return 0;
    }
    DWORD got = 0;
    // Only what ClearCommError reported as waiting is asked for, so this does not block.
    if (!ReadFile(handle_, buffer, static_cast<DWORD>(max), &got, nullptr)) {
        FailWithLastError();
    }
    return got;
}

void Win32SerialPort::DiscardInput() {
    if (IsOpen() && !PurgeComm(handle_, PURGE_RXCLEAR)) {
        FailWithLastError();
    }
}

std::string Win32SerialPort::LastErrorText() const {
    return SystemErrorText(lastError_);
}

std::unique_ptr<SerialPort> CreatePlatformSerialPort() {
    return std::make_unique<Win32SerialPort>();
}

}  // namespace kvq
