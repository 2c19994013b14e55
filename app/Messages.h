#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <functional>

class QWidget;

namespace kvq {

// One message box of the main window, as the user sees it. The window is its parent, so that
// the window manager places it over the window and keeps it there.
struct BoxMessage {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    // A question whose No would lose data: Yes is the default and the answer of Escape.
    bool yesIsSafe = false;

    bool operator==(const BoxMessage&) const = default;
};

// Shows a message box and returns when the user has acknowledged it. Tests record instead.
using MessageBoxFunction = std::function<void(const BoxMessage&)>;

// The real box: OK button only, `owner` as its parent.
void ShowMessageBox(QWidget* owner, const BoxMessage& message);

// The port could not be opened. `device` and `reason` (the system's text) are added below
// the fixed text, so the user sees which device was tried and why it failed; when the
// system refused the user the device, a last line says how to get access.
BoxMessage OpenFailedMessage(const QString& portName, const QString& device, const QString& reason,
                             bool permissionDenied = false);
// What a failure box adds when the chosen port is not there: the serial ports that are, one
// line each with which choice uses it or why none does (PortTexts.h), under "本机的串口：";
// or "本机没有找到串口。".
QString PresentPortsLine(const QStringList& portLines);
// A port operation failed: the system's text, then "COM口操作失败" on a line of its own.
BoxMessage PortFailureMessage(const QString& systemText);
// Receiving was asked for without an open port.
BoxMessage NoPortMessage();
// What a failed save left in its file, said on a line of its own below the failure.
enum class FileLeft {
    kNotSaid,         // nothing written, or nothing known to say
    kWholeRecords,    // cut back to its whole records: "文件中保留了 N 条完整的记录。"
    kMayEndInPart,    // the cut failed: the file may end in part of a record
    kOldContentKept,  // a replacement that failed: the existing file as it was
};
// A save could not create, write or finish its file; `wholeRecords` goes with kWholeRecords.
BoxMessage SaveFailedMessage(const QString& fileName, const QString& systemText,
                             FileLeft left = FileLeft::kNotSaid, std::size_t wholeRecords = 0);
// The pane holds no line: there is nothing to save.
BoxMessage NothingToSaveMessage();
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
// The existing file cannot be replaced through a temporary file beside it (`systemText` says
// why): the question before it is written over in place. Yes and No.
BoxMessage WriteInPlaceQuestion(const QString& fileName, const QString& systemText);
// The question at the start when an earlier run left `lines` unsaved lines behind. Yes and
// No; Yes loses nothing, so it is the default.
BoxMessage RestoreLinesQuestion(std::size_t lines);
// The journal of unsaved lines cannot be written: `fileName` and the system's reason.
BoxMessage JournalFailedMessage(const QString& fileName, const QString& systemText);

}  // namespace kvq
