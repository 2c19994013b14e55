// The port commands on a real pseudo-terminal: opening, each failure with its message and
// its effect on the port, closing, and the settings the line ends up with.

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <fstream>

#include <sys/stat.h>

#include "DeviceFolder.h"
#include "Memo.h"
#include "PermissionBitsBind.h"
#include "SerialPort.h"
#include "Texts.h"
#include "WindowOnLine.h"

using kvq::BoxMessage;
using kvq::Command;

namespace {

// Whether another program could take the device now: the program holds it exclusively.
bool DeviceIsFree(const std::string& device) {
    const std::unique_ptr<kvq::SerialPort> other = kvq::CreatePlatformSerialPort();
    return other->Open(device);
}

const QString kPortFailed = QStringLiteral("COM口操作失败");

// Runs `action` and closes each message box it opens; the parents of those boxes.
QList<QWidget*> ParentsOfBoxes(const std::function<void()>& action) {
    QList<QWidget*> parents;
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&parents] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            parents << box->parentWidget();
            box->done(QMessageBox::Ok);
        }
    });
    closer.start();
    action();
    return parents;
}

}  // namespace

class PortCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void openFailure_data();
    void openFailure();
    void failureBoxStandsOverTheWindow();
    void choicesSayWhatTheyReach_data();
    void choicesSayWhatTheyReach();
    void toolTipsReadTheLatestSnapshot_data();
    void toolTipsReadTheLatestSnapshot();
    void openRefusedForLackOfPermission();
    void openAgainClosesThePortFirst();
    void settingsCannotBeRead();
    void settingsRefused();
    void settingsReachTheLine_data();
    void settingsReachTheLine();
    void receiveWithoutPort();
    void receiverFailureIsReportedByTheWindow();
    void closePortReleasesTheDevice();
    void closingTheWindowReleasesTheDevice();
};

void PortCommandsTest::openFailure_data() {
    QTest::addColumn<QString>("radio");
    QTest::addColumn<QString>("portName");
    QTest::newRow("COM1 absent") << "ComItem0"
                                 << "COM1";
    QTest::newRow("COM2 absent") << "ComItem1"
                                 << "COM2";
}

void PortCommandsTest::openFailure() {
    QFETCH(QString, radio);
    QFETCH(QString, portName);
    WindowUnderTest window;
    window.Button(radio)->click();
    const std::vector<bool> before = window.CommandStates();
    window->OpenComClick();

    QCOMPARE(window.messages.size(), std::size_t{1});
    const BoxMessage& message = window.messages.front();
    QCOMPARE(message.caption, QStringLiteral("COM错误"));
    QCOMPARE(message.text, QStringLiteral("打开") + portName +
                               QStringLiteral("通信端口错误!\n请利用其它通信端口。\n") +
                               QStringLiteral("/nonexistent/") + portName + QStringLiteral(": ") +
                               SystemText(ENOENT) + QStringLiteral("\n本机没有找到串口。"));
    QCOMPARE(message.icon, QMessageBox::NoIcon);
    QVERIFY(!window->PortOpen());
    QVERIFY(window->Receiver().PortHandle() == nullptr);
    QCOMPARE(window.CommandStates(), before);
}

// The real box, as the window shows it (the same for each box of the window): the window is
// its parent, so the window manager places it over the window.
void PortCommandsTest::failureBoxStandsOverTheWindow() {
    kvq::WindowSeams seams;
    seams.ports.take = [] {
        kvq::PortSnapshot nothing;
        nothing.ownDevice = {"/nonexistent/COM1", "/nonexistent/COM2"};
        return nothing;
    };
    kvq::TRS232Form window(seams);
    QCOMPARE(ParentsOfBoxes([&] { window.OpenComClick(); }), QList<QWidget*>{&window});
}

