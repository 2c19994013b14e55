#include <QtTest>

#include "LineSettings.h"

using kvq::LineSettings;
using kvq::StopBits;

Q_DECLARE_METATYPE(kvq::StopBits)

class LineSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void mapsControls_data();
    void mapsControls();
};

void LineSettingsTest::mapsControls_data() {
    QTest::addColumn<int>("baudIndex");
    QTest::addColumn<int>("bitSizeIndex");
    QTest::addColumn<int>("stopBitIndex");
    QTest::addColumn<bool>("parity");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<StopBits>("stopBits");

    QTest::newRow("defaults of the window") << 2 << 3 << 0 << false << 4800 << 8 << StopBits::kOne;
    QTest::newRow("first items") << 0 << 0 << 0 << false << 14400 << 5 << StopBits::kOne;
    QTest::newRow("second items") << 1 << 1 << 1 << false << 9600 << 6 << StopBits::kOneAndHalf;
    QTest::newRow("third items") << 2 << 2 << 2 << false << 4800 << 7 << StopBits::kTwo;
    QTest::newRow("baud 2400") << 3 << 3 << 0 << false << 2400 << 8 << StopBits::kOne;
    QTest::newRow("last items") << 4 << 3 << 2 << true << 1200 << 8 << StopBits::kTwo;
    QTest::newRow("no selection anywhere")
        << -1 << -1 << -1 << false << 4800 << 8 << StopBits::kOne;
    QTest::newRow("index one past each list")
        << 5 << 4 << 3 << false << 4800 << 8 << StopBits::kOne;
    QTest::newRow("far out of range") << 1000 << 99 << -7 << true << 4800 << 8 << StopBits::kOne;
    QTest::newRow("1.5 stop bits passed on with 8 data bits")
        << 1 << 3 << 1 << false << 9600 << 8 << StopBits::kOneAndHalf;
}

void LineSettingsTest::mapsControls() {
    QFETCH(int, baudIndex);
    QFETCH(int, bitSizeIndex);
    QFETCH(int, stopBitIndex);
    QFETCH(bool, parity);
    QFETCH(int, baud);
    QFETCH(int, dataBits);
    QFETCH(StopBits, stopBits);

    const LineSettings expected{baud, dataBits, stopBits, parity};
    QVERIFY(kvq::LineSettingsFromControls(baudIndex, bitSizeIndex, stopBitIndex, parity) ==
            expected);
}

QTEST_APPLESS_MAIN(LineSettingsTest)
#include "LineSettingsTest.moc"
