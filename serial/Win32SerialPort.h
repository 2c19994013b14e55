#pragma once

#include <windows.h>

#include "SerialPort.h"

namespace kvq {

// The serial port on Windows: the port a choice reaches (PortChoice.h: "COM4",
// "\\.\COM12") opened by name for reading only, not shared, with ordinary synchronous
// access. The driver's buffer sizes, time-outs and modem lines stay as they are. There is no
// descriptor to wait on, so the receiver polls it.
class Win32SerialPort final : public SerialPort {
public:
    Win32SerialPort() = default;
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    bool Open(const std::string& device) override;
    bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
    void Close() override;

    bool ReadSettings() override;
    bool WriteSettings(const LineSettings& settings) override;

    std::optional<std::size_t> BytesWaiting() override;
    std::size_t Read(char* buffer, std::size_t max) override;

    std::string LastErrorText() const override;
    int NotifyDescriptor() const override { return -1; }

private:
    bool Fail(DWORD error);
    // Drops the bytes queued under the old settings; only WriteSettings needs it.
    void DiscardInput();
    bool FailWithLastError() { return Fail(GetLastError()); }

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    DWORD lastError_ = ERROR_SUCCESS;
    DCB settings_{};  // as last read from the port
    bool settingsRead_ = false;
};

}  // namespace kvq
