#include "Rs232.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLayout>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <utility>

#include "About.h"
#include "HelpWindow.h"
#include "LineJournal.h"
#include "LineSettings.h"
#include "ListControls.h"
#include "Memo.h"
#include "MenuBarRightEdge.h"
#include "PathRules.h"
#include "PortSnapshots.h"
#include "PortTexts.h"
#include "PortToolTips.h"
#include "SystemStrings.h"
#include "ui_Rs232.h"

// The pictures live in a static library; this keeps the linker from dropping them.
static void InitFormsResources() {
    Q_INIT_RESOURCE(Forms);
}

namespace kvq {

namespace {

constexpr int kClientWidth = 609;
constexpr int kClientHeight = 435;
// The window's own font, and the larger one of the port settings.
constexpr int kWindowFontPixels = 12;
constexpr int kSettingsFontPixels = 13;
// The longest the event loop waits while a save writes.
constexpr int kSaveSliceMs = 10;

std::string ProgramPath() {
    return ToSystemName(QCoreApplication::applicationFilePath());
}

// A choice that reaches no port of this machine: the box also says which ports there are
// and why no choice, or the other one, uses each.
BoxMessage WithPortsIfNotReached(BoxMessage message, const PortSnapshot& ports, int choice) {
    if (ReachedBy(ports, choice) == nullptr) {
        message.text += QLatin1Char('\n') + PresentPortsLine(PortLines(ports));
    }
    return message;
}

// Each choice's tool tip says what it reaches; the radio button with id 0 is "COM1".
void WatchPortChoices(const QButtonGroup* choices, PortSnapshots& ports, QObject* owner) {
    auto* toolTips = new PortToolTips(ports, owner);
    for (QAbstractButton* choice : choices->buttons()) {
        toolTips->Watch(choice, choices->id(choice) + 1);
    }
}

void SetPixelSize(QWidget* widget, int pixels) {
    QFont font = widget->font();
    font.setPixelSize(pixels);
    widget->setFont(font);
}

}  // namespace

TRS232Form::TRS232Form(WindowSeams seams, QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::RS232Form>()), seams_(std::move(seams)) {
    InitFormsResources();
    if (!seams_.ports.take) {
        seams_.ports = SystemPortSource();
    }
    if (!seams_.saveDialog) {
        seams_.saveDialog = RunSaveDialog;
    }
    if (!seams_.showMessage) {
        seams_.showMessage = [this](const BoxMessage& message) { ShowMessageBox(this, message); };
    }
    if (!seams_.askQuestion) {
        seams_.askQuestion = [this](const OpenQuestion& question) {
            return AskQuestionBox(this, question);
        };
    }
    saveFlow_ = std::make_unique<SaveFlow>(
        SaveFlowSeams{
            [this](const SaveDialogRequest& request) { return seams_.saveDialog(this, request); },
            [this](const BoxMessage& question) { return Ask(question); }},
        FromSystem(DataFolder(ProgramPath())));
    ui_->setupUi(this);
    SetUpWindow();
    ConnectSignals();
    SetUpJournal();
    FormCreate();
}

TRS232Form::~TRS232Form() {
    if (!closed_) {
        FormClose();
    }
}

Memo& TRS232Form::TextPane() const {
    return *ui_->Memo;
}

HelpWindow* TRS232Form::Help() const {
    return help_;
}

void TRS232Form::SetUpWindow() {
    // Fixed border with a minimise box but no maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    ui_->centralwidget->setFixedSize(kClientWidth, kClientHeight);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    SetPixelSize(ui_->centralwidget, kWindowFontPixels);
    SetPixelSize(ui_->Com, kSettingsFontPixels);
    SetPixelSize(ui_->GroupBox1, kSettingsFontPixels);
    SetPixelSize(ui_->Parity, kWindowFontPixels);

    // In the order of Command.
    commands_ = {{{ui_->OpenCom, nullptr},
                  {ui_->ReceiveData, nullptr},
                  {ui_->Stop, nullptr},
                  {ui_->ClearData, nullptr},
                  {ui_->SaveData, nullptr},
                  {nullptr, ui_->N3},
                  {nullptr, ui_->X1},
                  {nullptr, ui_->N5},
                  {nullptr, ui_->S1},
                  {nullptr, ui_->S2}}};
    SetUpChoices();

    // Centred on the screen; the frame is not known before the window is shown, so the
    // client area is centred.
    layout()->activate();
    adjustSize();
    if (const QScreen* screen = this->screen()) {
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                        screen->availableGeometry()));
    }
}

