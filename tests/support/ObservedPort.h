#pragma once

#include <algorithm>

#include "SerialPort.h"

// A real port with a window on how the receiver uses it: how many status queries (one per
// read step), reads and bytes, and the largest read asked for.
class ObservedPort : public kvq::SerialPort {
public:
    explicit ObservedPort(kvq::SerialPort& real) : real_(real) {}

    int statusQueries = 0;
    int reads = 0;
    std::size_t bytesRead = 0;
    std::size_t largestRead = 0;

    bool Open(const std::string& device) override { return real_.Open(device); }
    bool IsOpen() const override { return real_.IsOpen(); }
    void Close() override { real_.Close(); }
    bool ReadSettings() override { return real_.ReadSettings(); }
    bool WriteSettings(const kvq::LineSettings& s) override { return real_.WriteSettings(s); }
    std::optional<std::size_t> BytesWaiting() override {
        ++statusQueries;
        return real_.BytesWaiting();
    }
    std::size_t Read(char* buffer, std::size_t max) override {
        ++reads;
        largestRead = std::max(largestRead, max);
        const std::size_t got = real_.Read(buffer, max);
        bytesRead += got;
        return got;
    }
    std::string LastErrorText() const override { return real_.LastErrorText(); }
    int NotifyDescriptor() const override { return real_.NotifyDescriptor(); }

private:
    kvq::SerialPort& real_;
};