// The tool tips and the failure box of a fake device folder, looked up as the program does
// under /dev and /sys. DEV stands for the folder.
void PortCommandsTest::choicesSayWhatTheyReach_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("com1");
    QTest::addColumn<QString>("com2");
    QTest::addColumn<QString>("radio");  // the choice then opened
    QTest::addColumn<QString>("box");
    const QString notTty = SystemText(ENOTTY) + QLatin1Char('\n') + kPortFailed;
    const QString com1Absent = "打开COM1通信端口错误!\n请利用其它通信端口。\nDEV/ttyS0: ";
    const QString com2Absent = "打开COM2通信端口错误!\n请利用其它通信端口。\nDEV/ttyS1: ";
    QTest::newRow("nothing there")
        << QStringList{} << "COM1：本机没有可用的串口"
        << "COM2：本机没有可用的串口"
        << "ComItem1" << com2Absent + SystemText(ENOENT) + "\n本机没有找到串口。";
    const QString adapterForCom2 = "DEV/ttyUSB1：选COM2时用它\nDEV/ttyS2：COM1、COM2 都没有用它";
    QTest::newRow("COM1 absent, an adapter for COM2")
        << QStringList{"ttyS2=4", "ttyUSB1"} << "COM1：没有对应的串口\n" + adapterForCom2
        << "COM2 → DEV/ttyUSB1"
        << "ComItem0" << com1Absent + SystemText(ENOENT) + "\n本机的串口：\n" + adapterForCom2;
    // The ttyS1 node opens but has no UART behind it: that box lists the ports too.
    QTest::newRow("ttyS nodes without a UART")
        << QStringList{"ttyUSB0", "ttyS0=0", "ttyS1=0"} << "COM1 → DEV/ttyUSB0"
        << "COM2：没有对应的串口\nDEV/ttyUSB0：选COM1时用它"
        << "ComItem1" << notTty + "\n本机的串口：\nDEV/ttyUSB0：选COM1时用它";
    // Every port there is listed, with which choice uses it: the link stands for its target.
    const QString linkAndUart =
        "DEV/COM1 (DEV/pts3)：选COM1时用它\nDEV/ttyS0：COM1、COM2 都没有用它";
    QTest::newRow("COM1 a link to a pseudo-terminal, COM2 absent, a UART")
        << QStringList{"COM1->pts3", "pts3", "ttyS0=4"} << "COM1 → DEV/COM1 (DEV/pts3)"
        << "COM2：没有对应的串口\n" + linkAndUart << "ComItem1"
        << com2Absent + SystemText(ENOENT) + "\n本机的串口：\n" + linkAndUart;
    QTest::newRow("a port that is there lists nothing")
        << QStringList{"ttyUSB0", "ttyS1=4"} << "COM1 → DEV/ttyUSB0"
        << "COM2 → DEV/ttyS1"
        << "ComItem0" << notTty;
}

void PortCommandsTest::choicesSayWhatTheyReach() {
    QFETCH(QStringList, entries);
    QFETCH(QString, com1);
    QFETCH(QString, com2);
    QFETCH(QString, radio);
    QFETCH(QString, box);
    const DeviceFolder folder(entries);
    QVERIFY(folder.IsValid());
    const QString dev = QString::fromStdString(folder.Dev());
    WindowUnderTest window;
    window.UseDeviceFolder(folder.Dev(), folder.Sys());
    QCOMPARE(window.ToolTipOf(QStringLiteral("ComItem0")), com1.replace("DEV", dev));
    QCOMPARE(window.ToolTipOf(QStringLiteral("ComItem1")), com2.replace("DEV", dev));
    window.Button(radio)->click();
    window->OpenComClick();
    QCOMPARE(window.messages.size(), std::size_t{1});
    QCOMPARE(window.messages.front().text, box.replace("DEV", dev));
}

