#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <functional>
#include <optional>

class QWidget;

namespace kvq {

// One message box of the main window, as the user sees it.
struct BoxMessage {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool ownedByWindow = true;  // false: a box of its own, not tied to the main window
    // A question whose No would lose data: Yes is the default and the answer of Escape.
    bool yesIsSafe = false;

    bool operator==(const BoxMessage&) const = default;
};

// Shows a message box and returns when the user has acknowledged it. Tests record instead.
using MessageBoxFunction = std::function<void(const BoxMessage&)>;

// The real box: OK button only, `owner` as parent when the message is owned by the window.
void ShowMessageBox(QWidget* owner, const BoxMessage& message);

// The port could not be opened. `device` and `reason` (the system's text) are added below
// the fixed text, so the user sees which device was tried and why it failed; when the
// system refused the user the device, a last line says how to get access.
BoxMessage OpenFailedMessage(const QString& portName, const QString& device, const QString& reason,
                             bool permissionDenied = false);
// The line a failure box adds when the chosen port is not there: the serial ports that are,
// "本机的串口：COM4、COM7", or "本机没有找到串口。".
QString PresentPortsLine(const QStringList& portNames);
// A port operation failed: the system's text, then "COM口操作失败" on a line of its own.
BoxMessage PortFailureMessage(const QString& systemText, bool ownedByWindow);
// Receiving was asked for without an open port.
BoxMessage NoPortMessage();
// A save could not create or write its file. After a failed write the file was cut back to
// its whole records; `wholeRecords` says how many it holds (nothing: not known, not said).
BoxMessage SaveFailedMessage(const QString& fileName, const QString& systemText,
                             std::optional<std::size_t> wholeRecords = std::nullopt);
// A save found lines in the pane but none of the selected instrument type.
BoxMessage EmptySaveMessage();
// A type 2 save left `readings` readings (1 to 9) of an incomplete group out of the file.
BoxMessage IncompleteGroupMessage(std::size_t readings);

// What would empty the pane, or close the window, while it holds lines not yet saved.
enum class UnsavedLinesAction { kClear, kExit, kReceiveAgain, kChangeType };
// The question before that: how many lines would be lost, and what for. Yes and No.
BoxMessage UnsavedLinesQuestion(std::size_t lines, UnsavedLinesAction action);
// The question before a save replaces the existing file `fileName` (the name as written, with
// its ".kvq"). Yes and No.
BoxMessage ReplaceFileQuestion(const QString& fileName);
// The question at the start when an earlier run left `lines` unsaved lines behind. Yes and
// No; Yes loses nothing, so it is the default.
BoxMessage RestoreLinesQuestion(std::size_t lines);
// The journal of unsaved lines cannot be written: `fileName` and the system's reason.
BoxMessage JournalFailedMessage(const QString& fileName, const QString& systemText);

}  // namespace kvq