// The radio groups numbered by item, the one-row lists, the port choices' tool tips.
void TRS232Form::SetUpChoices() {
    com_ = IndexRadioGroup(ui_->Com);
    portSnapshots_ = new PortSnapshots(seams_.ports, this);
    WatchPortChoices(com_, *portSnapshots_, this);
    instrType_ = IndexRadioGroup(ui_->InstrType);
    paneType_ = instrType_->checkedId();
    MakeOneRowList(ui_->BauteRate);
    MakeOneRowList(ui_->BitSize);
    MakeOneRowList(ui_->StopBit);
    ui_->OpenCom->setFocus();
}

void TRS232Form::ConnectSignals() {
    connect(ui_->OpenCom, &QPushButton::clicked, this, &TRS232Form::OpenComClick);
    connect(ui_->N3, &QAction::triggered, this, &TRS232Form::OpenComClick);
    connect(ui_->X1, &QAction::triggered, this, &TRS232Form::X1Click);
    connect(ui_->ReceiveData, &QPushButton::clicked, this, &TRS232Form::ReceiveDataClick);
    connect(ui_->N5, &QAction::triggered, this, &TRS232Form::ReceiveDataClick);
    connect(ui_->Stop, &QPushButton::clicked, this, &TRS232Form::StopClick);
    connect(ui_->S1, &QAction::triggered, this, &TRS232Form::StopClick);
    connect(ui_->ClearData, &QPushButton::clicked, this, &TRS232Form::ClearDataClick);
    connect(ui_->SaveData, &QPushButton::clicked, this, &TRS232Form::SaveDataClick);
    connect(ui_->S2, &QAction::triggered, this, &TRS232Form::SaveDataClick);
    connect(instrType_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) {
            InstrTypeClick();
        }
    });
    connect(ui_->N1, &QAction::triggered, this, &TRS232Form::N1Click);
    connect(ui_->BitBtn1, &QPushButton::clicked, this, &QWidget::close);
    connect(ui_->N6, &QAction::triggered, this, &TRS232Form::N6Click);
    connect(ui_->N8, &QAction::triggered, this, &TRS232Form::N8Click);
}

// The received lines pass through the unsaved lines, which keep them in a journal, on their
// way to the pane.
void TRS232Form::SetUpJournal() {
    journal_ = std::make_unique<LineJournal>(seams_.journalFolder.value_or(
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)));
    journal_->SetInstrumentType(paneType_);
    journal_->onFailure = [this](const QString& fileName, const std::string& reason) {
        // Shown after the read step that met it: a box inside the step would hold the
        // receiver up until it is closed.
        const BoxMessage message = JournalFailedMessage(fileName, FromSystem(reason));
        QMetaObject::invokeMethod(
            this, [this, message] { Show(message); }, Qt::QueuedConnection);
    };
    unsaved_ = std::make_unique<UnsavedLines>(*ui_->Memo, *journal_);
    // The end of the session (log off, shut down) reaches the program as a quit that the
    // system asks of the application: see eventFilter.
    QCoreApplication::instance()->installEventFilter(this);
#if QT_CONFIG(sessionmanager)
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { journal_->SyncNow(); });
    connect(qApp, &QGuiApplication::saveStateRequest, this, [this] { journal_->SyncNow(); });
#endif
}

void TRS232Form::FormCreate() {
    SelectRow(ui_->BauteRate, 2);
    SelectRow(ui_->BitSize, 3);
    SelectRow(ui_->StopBit, 0);
    receiver_ = std::make_unique<ReadCom>(*unsaved_, static_cast<MessageSink&>(*this));

    MoveToRightEdge(menuBar(), ui_->H1->menuAction());
    // "&Close" and "端口控制(&C)" both claim Alt+C; the menu keeps it, since a key that
    // closes the window would lose the received lines. The button keeps its text.
    ui_->BitBtn1->setShortcut(QKeySequence());
}

void TRS232Form::closeEvent(QCloseEvent* event) {
    if (sessionEnding_) {
        // No question holds the system up; the next start offers the lines back.
        journal_->SyncNow();
    } else if (!closed_ && !MayLoseUnsavedLines(UnsavedLinesAction::kExit)) {
        // The Close button, "退出" and the window's close box all come here, receiving or not.
        event->ignore();
        return;
    }
    FormClose();
    QMainWindow::closeEvent(event);
}

