// Which Windows port each choice reaches, worked out by hand from the rule: a choice reaches
// the port of its own name when the system has it, else the lowest-numbered port above COM2
// that the other choice does not already reach. Runs on Linux and under Wine.

#include <QtTest>

#include "PortChoice.h"

using kvq::PresentPort;

namespace {

// Ports as the system lists them: "COM4 COM7".
std::vector<PresentPort> Ports(const QString& names) {
    std::vector<PresentPort> ports;
    for (const QString& name : names.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        ports.push_back({name.toStdString(), "device of " + name.toStdString(), {}});
    }
    return ports;
}

// The name of the port a choice reaches, empty for nothing; "?" marks a port that is not
// the one listed (its device lost).
QString Reached(const std::vector<PresentPort>& present, const char* choice) {
    const std::optional<PresentPort> port = kvq::ReachedComPort(present, choice);
    return port ? QString::fromStdString(port->name) +
                      (port->device == "device of " + port->name ? "" : "?")
                : QString();
}

}  // namespace

class PortChoiceTest : public QObject {
    Q_OBJECT
private slots:
    void choicesReach_data();
    void choicesReach();
    void deviceNames_data();
    void deviceNames();
    void friendlyNames_data();
    void friendlyNames();
};

void PortChoiceTest::choicesReach_data() {
    QTest::addColumn<QString>("present");
    QTest::addColumn<QString>("com1");
    QTest::addColumn<QString>("com2");
    QTest::newRow("no port") << ""
                             << ""
                             << "";
    QTest::newRow("both built in") << "COM1 COM2"
                                   << "COM1"
                                   << "COM2";
    QTest::newRow("one adapter at COM4") << "COM4"
                                         << "COM4"
                                         << "";
    QTest::newRow("built-in COM1, adapter at COM3") << "COM1 COM3"
                                                    << "COM1"
                                                    << "COM3";
    QTest::newRow("two adapters, no built-in port") << "COM3 COM6"
                                                    << "COM3"
                                                    << "COM6";
    QTest::newRow("COM1 falls back beside a built-in COM2") << "COM2 COM7"
                                                            << "COM7"
                                                            << "COM2";
    QTest::newRow("COM2 is not above COM2") << "COM2"
                                            << ""
                                            << "COM2";
    QTest::newRow("adapters unused when both are built in") << "COM1 COM2 COM5"
                                                            << "COM1"
                                                            << "COM2";
    QTest::newRow("by number, not as text") << "COM10 COM9 COM12"
                                            << "COM9"
                                            << "COM10";
    QTest::newRow("the system's order does not count") << "COM8 COM3"
                                                       << "COM3"
                                                       << "COM8";
    QTest::newRow("a number listed twice is one port") << "COM4 COM4"
                                                       << "COM4"
                                                       << "";
    QTest::newRow("names that are not ports") << "LPT1 COM0 COMX CNCA0 COM5"
                                              << "COM5"
                                              << "";
}

void PortChoiceTest::choicesReach() {
    QFETCH(QString, present);
    QFETCH(QString, com1);
    QFETCH(QString, com2);
    const std::vector<PresentPort> ports = Ports(present);
    QCOMPARE(Reached(ports, "COM1"), com1);
    QCOMPARE(Reached(ports, "COM2"), com2);
    // Only the two choices of the window reach anything.
    QCOMPARE(Reached(ports, "COM3"), QString());
}

void PortChoiceTest::deviceNames_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("device");
    QTest::newRow("COM9, the last DOS name") << 9 << "COM9";
    QTest::newRow("COM10 needs the device prefix") << 10 << "\\\\.\\COM10";
    QTest::newRow("COM255") << 255 << "\\\\.\\COM255";
}

void PortChoiceTest::deviceNames() {
    QFETCH(int, number);
    QFETCH(QString, device);
    QCOMPARE(QString::fromStdString(kvq::ComDeviceName(number)), device);
}

void PortChoiceTest::friendlyNames_data() {
    QTest::addColumn<QString>("friendly");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("shown");
    QTest::newRow("adapter") << "USB-SERIAL CH340 (COM4)" << 4 << "USB-SERIAL CH340";
    QTest::newRow("two-digit port")
        << "Prolific USB-to-Serial Comm Port (COM12)" << 12 << "Prolific USB-to-Serial Comm Port";
    QTest::newRow("another port's number stays")
        << "Silicon Labs CP210x (COM5)" << 4 << "Silicon Labs CP210x (COM5)";
    QTest::newRow("COM1 is not the end of COM12") << "Adapter (COM12)" << 1 << "Adapter (COM12)";
}

void PortChoiceTest::friendlyNames() {
    QFETCH(QString, friendly);
    QFETCH(int, number);
    QFETCH(QString, shown);
    QCOMPARE(QString::fromStdString(kvq::FriendlyNameWithoutPort(friendly.toStdString(), number)),
             shown);
}

QTEST_APPLESS_MAIN(PortChoiceTest)
#include "PortChoiceTest.moc"
