#include <QtTest>

#include "DeviceFolder.h"
#include "DeviceMap.h"

namespace {

// The ports' names relative to the folder, in their order: "ttyUSB0 ttyS0".
QString Names(const DeviceFolder& folder, const std::vector<kvq::PresentPort>& ports) {
    QStringList names;
    for (const kvq::PresentPort& port : ports) {
        const bool inFolder = port.name.rfind(folder.Dev() + "/", 0) == 0 &&
                              port.device == port.name && port.description.empty();
        names << (inFolder ? QString::fromStdString(port.name.substr(folder.Dev().size() + 1))
                           : QStringLiteral("?") + QString::fromStdString(port.name));
    }
    return names.join(QLatin1Char(' '));
}

QString Reached(const DeviceFolder& folder, const char* choice) {
    const std::optional<kvq::PresentPort> port =
        kvq::ReachedPortUnder(folder.Dev(), folder.Sys(), choice);
    return port ? Names(folder, {*port}) : QString();
}

}  // namespace

class DeviceMapTest : public QObject {
    Q_OBJECT

private slots:
    void mapsPortNames_data();
    void mapsPortNames();
    void presentPorts_data();
    void presentPorts();
    void defaultUsesDev();
};

void DeviceMapTest::mapsPortNames_data() {
    // Entries of the fake device folder: a name, or "name->target" for a link.
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("expected");

    const QStringList all = {"COM1", "ttyUSB0", "ttyACM0", "ttyS0"};
    QTest::newRow("COM link wins") << all << "COM1"
                                   << "COM1";
    QTest::newRow("USB adapter before ACM and UART")
        << QStringList{"ttyUSB0", "ttyACM0", "ttyS0"} << "COM1"
        << "ttyUSB0";
    QTest::newRow("ACM before UART") << QStringList{"ttyACM0", "ttyS0"} << "COM1"
                                     << "ttyACM0";
    QTest::newRow("UART last") << QStringList{"ttyS0"} << "COM1"
                               << "ttyS0";
    QTest::newRow("nothing there still names the UART") << QStringList{} << "COM1"
                                                        << "ttyS0";
    QTest::newRow("COM2 uses index 1, not 0")
        << QStringList{"ttyUSB0", "ttyACM1", "ttyS1"} << "COM2"
        << "ttyACM1";
    QTest::newRow("COM2 is not COM1's link") << all << "COM2"
                                             << "ttyS1";
    QTest::newRow("link to an unplugged adapter is skipped")
        << QStringList{"COM1->ttyUSB7", "ttyUSB0"} << "COM1"
        << "ttyUSB0";
    QTest::newRow("link to a present adapter is taken")
        << QStringList{"COM1->ttyUSB3", "ttyUSB3", "ttyUSB0"} << "COM1"
        << "COM1";
    QTest::newRow("two-digit port number") << QStringList{"ttyUSB9"} << "COM10"
                                           << "ttyUSB9";
}

void DeviceMapTest::mapsPortNames() {
    QFETCH(QStringList, entries);
    QFETCH(QString, port);
    QFETCH(QString, expected);

    const DeviceFolder folder(entries);
    QVERIFY(folder.IsValid());
    QCOMPARE(kvq::DeviceForPortUnder(folder.Dev(), port.toStdString()), folder.Path(expected));
}

void DeviceMapTest::presentPorts_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("present");  // in their order
    QTest::addColumn<QString>("com1");     // what the choice reaches; empty: nothing
    QTest::addColumn<QString>("com2");

    QTest::newRow("nothing there") << QStringList{} << ""
                                   << ""
                                   << "";
    QTest::newRow("ttyS nodes without a UART do not count")
        << QStringList{"ttyS0=0", "ttyS1=0", "ttyS2", "ttyS3"} << ""
        << ""
        << "";
    QTest::newRow("a UART counts") << QStringList{"ttyS0=4", "ttyS1=0"} << "ttyS0"
                                   << "ttyS0"
                                   << "";
    QTest::newRow("adapters before UARTs, each by number")
        << QStringList{"ttyS0=4", "ttyACM0", "ttyUSB10", "ttyUSB2"}
        << "ttyUSB2 ttyUSB10 ttyACM0 ttyS0"
        << "ttyACM0"
        << "";
    QTest::newRow("COM link to an adapter") << QStringList{"COM2->ttyUSB5", "ttyUSB5"} << "ttyUSB5"
                                            << ""
                                            << "COM2";
    QTest::newRow("COM link to a ttyS node without a UART is passed over")
        << QStringList{"COM1->ttyS0", "ttyS0=0", "ttyUSB0"} << "ttyUSB0"
        << "ttyUSB0"
        << "";
    QTest::newRow("COM link to an unplugged adapter") << QStringList{"COM1->ttyUSB7"} << ""
                                                      << ""
                                                      << "";
    QTest::newRow("COM2 falls back to its UART")
        << QStringList{"ttyS1=4", "ttyUSB0"} << "ttyUSB0 ttyS1"
        << "ttyUSB0"
        << "ttyS1";
    QTest::newRow("other names are not ports")
        << QStringList{"ttyS", "ttySAC0", "ttyUSB", "ttyUSBx1", "tty0", "ttyprintk", "COM1"} << ""
        << "COM1"
        << "";
}

void DeviceMapTest::presentPorts() {
    QFETCH(QStringList, entries);
    QFETCH(QString, present);
    QFETCH(QString, com1);
    QFETCH(QString, com2);
    const DeviceFolder folder(entries);
    QVERIFY(folder.IsValid());
    QCOMPARE(Names(folder, kvq::PresentPortsUnder(folder.Dev(), folder.Sys())), present);
    QCOMPARE(Reached(folder, "COM1"), com1);
    QCOMPARE(Reached(folder, "COM2"), com2);
}

void DeviceMapTest::defaultUsesDev() {
    const std::string device = kvq::DefaultDeviceForPort("COM1");
    QVERIFY2(device.rfind("/dev/", 0) == 0, device.c_str());
    QVERIFY(device == "/dev/COM1" || device == "/dev/ttyUSB0" || device == "/dev/ttyACM0" ||
            device == "/dev/ttyS0");
    QCOMPARE(kvq::DefaultDeviceForPort("LPT1"), std::string("LPT1"));
    QCOMPARE(kvq::DefaultDeviceForPort("COM0"), std::string("COM0"));
    QCOMPARE(kvq::DefaultDeviceForPort("COM1x"), std::string("COM1x"));
}

QTEST_APPLESS_MAIN(DeviceMapTest)
#include "DeviceMapTest.moc"