// Resting on a choice reads the window's latest look at the ports. Where looking is costly
// (Windows) no tool tip looks: the window looked at start and looks again when the system
// reports a change, or for an open; on Linux every tool tip looks. An open looks once, for
// its device and for its report.
void PortCommandsTest::toolTipsReadTheLatestSnapshot_data() {
    QTest::addColumn<bool>("kept");
    QTest::addColumn<int>("looksByToolTips");
    QTest::addColumn<QString>("afterPlugging");
    QTest::newRow("looked up at every look") << false << 2 << "COM1 → DEV/ttyUSB0";
    QTest::newRow("kept until a change") << true << 0 << "COM1：本机没有可用的串口";
}

void PortCommandsTest::toolTipsReadTheLatestSnapshot() {
    QFETCH(bool, kept);
    QFETCH(int, looksByToolTips);
    QFETCH(QString, afterPlugging);
    const DeviceFolder folder({});
    QVERIFY(folder.IsValid());
    const QString dev = QString::fromStdString(folder.Dev());
    WindowUnderTest window(kept ? WindowUnderTest::PortsFrom::kDevicesKept
                                : WindowUnderTest::PortsFrom::kDevices);
    window.UseDeviceFolder(folder.Dev(), folder.Sys());
    const int atStart = window.snapshotsTaken;
    QCOMPARE(window.ToolTipOf(QStringLiteral("ComItem0")),
             QStringLiteral("COM1：本机没有可用的串口"));
    QVERIFY(std::ofstream(folder.Path(QStringLiteral("ttyUSB0"))));
    QCOMPARE(window.ToolTipOf(QStringLiteral("ComItem0")), afterPlugging.replace("DEV", dev));
    QCOMPARE(window.snapshotsTaken - atStart, looksByToolTips);

    window.Button(QStringLiteral("ComItem1"))->click();
    window->OpenComClick();
    QCOMPARE(window.snapshotsTaken - atStart, looksByToolTips + 1);
    QCOMPARE(window.messages.size(), std::size_t{1});
    QVERIFY2(
        window.messages.front().text.endsWith("\n本机的串口：\n" + dev + "/ttyUSB0：选COM1时用它"),
        qPrintable(window.messages.front().text));
    QCOMPARE(window.ToolTipOf(QStringLiteral("ComItem0")),
             QStringLiteral("COM1 → ") + dev + "/ttyUSB0");
}

// A real refusal by the system: the line's device with no permission bits, opened by a user
// they bind (a test run as root gives up its override for the open).
void PortCommandsTest::openRefusedForLackOfPermission() {
    PtyLine line;
    QCOMPARE(::chmod(line.DevicePath().c_str(), 0), 0);
    WindowUnderTest window;
    window.devices["COM1"] = line.DevicePath();
    {
        const PermissionBitsBind bind;
        QVERIFY(bind.Binds());
        window->OpenComClick();
    }
    QCOMPARE(window.messages.size(), std::size_t{1});
    const BoxMessage& message = window.messages.front();
    QCOMPARE(message.caption, QStringLiteral("COM错误"));
    QCOMPARE(message.text, QStringLiteral("打开COM1通信端口错误!\n请利用其它通信端口。\n") +
                               QString::fromStdString(line.DevicePath()) + QStringLiteral(": ") +
                               SystemText(EACCES) +
                               QStringLiteral("\n请把用户加入 dialout 组（sudo usermod -aG dialout "
                                              "用户名），然后重新登录。"));
    QCOMPARE(message.icon, QMessageBox::NoIcon);
    QVERIFY(!window->PortOpen());
}

// The port held by the first open is let go before the second: otherwise the second open
// of the same device would find it taken.
void PortCommandsTest::openAgainClosesThePortFirst() {
    WindowOnLine session;
    session.window->OpenComClick();
    QVERIFY(session.window->PortOpen());
    QVERIFY(!DeviceIsFree(session.line.DevicePath()));
    session.window->OpenComClick();
    QVERIFY(session.window.messages.empty());
    QVERIFY(session.window->PortOpen());
    QVERIFY(session.window->Receiver().PortHandle() != nullptr);

    session.window.devices.erase("COM1");
    session.window->OpenComClick();
    QCOMPARE(session.window.messages.size(), std::size_t{1});
    QVERIFY(!session.window->PortOpen());
    QVERIFY(session.window->Receiver().PortHandle() == nullptr);
    QVERIFY(DeviceIsFree(session.line.DevicePath()));
}

