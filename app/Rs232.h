#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <array>
#include <memory>

#include "CommandTable.h"
#include "DeviceMap.h"
#include "Messages.h"
#include "Rdcom.h"
#include "SaveDialog.h"
#include "SerialPort.h"

class QAction;
class QButtonGroup;

namespace Ui {
class RS232Form;
}

namespace kvq {

class HelpWindow;
class Memo;

// What the main window asks of the world outside it. Empty members take the real thing;
// tests put a pseudo-terminal behind the device mapper, answer the save dialog and record
// the message boxes.
struct WindowSeams {
    DeviceMapper deviceMapper;
    SaveDialogFunction saveDialog;
    MessageBoxFunction showMessage;
};

// The main window. It owns the port and the receiver; its text pane `Memo` is the only store
// of received data. The enabled commands follow kCommandTable and nothing else.
class TRS232Form : public QMainWindow, private MessageSink {
    Q_OBJECT
public:
    explicit TRS232Form(WindowSeams seams = {}, QWidget* parent = nullptr);
    ~TRS232Form() override;

    // Event handlers, named after control and event.
    void FormCreate();
    void FormClose();
    void OpenComClick();
    void ReceiveDataClick();
    void StopClick();
    void ClearDataClick();
    void SaveDataClick();
    void InstrTypeClick();
    void N1Click();
    void X1Click();
    void N6Click();
    void N8Click();

    Memo& TextPane() const;
    ReadCom& Receiver() const { return *receiver_; }
    // The port handle is valid: a port is open (configured or not).
    bool PortOpen() const { return port_ != nullptr; }
    // The file name the next save proposes.
    const QString& SaveFileName() const { return saveFileName_; }
    HelpWindow* Help() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ShowPortFailure(const std::string& systemText) override;

    void SetUpWindow();
    void ConnectSignals();
    void ApplyColumn(CommandColumn column);
    void SetCommandEnabled(Command command, bool enabled);
    bool CommandEnabled(Command command) const;
    void ClosePort();
    void Show(const BoxMessage& message);
    void SaveTo(const std::string& fileName);

    // The button or the menu item behind a command.
    struct CommandControl {
        QWidget* button;
        QAction* item;
    };

    std::unique_ptr<Ui::RS232Form> ui_;
    WindowSeams seams_;
    std::array<CommandControl, kCommandCount> commands_{};
    QButtonGroup* com_ = nullptr;
    QButtonGroup* instrType_ = nullptr;
    std::unique_ptr<SerialPort> port_;  // null: the invalid handle
    std::unique_ptr<ReadCom> receiver_;
    QString saveFileName_;
    QPointer<HelpWindow> help_;
    bool closed_ = false;
};

}  // namespace kvq
