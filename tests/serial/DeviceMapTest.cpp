#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "DeviceMap.h"

namespace fs = std::filesystem;

class DeviceMapTest : public QObject {
    Q_OBJECT

private slots:
    void mapsPortNames_data();
    void mapsPortNames();
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

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const fs::path root = dir.path().toStdString();
    for (const QString& entry : entries) {
        const QStringList parts = entry.split("->");
        if (parts.size() == 2) {
            fs::create_symlink(parts[1].toStdString(), root / parts[0].toStdString());
        } else {
            std::ofstream(root / entry.toStdString());
        }
    }
    QCOMPARE(kvq::DeviceForPortUnder(root.string(), port.toStdString()),
             (root / expected.toStdString()).string());
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