// The program never asks the application to quit: a quit that reaches it while the window is
// open comes from the system (Windows' WM_ENDSESSION, the X session manager's end).
bool TRS232Form::eventFilter(QObject* watched, QEvent* event) {
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
        sessionEnding_ = true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TRS232Form::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        // Once the window is on screen, so that the question stands over it.
        QTimer::singleShot(0, this, &TRS232Form::OfferLinesLeftBehind);
    }
    // The lists scroll their selection into view only once they have a size.
    for (QListWidget* list : {ui_->BauteRate, ui_->BitSize, ui_->StopBit}) {
        if (QListWidgetItem* item = list->currentItem()) {
            list->scrollToItem(item, QAbstractItemView::PositionAtTop);
        }
    }
}

void TRS232Form::FormClose() {
    closed_ = true;
    receiver_->Terminate();
    ClosePort();
}

void TRS232Form::ClosePort() {
    receiver_->SetPortHandle(nullptr);
    if (port_) {
        port_->Close();
        port_.reset();
    }
}

void TRS232Form::OpenComClick() {
    ClosePort();
    const int choice = com_->checkedId() + 1;
    const QString portName = QStringLiteral("COM%1").arg(choice);
    // One look at the ports for the open and its report; a copy, since a box's event loop
    // may bring a newer one.
    const PortSnapshot ports = portSnapshots_->Fresh();
    const std::string device = DeviceToOpen(ports, choice);
    std::unique_ptr<SerialPort> port = CreatePlatformSerialPort();
    if (!port->Open(device)) {
        Show(WithPortsIfNotReached(
            OpenFailedMessage(portName, FromSystem(device), FromSystem(port->LastErrorText()),
                              port->LastErrorIsPermissionDenied()),
            ports, choice));
        return;
    }
    port_ = std::move(port);
    if (!port_->ReadSettings()) {
        // Open but unconfigured: kept, not handed to the receiver, closed by the next open.
        // A port is there when it also answers this (Wine opens COM names it has no device for).
        Show(WithPortsIfNotReached(PortFailureMessage(FromSystem(port_->LastErrorText())), ports,
                                   choice));
        return;
    }
    const LineSettings settings =
        LineSettingsFromControls(SelectedRow(ui_->BauteRate), SelectedRow(ui_->BitSize),
                                 SelectedRow(ui_->StopBit), ui_->Parity->isChecked());
    if (!port_->WriteSettings(settings)) {
        Show(PortFailureMessage(FromSystem(port_->LastErrorText())));
        ClosePort();
        ApplyColumn(CommandColumn::kSettingsNotWritten);
        return;
    }
    ApplyColumn(CommandColumn::kOpenSucceeded);
    receiver_->SetPortHandle(port_.get());
}

void TRS232Form::X1Click() {
    // Closing the port really closes it, so another program can use it; a later receive
    // from a still enabled N5 is refused with the no-port warning.
    ClosePort();
    ApplyColumn(CommandColumn::kPortClosed);
}

void TRS232Form::ReceiveDataClick() {
    if (!PortOpen()) {
        Show(NoPortMessage());
        return;
    }
    if (!MayLoseUnsavedLines(UnsavedLinesAction::kReceiveAgain)) {
        return;
    }
    // The receiver's partial line is kept: the instrument may be in the middle of a line.
    EmptyPane();
    receiver_->Resume();
    ApplyColumn(CommandColumn::kReceiveStarted);
}

void TRS232Form::StopClick() {
    receiver_->Pause();
    journal_->Sync();
    ApplyColumn(CommandColumn::kStopped);
}

void TRS232Form::ClearDataClick() {
    if (!MayLoseUnsavedLines(UnsavedLinesAction::kClear)) {
        return;
    }
    EmptyPane();
    // A crew that clears wants a clean start: a half line of an interrupted transfer glued to
    // the next transfer's first line would make a false reading.
    receiver_->DropPartialLine();
    ApplyColumn(CommandColumn::kCleared);
}

void TRS232Form::InstrTypeClick() {
    if (!MayLoseUnsavedLines(UnsavedLinesAction::kChangeType)) {
        // The lines stay with the type they came under; that is no change of type.
        SelectTypeQuietly(paneType_);
        return;
    }
    SetPaneType(instrType_->checkedId());
    // Lines of one instrument type must not be saved under another.
    EmptyPane();
}

void TRS232Form::SelectTypeQuietly(int type) {
    const QSignalBlocker quiet(instrType_);
    instrType_->button(type)->setChecked(true);
    SetPaneType(type);
}

// The type the pane's lines come under, and the journal's with them.
void TRS232Form::SetPaneType(int type) {
    paneType_ = type;
    journal_->SetInstrumentType(type);
}

