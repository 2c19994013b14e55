#include "WindowOnLine.h"

#include "Memo.h"
#include "PtyFeeder.h"

WindowOnLine::WindowOnLine(std::optional<int> instrumentType) {
    window.devices["COM1"] = line.DevicePath();
    if (instrumentType) {
        window.SelectInstrumentType(*instrumentType);
    }
}

bool WindowOnLine::StartReceiving() {
    if (!window->PortOpen()) {
        window.Click("OpenCom");
    }
    window.Click("ReceiveData");
    return window->Receiver().IsRunning();
}

bool WindowOnLine::Receive(std::string_view bytes, std::size_t lines, int timeoutMs) {
    if (!StartReceiving()) {
        return false;
    }
    const PtyFeeder feeder(line, bytes);
    return RunEventsUntil(
               [&] { return feeder.Finished() && window->TextPane().LineCount() == lines; },
               timeoutMs) &&
           feeder.Succeeded();
}

QString WindowOnLine::Save(const QString& name) {
    window.saveAnswer = folder.filePath(name);
    window.Click("SaveData");
    return window->SaveFileName();
}

std::string WindowOnLine::Pending() {
    return std::string(window->Receiver().LineBuffer().Pending());
}

std::vector<std::string> WindowOnLine::PaneLines() {
    const auto& stored = window->TextPane().StoredLines();
    return {stored.begin(), stored.end()};
}
