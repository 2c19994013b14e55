#pragma once

// What the receiver hands over, recorded for the receiver's tests on Linux and on Windows.

#include <QByteArray>
#include <functional>
#include <string>
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

// Lines of 16 bytes with their number, then any remainder as a partial line of 'x'.
inline std::string NumberedBytes(int size) {
    std::string bytes;
    for (int i = 0; static_cast<int>(bytes.size()) + 16 <= size; ++i) {
        bytes += QByteArray::number(i).rightJustified(15, '0').toStdString() + "\n";
    }
    bytes.resize(static_cast<std::size_t>(size), 'x');
    return bytes;
}
