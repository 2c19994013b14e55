#pragma once

// What the receiver hands over, recorded for the receiver's tests on Linux and on Windows.

#include <QByteArray>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Rdcom.h"

struct RecordingLines : kvq::LineSink {
    std::vector<std::vector<std::string>> calls;
    std::vector<std::string> all;
    void AppendLines(std::span<const std::string> lines) override {
        calls.emplace_back(lines.begin(), lines.end());
        all.insert(all.end(), lines.begin(), lines.end());
    }
};

struct RecordingMessages : kvq::MessageSink {
    std::vector<std::string> texts;
    std::function<void()> whileShown;  // stands in for the message box's own event loop
    void ShowPortFailure(const std::string& systemText) override {
        texts.push_back(systemText);
        if (whileShown) {
            whileShown();
        }
    }
};

// The bytes the receiver took, put back together: each line handed over with its line feed,
// then the line being built. Equal to the bytes sent when it took every byte, in order.
inline std::string Reassembled(const RecordingLines& lines, std::string_view pending) {
    std::string bytes;
    for (const std::string& line : lines.all) {
        bytes += line + "\n";
    }
    return bytes + std::string(pending);
}

// Lines of 16 bytes with their number, then any remainder as a partial line of 'x'.
inline std::string NumberedBytes(int size) {
    std::string bytes;
    for (int i = 0; static_cast<int>(bytes.size()) + 16 <= size; ++i) {
        bytes += QByteArray::number(i).rightJustified(15, '0').toStdString() + "\n";
    }
    bytes.resize(static_cast<std::size_t>(size), 'x');
    return bytes;
}
