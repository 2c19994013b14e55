// Which ports the choices reach under Wine, on real lines: with-com-pair.sh --ports "5 12"
// plugs a cable into the prefix's COM5 and COM12 and leaves COM1 and COM2 without a device
// (Wine lists them; they open but cannot report their settings). The far end of each cable
// is a terminal opened as a file, not a port of the prefix.

#include <QAbstractButton>
#include <QtTest>

// clang-format off
#include <windows.h>
#include <dbt.h>
// clang-format on

#include "EventLoop.h"
#include "FarEnd.h"
#include "WindowOnCable.h"
#include "WindowsPorts.h"

namespace {

QStringList PresentNames(const kvq::PortSnapshot& ports) {
    QStringList names;
    for (const kvq::PresentPort& port : ports.ports) {
        names << QString::fromStdString(port.name);
    }
    return names;
}

// The text of the box the choice's open shows.
QString OpenFailure(WindowUnderTest& window, const char* choice) {
    window.Button(QString::fromLatin1(choice))->click();
    window.messages.clear();
    window->OpenComClick();
    return window.messages.size() == 1 ? window.messages.front().text : QString();
}

}  // namespace

class WindowsPortsTest : public QObject {
    Q_OBJECT
private slots:
    void choicesReachPortsAboveCom2();
    void com1WithOnlyCom5Present();
};

void WindowsPortsTest::choicesReachPortsAboveCom2() {
    const kvq::PortSnapshot ports = kvq::SystemPortSnapshot();
    QCOMPARE(PresentNames(ports), (QStringList{"COM5", "COM12"}));
    QCOMPARE(ports.ports.back().device, std::string("\\\\.\\COM12"));
    WindowUnderTest window(WindowUnderTest::PortsFrom::kSystem);
    // Wine has no friendly names for its ports.
    QCOMPARE(window.ToolTipOf("ComItem0"), QStringLiteral("COM1 → COM5"));
    QCOMPARE(window.ToolTipOf("ComItem1"), QStringLiteral("COM2 → COM12"));
    QVERIFY(ReceivesThrough(window, "ComItem1", "COM12", "COM2 through COM12"));
}

// The window keeps what it saw until the system reports a change of devices; resting on a
// choice opens no port (under Wine looking at the ports opens them).
void WindowsPortsTest::com1WithOnlyCom5Present() {
    WindowUnderTest window(WindowUnderTest::PortsFrom::kSystem);
    QCOMPARE(window.ToolTipOf("ComItem1"), QStringLiteral("COM2 → COM12"));
    QVERIFY(FarEnd::Unplug("KVQ_UNPLUG_COM12"));
    QTRY_COMPARE_WITH_TIMEOUT(PresentNames(kvq::SystemPortSnapshot()), QStringList{"COM5"},
                              kGuardMs);
    const int looks = window.snapshotsTaken;
    QCOMPARE(window.ToolTipOf("ComItem1"), QStringLiteral("COM2 → COM12"));
    QCOMPARE(window.snapshotsTaken, looks);
    // A change of devices, posted to the thread: Windows broadcasts it to top-level windows,
    // and on the offscreen platform the main window has no window of Windows'.
    QVERIFY(PostThreadMessageW(GetCurrentThreadId(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0));
    QVERIFY(RunEventsUntil([&] { return window.snapshotsTaken > looks; }));
    QCOMPARE(window.ToolTipOf("ComItem1"),
             QStringLiteral("COM2：没有对应的串口\nCOM5：选COM1时用它"));
    QCOMPARE(window.snapshotsTaken, looks + 1);
    // Wine's COM2 opens and then fails; Windows' fails to open: either box lists the ports.
    const QString box = OpenFailure(window, "ComItem1");
    QVERIFY2(box.endsWith(QStringLiteral("\n本机的串口：\nCOM5：选COM1时用它")), qPrintable(box));
    QVERIFY(ReceivesThrough(window, "ComItem0", "COM5", "COM1 through COM5"));
}

QTEST_MAIN(WindowsPortsTest)
#include "WindowsPortsTest.moc"