void TRS232Form::EmptyPane() {
    ui_->Memo->Clear();
    unsaved_->Emptied();
}

bool TRS232Form::MayLoseUnsavedLines(UnsavedLinesAction action) {
    return unsaved_->MayGoAhead(action, seams_.askQuestion);
}

void TRS232Form::OfferLinesLeftBehind() {
    if (journal_->Folder().isEmpty()) {
        return;
    }
    for (LeftJournal& left : JournalsLeftBehind(journal_->Folder())) {
        // One run's lines at a time: the others are offered at the next start.
        if (ui_->Memo->HasLine()) {
            break;
        }
        if (Ask(RestoreLinesQuestion(left.lines))) {
            RestoreLines(std::move(left));
        } else {
            DiscardJournal(std::move(left));
        }
    }
}

// The lines in the pane again, unsaved, under the instrument type they came under.
void TRS232Form::RestoreLines(LeftJournal left) {
    if (instrType_->button(left.instrumentType) != nullptr) {
        SelectTypeQuietly(left.instrumentType);
    }
    std::size_t restored = 0;
    const bool read = ReadJournalLines(left, [this, &restored](std::span<const std::string> lines) {
        ui_->Memo->AppendLines(lines);
        restored += lines.size();
    });
    if (!read) {
        // The journal stays for the next start.
        ui_->Memo->Clear();
        return;
    }
    journal_->Adopt(std::move(left));
    unsaved_->Restored(restored);
    ApplyColumn(CommandColumn::kLinesRestored);
}

void TRS232Form::N1Click() {
    close();
}

void TRS232Form::SaveDataClick() {
    // A save of a million lines takes seconds: read steps and paints go on meanwhile, as under
    // a modal dialog, but the user's clicks and keys wait until the file is done.
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    const SaveOutcome outcome =
        saveFlow_->Run(ui_->Memo->StoredLines(), instrType_->checkedId(), [this, &sinceEvents] {
            if (sinceEvents.elapsed() >= kSaveSliceMs) {
                const QScopedValueRollback holdPortFailures(writingFile_, true);
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                sinceEvents.restart();
            }
        });
    // Lines that arrived while the file was written are not in it. A file without records
    // that were there to write holds none of the lines: they are still to be saved.
    if (outcome.report) {
        unsaved_->SaveEnded(*outcome.report);
    }
    if (heldPortFailure_) {
        Show(*std::exchange(heldPortFailure_, std::nullopt));
    }
    if (outcome.message) {
        Show(*outcome.message);
    }
}

void TRS232Form::N6Click() {
    if (help_ == nullptr) {
        help_ = new HelpWindow(this);
    }
    help_->ShowFile(FromSystem(HelpFilePath(ProgramPath())));
    help_->show();
    help_->raise();
    help_->activateWindow();
}

void TRS232Form::N8Click() {
    auto about = std::make_unique<TAbout>(this);
    about->setWindowTitle(QStringLiteral("Orvane电法数据处理解释系统..."));
    about->exec();
}

void TRS232Form::ShowPortFailure(const std::string& systemText) {
    const BoxMessage message = PortFailureMessage(FromSystem(systemText));
    if (writingFile_) {
        // A box now would hold the save behind it until the user answers, with nothing to say
        // a save is under way; clicks wait for the save anyway. The receiver has paused: no
        // second failure comes.
        heldPortFailure_ = message;
        return;
    }
    Show(message);
}

void TRS232Form::Show(const BoxMessage& message) {
    seams_.showMessage(message);
}

bool TRS232Form::Ask(const BoxMessage& question) {
    const OpenQuestion asked(question);
    return seams_.askQuestion(asked);
}

void TRS232Form::ApplyColumn(CommandColumn column) {
    const bool memoHasLine = ui_->Memo->HasLine();
    for (std::size_t i = 0; i < kCommandCount; ++i) {
        const auto command = static_cast<Command>(i);
        SetCommandEnabled(command, EnabledAfter(EnablingOf(command, column),
                                                CommandEnabled(command), memoHasLine));
    }
}

void TRS232Form::SetCommandEnabled(Command command, bool enabled) {
    const CommandControl& control = commands_[static_cast<std::size_t>(command)];
    control.button != nullptr ? control.button->setEnabled(enabled)
                              : control.item->setEnabled(enabled);
}

bool TRS232Form::CommandEnabled(Command command) const {
    const CommandControl& control = commands_[static_cast<std::size_t>(command)];
    return control.button != nullptr ? control.button->isEnabled() : control.item->isEnabled();
}

}  // namespace kvq
