#include <QtTest>

#include "DeviceFolder.h"
#include "DeviceMap.h"

namespace {

// A path of the folder by its entry's name: "ttyUSB0".
QString Entry(const DeviceFolder& folder, const std::string& path) {
    const std::string prefix = folder.Dev() + "/";
    return path.rfind(prefix, 0) == 0 ? QString::fromStdString(path.substr(prefix.size()))
                                      : QStringLiteral("?") + QString::fromStdString(path);
}

// The ports in their order, a link with its target: "COM1(ttyUSB3) ttyS0".
QString Listed(const DeviceFolder& folder, const kvq::PortSnapshot& ports) {
    QStringList names;
    for (const kvq::PresentPort& port : ports.ports) {
        QString name = Entry(folder, port.name);
        if (port.device != port.name) {
            name += QStringLiteral("?device");
        }
        if (!port.description.empty()) {
            name += QLatin1Char('(') + Entry(folder, port.description) + QLatin1Char(')');
        }
        names << name;
    }
    return names.join(QLatin1Char(' '));
}

// What a choice's tool tip names and its open takes: "ttyUSB0" when both are that port;
// "-ttyS0" when it reaches nothing and opening takes ttyS0.
QString Choice(const DeviceFolder& folder, const kvq::PortSnapshot& ports, int choice) {
    const QString opened = Entry(folder, kvq::DeviceToOpen(ports, choice));
    const kvq::PresentPort* reached = kvq::ReachedBy(ports, choice);
    if (reached == nullptr) {
        return QLatin1Char('-') + opened;
    }
    const QString shown = Entry(folder, reached->name);
    return shown == opened ? shown : QStringLiteral("tool tip %1, open %2").arg(shown, opened);
}

}  // namespace

class DeviceMapTest : public QObject {
    Q_OBJECT

private slots:
    void choicesReach_data();
    void choicesReach();
    void systemUsesDev();
};

// Entries of the fake device folder: a name, "name->target" for a link, "ttyS0=4" a ttyS
// node with its UART type (0: none; a node without a type has none either).
void DeviceMapTest::choicesReach_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("present");  // in their order
    QTest::addColumn<QString>("com1");     // see Choice()
    QTest::addColumn<QString>("com2");

    QTest::newRow("nothing there still names the UARTs") << QStringList{} << ""
                                                         << "-ttyS0"
                                                         << "-ttyS1";
    QTest::newRow("ttyS nodes without a UART do not count")
        << QStringList{"ttyS0=0", "ttyS1=0", "ttyS2", "ttyS3"} << ""
        << "-ttyS0"
        << "-ttyS1";
    QTest::newRow("a UART counts") << QStringList{"ttyS0=4", "ttyS1=0"} << "ttyS0"
                                   << "ttyS0"
                                   << "-ttyS1";
    QTest::newRow("COM link before adapter, ACM and UART")
        << QStringList{"COM1", "ttyUSB0", "ttyACM0", "ttyS0=4"} << "COM1 ttyUSB0 ttyACM0 ttyS0"
        << "COM1"
        << "-ttyS1";
    QTest::newRow("USB adapter before ACM and UART")
        << QStringList{"ttyUSB0", "ttyACM0", "ttyS0=4"} << "ttyUSB0 ttyACM0 ttyS0"
        << "ttyUSB0"
        << "-ttyS1";
    QTest::newRow("ACM before UART") << QStringList{"ttyACM0", "ttyS0=4"} << "ttyACM0 ttyS0"
                                     << "ttyACM0"
                                     << "-ttyS1";
    QTest::newRow("adapters before UARTs, each by number")
        << QStringList{"ttyS0=4", "ttyACM0", "ttyUSB10", "ttyUSB2"}
        << "ttyUSB2 ttyUSB10 ttyACM0 ttyS0"
        << "ttyACM0"
        << "-ttyS1";
    QTest::newRow("COM2 uses index 1, not 0")
        << QStringList{"ttyUSB0", "ttyACM1", "ttyS1=4"} << "ttyUSB0 ttyACM1 ttyS1"
        << "ttyUSB0"
        << "ttyACM1";
    QTest::newRow("COM link to an adapter stands for it")
        << QStringList{"COM2->ttyUSB5", "ttyUSB5"} << "COM2(ttyUSB5)"
        << "-ttyS0"
        << "COM2";
    QTest::newRow("link to a present adapter is taken")
        << QStringList{"COM1->ttyUSB3", "ttyUSB3", "ttyUSB0"} << "COM1(ttyUSB3) ttyUSB0"
        << "COM1"
        << "-ttyS1";
    // A udev rule's link to a ttyS node the kernel found no UART for: the tool tip and the
    // open both take the adapter (the open once took the link and failed).
    QTest::newRow("udev link to a ttyS node without a UART is passed over")
        << QStringList{"COM1->ttyS0", "ttyS0=0", "ttyUSB0"} << "ttyUSB0"
        << "ttyUSB0"
        << "-ttyS1";
    QTest::newRow("COM link to an unplugged adapter") << QStringList{"COM1->ttyUSB7"} << ""
                                                      << "-ttyS0"
                                                      << "-ttyS1";
    QTest::newRow("link to a pseudo-terminal, COM2 absent")
        << QStringList{"COM1->pts3", "pts3", "ttyS0=4"} << "COM1(pts3) ttyS0"
        << "COM1"
        << "-ttyS1";
    QTest::newRow("COM2 falls back to its UART")
        << QStringList{"ttyS1=4", "ttyUSB0"} << "ttyUSB0 ttyS1"
        << "ttyUSB0"
        << "ttyS1";
    QTest::newRow("other names are not ports")
        << QStringList{"ttyS", "ttySAC0", "ttyUSB", "ttyUSBx1", "tty0", "ttyprintk", "COM3"} << ""
        << "-ttyS0"
        << "-ttyS1";
}

// On every row the device a choice's tool tip names is the device its open takes.
void DeviceMapTest::choicesReach() {
    QFETCH(QStringList, entries);
    QFETCH(QString, present);
    QFETCH(QString, com1);
    QFETCH(QString, com2);
    const DeviceFolder folder(entries);
    QVERIFY(folder.IsValid());
    const kvq::PortSnapshot ports = kvq::PortSnapshotUnder(folder.Dev(), folder.Sys());
    QCOMPARE(Listed(folder, ports), present);
    QCOMPARE(Choice(folder, ports, 1), com1);
    QCOMPARE(Choice(folder, ports, 2), com2);
}

void DeviceMapTest::systemUsesDev() {
    const kvq::PortSource system = kvq::SystemPortSource();
    QVERIFY(!system.keptUntilChange);
    const std::string device = kvq::DeviceToOpen(system.take(), 1);
    QVERIFY2(device == "/dev/COM1" || device == "/dev/ttyUSB0" || device == "/dev/ttyACM0" ||
                 device == "/dev/ttyS0",
             device.c_str());
}

QTEST_APPLESS_MAIN(DeviceMapTest)
#include "DeviceMapTest.moc"