// A device that is not a serial line opens but has no settings to read.
void PortCommandsTest::settingsCannotBeRead() {
    WindowUnderTest window;
    window.devices["COM1"] = "/dev/null";
    window->OpenComClick();
    QCOMPARE(window.messages.size(), std::size_t{1});
    const BoxMessage& message = window.messages.front();
    QCOMPARE(message.caption, QStringLiteral("COM错误"));
    QCOMPARE(message.text, SystemText(ENOTTY) + QLatin1Char('\n') + kPortFailed);
    QCOMPARE(message.icon, QMessageBox::Information);
    // Open but not handed to the receiver; a receive from the still enabled menu reads nothing.
    QVERIFY(window->PortOpen());
    QVERIFY(window->Receiver().PortHandle() == nullptr);
    window->ReceiveDataClick();
    QCOMPARE(window.messages.size(), std::size_t{1});
    QVERIFY(window->Receiver().IsRunning());
}

// One and a half stop bits exist only with five data bits; the port refuses them with eight.
void PortCommandsTest::settingsRefused() {
    WindowOnLine session;
    session.window.SetEnabled(Command::kReceiveItem, true);
    session.window.SetEnabled(Command::kReceiveDataButton, true);
    session.window.List("StopBit")->setCurrentRow(1);
    session.window->OpenComClick();

    QCOMPARE(session.window.messages.size(), std::size_t{1});
    const BoxMessage& message = session.window.messages.front();
    QCOMPARE(message.caption, QStringLiteral("COM错误"));
    QCOMPARE(message.text, SystemText(EINVAL) + QLatin1Char('\n') + kPortFailed);
    QCOMPARE(message.icon, QMessageBox::Information);
    QVERIFY(!session.window->PortOpen());
    QVERIFY(session.window->Receiver().PortHandle() == nullptr);
    QVERIFY(!session.window.Enabled(Command::kReceiveDataButton));
    QVERIFY(session.window.Enabled(Command::kReceiveItem));
    QVERIFY(DeviceIsFree(session.line.DevicePath()));

    session.window.List("StopBit")->setCurrentRow(0);
    session.window->OpenComClick();
    QCOMPARE(session.window.messages.size(), std::size_t{1});
    QVERIFY(session.window->PortOpen());
    QVERIFY(session.window.Enabled(Command::kReceiveDataButton));
}

void PortCommandsTest::settingsReachTheLine_data() {
    QTest::addColumn<int>("baudRow");
    QTest::addColumn<int>("bitsRow");
    QTest::addColumn<int>("stopRow");
    QTest::addColumn<bool>("parity");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<unsigned>("baudRate");
    QTest::addColumn<bool>("twoStopBits");
    QTest::newRow("defaults 4800 8N1") << 2 << 3 << 0 << false << true << 4800u << false;
    QTest::newRow("14400 is not a standard rate")
        << 0 << 3 << 0 << false << true << 14400u << false;
    QTest::newRow("9600 two stop bits") << 1 << 3 << 2 << false << true << 9600u << true;
    QTest::newRow("1200") << 4 << 3 << 0 << false << true << 1200u << false;
    // A pseudo-terminal keeps eight data bits and no parity whatever it is told; the port
    // notices and refuses, which shows the choice reached it.
    QTest::newRow("7 data bits refused by a pseudo-terminal")
        << 2 << 2 << 0 << false << false << 0u << false;
    QTest::newRow("odd parity refused by a pseudo-terminal")
        << 2 << 3 << 0 << true << false << 0u << false;
}

