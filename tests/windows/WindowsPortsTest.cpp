// Which ports the choices reach under Wine, on real lines: with-com-pair.sh --ports "5 12"
// plugs a cable into the prefix's COM5 and COM12 and leaves COM1 and COM2 without a device
// (Wine lists them; they open but cannot report their settings). The far end of each cable
// is a terminal opened as a file, not a port of the prefix.

#include <QAbstractButton>
#include <QtTest>

#include "EventLoop.h"
#include "FarEnd.h"
#include "Memo.h"
#include "WindowUnderTest.h"
#include "WindowsPorts.h"

namespace {

QStringList PresentNames() {
    QStringList names;
    for (const kvq::PresentPort& port : kvq::PresentComPorts()) {
        names << QString::fromStdString(port.name);
    }
    return names;
}

// Opens the choice through the window and receives one line sent at the far end of `port`.
bool ReceivesThrough(WindowUnderTest& window, const char* choice, const char* port) {
    window.Button(QString::fromLatin1(choice))->click();
    if (!window.Click("OpenCom") || !window->PortOpen() || !window.Click("ReceiveData")) {
        qWarning("%s did not open: %s", choice,
                 window.messages.empty() ? "" : qPrintable(window.messages.back().text));
        return false;
    }
    const std::string line = std::string(choice) + " through " + port;
    FarEnd instrument(qEnvironmentVariable((std::string("KVQ_FAR_") + port).c_str()).toStdString());
    if (!instrument.Send(line + "\n")) {
        qWarning("the far end of %s takes no bytes", port);
        return false;
    }
    const kvq::Memo& pane = window->TextPane();
    if (!RunEventsUntil([&] { return pane.LineCount() == 1; })) {
        qWarning("no line arrived through %s", port);
        return false;
    }
    return pane.LineText(0) == QString::fromStdString(line);
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
    QCOMPARE(PresentNames(), (QStringList{"COM5", "COM12"}));
    QCOMPARE(kvq::PresentComPorts().back().device, std::string("\\\\.\\COM12"));
    WindowUnderTest window;
    window.UseSystemPorts();
    // Wine has no friendly names for its ports.
    QCOMPARE(window.ToolTipOf("ComItem0"), QStringLiteral("COM1 → COM5"));
    QCOMPARE(window.ToolTipOf("ComItem1"), QStringLiteral("COM2 → COM12"));
    QVERIFY(ReceivesThrough(window, "ComItem1", "COM12"));
}

void WindowsPortsTest::com1WithOnlyCom5Present() {
    QVERIFY(FarEnd::Unplug("KVQ_UNPLUG_COM12"));
    QTRY_COMPARE_WITH_TIMEOUT(PresentNames(), QStringList{"COM5"}, kGuardMs);
    WindowUnderTest window;
    window.UseSystemPorts();
    QCOMPARE(window.ToolTipOf("ComItem0"), QStringLiteral("COM1 → COM5"));
    QCOMPARE(window.ToolTipOf("ComItem1"), QStringLiteral("COM2：本机没有可用的串口"));
    // Wine's COM2 opens and then fails; Windows' fails to open: either box lists the ports.
    const QString box = OpenFailure(window, "ComItem1");
    QVERIFY2(box.endsWith(QStringLiteral("\n本机的串口：COM5")), qPrintable(box));
    QVERIFY(ReceivesThrough(window, "ComItem0", "COM5"));
}

QTEST_MAIN(WindowsPortsTest)
#include "WindowsPortsTest.moc"
