#pragma once

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CommandTable.h"
#include "Messages.h"
#include "PortList.h"
#include "Rs232.h"
#include "SaveDialog.h"

class QAbstractButton;
class QListWidget;

// The ports `devices` stands for: "COM1" and "COM2" reach the devices it names for them, and no
// other port is there; a choice it does not name opens "/nonexistent/COMn".
kvq::PortSnapshot SnapshotOf(const std::map<std::string, std::string>& devices);

// The main window with its seams in the test's hands: the choices reach the devices the
// test chooses (or those of a fake device folder, or the system's ports), message boxes are
// recorded instead of shown, the save dialog answers with the name the test sets, and
// questions are recorded and answered as the test says (Yes unless told otherwise, so the
// window does what its commands did before it asked). The journal of unsaved lines is kept in
// a temporary folder of the window's own unless the test names another (an empty name: none).
class WindowUnderTest {
public:
    // Where the window's ports come from.
    enum class PortsFrom {
        kDevices,      // `devices` or a device folder, looked up at every look as on Linux
        kDevicesKept,  // the same, kept until the system reports a change, as on Windows
        kSystem,       // the system's own ports, as the program has them
    };
    // The journal of unsaved lines in `journalFolder`; nothing: a temporary folder of the
    // test's own; an empty name: no journal.
    explicit WindowUnderTest(PortsFrom from = PortsFrom::kDevices,
                             std::optional<QString> journalFolder = std::nullopt);
    explicit WindowUnderTest(std::optional<QString> journalFolder);
    ~WindowUnderTest();

    kvq::TRS232Form& Window() { return *window_; }
    const QString& JournalFolder() const { return journalFolderName_; }
    kvq::TRS232Form* operator->() { return window_.get(); }

    // Where the window's "COM1" and "COM2" lead (SnapshotOf).
    std::map<std::string, std::string> devices;
    // Instead of `devices`: the ports as the program finds them under /dev and /sys.
    void UseDeviceFolder(const std::string& devRoot, const std::string& sysRoot);
    // How many times the window looked at the ports.
    int snapshotsTaken = 0;
    std::vector<kvq::BoxMessage> messages;
    // Runs when a message box would be shown, before it is recorded.
    std::function<void(const kvq::BoxMessage&)> whileShown;
    std::vector<kvq::SaveDialogRequest> saveRequests;
    std::optional<QString> saveAnswer;       // nothing: the user cancels
    std::vector<kvq::BoxMessage> questions;  // as they were when the user answered
    bool questionAnswer = true;              // true: Yes
    // Runs while a question is open, before it is answered (lines may arrive meanwhile).
    std::function<void(const kvq::OpenQuestion&)> whileAsked;

    bool Enabled(kvq::Command command) const;
    void SetEnabled(kvq::Command command, bool enabled);
    // Enabled states of all commands, in the order of kvq::Command.
    std::vector<bool> CommandStates() const;

    QAbstractButton* Button(const QString& name) const;
    // Clicks a command button as the user does; false if it is missing or disabled.
    bool Click(const char* name);
    QListWidget* List(const QString& name) const;
    // The tool tip shown when the pointer comes to rest on the named control.
    QString ToolTipOf(const QString& name) const;
    // Selects the instrument type as the user does, by its radio button.
    void SelectInstrumentType(int index);
    // Appends lines to the text pane as the receiver hands them over.
    void PutLines(const std::vector<std::string>& lines);

private:
    std::function<kvq::PortSnapshot()> takePorts_;  // empty: `devices`
    QTemporaryDir journalFolder_;
    QString journalFolderName_;
    std::unique_ptr<kvq::TRS232Form> window_;
};
