#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "LineSettings.h"

namespace kvq {

// The platform part of a serial port, read only: the operations the port commands and the
// receiver need, and nothing else. POSIX termios on Linux; a Win32 version can stand beside it.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens the device for reading only and exclusively. False if it cannot be opened.
    virtual bool Open(const std::string& device) = 0;
    virtual bool IsOpen() const = 0;
    virtual void Close() = 0;

    // Reads the port's current settings; false if they cannot be read (not a serial device).
    virtual bool ReadSettings() = 0;
    // Writes the settings over those read, then reads them back: a setting the driver did
    // not take is a failure, never a silent fallback. Bytes already queued were framed under
    // the old settings and are dropped.
    virtual bool WriteSettings(const LineSettings& settings) = 0;

    // The status query: bytes waiting in the input queue, or nothing when the port failed
    // (unplugged, hung up, not usable).
    virtual std::optional<std::size_t> BytesWaiting() = 0;
    // Reads at most `max` bytes; returns how many were read (0 on failure).
    virtual std::size_t Read(char* buffer, std::size_t max) = 0;

    // The system's text for the last error of this port.
    virtual std::string LastErrorText() const = 0;
    // Whether the last error was the system refusing this user the device (EACCES on Linux),
    // which the user can mend by joining the device's group. Windows answers "access denied"
    // for a port in use, which no group mends, so its port keeps this false.
    virtual bool LastErrorIsPermissionDenied() const { return false; }
    // A descriptor that becomes readable when bytes wait (or the device fails); -1 if none.
    virtual int NotifyDescriptor() const = 0;
};

std::unique_ptr<SerialPort> CreatePlatformSerialPort();

}  // namespace kvq
