#pragma once

#include <QString>
#include <QTemporaryDir>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "EventLoop.h"
#include "PtyLine.h"
#include "WindowUnderTest.h"

// The main window whose COM1 is a real pseudo-terminal, with a temporary folder to save in.
struct WindowOnLine {
    PtyLine line;
    WindowUnderTest window;
    QTemporaryDir folder;

    // With an instrument type, selected by its radio button; otherwise the window's first.
    explicit WindowOnLine(std::optional<int> instrumentType = std::nullopt);
    // Opens COM1 unless it is open, then receives, by the command buttons as the user does;
    // true once the receiver runs.
    bool StartReceiving();
    // Starts receiving; the instrument sends `bytes` from a thread of its own, paced by what
    // the window reads, while the event loop runs until the pane holds `lines` lines.
    bool Receive(std::string_view bytes, std::size_t lines, int timeoutMs = kGuardMs);
    // Saves as `name` in the folder through the save flow; the file name the window reports.
    QString Save(const QString& name);
    // The line being built, not yet ended by its line feed.
    std::string Pending();
    std::vector<std::string> PaneLines();
};
