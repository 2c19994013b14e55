#pragma once

// The main window keeps the object names of its window definition (forms/Rs232.ui): the form
// is `RS232Form`, the window class `TRS232Form`, and each handler is named after its control
// and event (`X1Click`). What those names stand for:
//
// clang-format off
//   name         control                  caption        meaning
//   OpenCom      button                   打开通信口     open the chosen port, set the line
//   ReceiveData  button                   接收数据       start receiving into the text pane
//   Stop         button                   停止传输       stop receiving
//   ClearData    button                   清除数据       empty the text pane
//   SaveData     button                   保存数据       save the pane's lines as a .kvq file
//   BitBtn1      button                   Close          close the window
//   F1           menu                     文件           File
//   S2           File menu item           保存数据       save, as SaveData
//   N1           File menu item           退出           exit
//   N2           menu                     端口控制       Port control
//   N3           Port menu item           打开通信口     open the port, as OpenCom
//   X1           Port menu item           关闭通信口     close the port
//   N5           Port menu item           接受数据       receive, as ReceiveData
//   S1           Port menu item           停止传输       stop, as Stop
//   H1           menu                     帮助           Help
//   N6           Help menu item           使用数据传输   the help window
//   N8           Help menu item           关于数据传输   the About dialog
//   Com          group, ComItem0/1        选择通信端口   COM1 or COM2
//   BauteRate    list                     传输速率       baud rate (the form's spelling)
//   BitSize      list                     数据位数       data bits
//   StopBit      list                     停止位个数     stop bits
//   Parity       check box                奇偶校验       parity on (odd) or off
//   InstrType    group, InstrTypeItem0-5  仪器类型       instrument type (export/InstrumentTable.h)
//   Memo         text pane                接收到的观测数据  the received lines
//   Rdcom        receiver (ReadCom)       —              read steps from the port (serial/Rdcom.h)
// clang-format on
//
// The commands whose enabled state changes, and their rules, are in CommandTable.h.

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "CommandTable.h"
#include "LeftJournal.h"
#include "Messages.h"
#include "PortList.h"
#include "QuestionBox.h"
#include "Rdcom.h"
#include "SaveDialog.h"
#include "SaveFlow.h"
#include "SerialPort.h"
#include "UnsavedLines.h"

class QAction;
class QButtonGroup;

namespace Ui {
class RS232Form;
}

namespace kvq {

class HelpWindow;
class LineJournal;
class Memo;
class PortSnapshots;

// What the main window asks of the world outside it. Empty members take the real thing;
// tests put a pseudo-terminal or a fake device folder behind the ports, answer the save
// dialog and the questions, and record the message boxes.
struct WindowSeams {
    PortSource ports;  // what is there and what the choices reach: tool tips, open, failures
    SaveDialogFunction saveDialog;
    MessageBoxFunction showMessage;
    QuestionBoxFunction askQuestion;
    // Where the journal of unsaved lines is kept; nothing: the user's own data folder; an
    // empty name: nowhere.
    std::optional<QString> journalFolder;
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
    const QString& SaveFileName() const { return saveFlow_->ProposedName(); }
    // The pane's lines not yet in a file, and the rules before they are lost; the receiver's
    // lines reach the pane through them.
    UnsavedLines& Unsaved() { return *unsaved_; }
    const UnsavedLines& Unsaved() const { return *unsaved_; }
    // Offers the lines a run that ended without saving them left behind (each run's in turn,
    // while the pane is empty); the window does this once it is first shown.
    void OfferLinesLeftBehind();
    HelpWindow* Help() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowPortFailure(const std::string& systemText) override;

    void SetUpWindow();
    void SetUpChoices();
    void ConnectSignals();
    void SetUpJournal();
    void RestoreLines(LeftJournal left);
    void ApplyColumn(CommandColumn column);
    void SetCommandEnabled(Command command, bool enabled);
    bool CommandEnabled(Command command) const;
    void ClosePort();
    void Show(const BoxMessage& message);
    bool Ask(const BoxMessage& question);
    // True when nothing unsaved would be lost by `action`, or the user agrees to lose it.
    bool MayLoseUnsavedLines(UnsavedLinesAction action);
    void EmptyPane();
    void SelectTypeQuietly(int type);
    void SetPaneType(int type);

    // The button or the menu item behind a command.
    struct CommandControl {
        QWidget* button;
        QAction* item;
    };

    std::unique_ptr<Ui::RS232Form> ui_;
    WindowSeams seams_;
    std::array<CommandControl, kCommandCount> commands_{};
    QButtonGroup* com_ = nullptr;
    PortSnapshots* portSnapshots_ = nullptr;
    QButtonGroup* instrType_ = nullptr;
    std::unique_ptr<SerialPort> port_;  // null: the invalid handle
    std::unique_ptr<LineJournal> journal_;
    std::unique_ptr<UnsavedLines> unsaved_;  // between the receiver and the pane
    std::unique_ptr<ReadCom> receiver_;
    std::unique_ptr<SaveFlow> saveFlow_;
    // A port failure while a save writes its file, shown when the save has ended.
    std::optional<BoxMessage> heldPortFailure_;
    bool writingFile_ = false;
    // The instrument type the pane's lines arrived under, selected again when the user keeps
    // them.
    int paneType_ = 0;
    QPointer<HelpWindow> help_;
    bool closed_ = false;
    bool shown_ = false;
    // The system ends the session: the window closes without a question, and the unsaved
    // lines stay in the journal for the next start.
    bool sessionEnding_ = false;
};

}  // namespace kvq
