#pragma once

#include <memory>

#include "SerialPort.h"

struct termios2;

namespace kvq {

// The serial port on Linux: a tty device through termios2 (so that 14400 baud can be set),
// opened read only, without becoming the controlling terminal, non-blocking (a read step
// must never wait), and held exclusively.
class PosixSerialPort final : public SerialPort {
public:
    PosixSerialPort();
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    bool Open(const std::string& device) override;
    bool IsOpen() const override { return fd_ >= 0; }
    void Close() override;

    bool ReadSettings() override;
    bool WriteSettings(const LineSettings& settings) override;

    std::optional<std::size_t> BytesWaiting() override;
    std::size_t Read(char* buffer, std::size_t max) override;

    std::string LastErrorText() const override;
    bool LastErrorIsPermissionDenied() const override;
    int NotifyDescriptor() const override { return fd_; }

private:
    bool Fail(int error);
    // Drops the bytes queued under the old settings; only WriteSettings needs it.
    void DiscardInput();
    bool ClaimExclusive();

    int fd_ = -1;
    int lastError_ = 0;
    std::unique_ptr<termios2> settings_;  // as last read from the port; null until read
};

}  // namespace kvq