void PortCommandsTest::settingsReachTheLine() {
    QFETCH(int, baudRow);
    QFETCH(int, bitsRow);
    QFETCH(int, stopRow);
    QFETCH(bool, parity);
    QFETCH(bool, taken);
    QFETCH(unsigned, baudRate);
    QFETCH(bool, twoStopBits);
    WindowOnLine session;
    session.window.List("BauteRate")->setCurrentRow(baudRow);
    session.window.List("BitSize")->setCurrentRow(bitsRow);
    session.window.List("StopBit")->setCurrentRow(stopRow);
    session.window.Button("Parity")->setChecked(parity);
    session.window->OpenComClick();
    QCOMPARE(session.window->PortOpen(), taken);
    QCOMPARE(session.window.messages.empty(), taken);
    if (taken) {
        const PtyLine::Framing framing = session.line.CurrentFraming();
        QCOMPARE(framing.baudRate, baudRate);
        QCOMPARE(framing.dataBits, 8);
        QCOMPARE(framing.twoStopBits, twoStopBits);
        QVERIFY(!framing.parity);
    }
}

void PortCommandsTest::receiveWithoutPort() {
    WindowUnderTest window;
    window.PutLines({"kept"});
    window->ReceiveDataClick();
    QCOMPARE(window.messages.size(), std::size_t{1});
    QCOMPARE(
        window.messages.front(),
        (BoxMessage{QStringLiteral("警告"), QStringLiteral("没有打开相应的端口，接受数据失败。"),
                    QMessageBox::Warning}));
    QCOMPARE(window->TextPane().LineCount(), std::size_t{1});
    QVERIFY(!window->Receiver().IsRunning());
}

// The instrument is unplugged while receiving: the window reports it and the receiver
// pauses, keeping what it had.
void PortCommandsTest::receiverFailureIsReportedByTheWindow() {
    WindowOnLine session;
    session.window->OpenComClick();
    session.window->ReceiveDataClick();
    QVERIFY(session.line.Send("1 2 3 4\n5 6"));
    QVERIFY(RunEventsUntil([&] { return session.window->TextPane().LineCount() == 1; }));
    const std::vector<bool> receiving = session.window.CommandStates();
    session.line.HangUp();
    QVERIFY(RunEventsUntil([&] { return !session.window.messages.empty(); }));
    const BoxMessage& message = session.window.messages.front();
    QCOMPARE(message.caption, QStringLiteral("COM错误"));
    QVERIFY2(message.text.endsWith(QLatin1Char('\n') + kPortFailed), qPrintable(message.text));
    QCOMPARE(message.icon, QMessageBox::Information);
    QVERIFY(!session.window->Receiver().IsRunning());
    QCOMPARE(session.window.CommandStates(), receiving);
    QCOMPARE(session.window->TextPane().LineCount(), std::size_t{1});
}

void PortCommandsTest::closePortReleasesTheDevice() {
    WindowOnLine session;
    session.window->OpenComClick();
    session.window->X1Click();
    QVERIFY(!session.window->PortOpen());
    QVERIFY(session.window->Receiver().PortHandle() == nullptr);
    QVERIFY(DeviceIsFree(session.line.DevicePath()));
    session.window->ReceiveDataClick();
    QCOMPARE(session.window.messages.size(), std::size_t{1});
    QCOMPARE(session.window.messages.front().caption, QStringLiteral("警告"));
}

void PortCommandsTest::closingTheWindowReleasesTheDevice() {
    WindowOnLine session;
    session.window->show();
    session.window->OpenComClick();
    session.window->ReceiveDataClick();
    QVERIFY(session.window->Receiver().IsRunning());
    QVERIFY(session.window->close());
    QVERIFY(session.window->Receiver().IsTerminated());
    QVERIFY(!session.window->PortOpen());
    QVERIFY(DeviceIsFree(session.line.DevicePath()));
}

QTEST_MAIN(PortCommandsTest)
#include "PortCommandsTest.moc"
