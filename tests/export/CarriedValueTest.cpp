#include <QTest>

#include "CarriedValue.h"

class CarriedValueTest : public QObject {
    Q_OBJECT
private slots:
    void carried_data();
    void carried();
};

void CarriedValueTest::carried_data() {
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<int>("value");
    QTest::newRow("decimal") << QByteArray("12") << 12;
    QTest::newRow("negative") << QByteArray("-5") << -5;
    QTest::newRow("plus sign") << QByteArray("+7") << 7;
    QTest::newRow("leading zeros") << QByteArray("0000000000012") << 12;
    QTest::newRow("zero") << QByteArray("0") << 0;
    QTest::newRow("largest") << QByteArray("2147483647") << 2147483647;
    QTest::newRow("smallest") << QByteArray("-2147483648") << (-2147483647 - 1);
    QTest::newRow("one past largest is no integer") << QByteArray("2147483648") << 1;
    QTest::newRow("one past smallest is no integer") << QByteArray("-2147483649") << 1;
    QTest::newRow("letter x") << QByteArray("x") << 1;
    QTest::newRow("empty") << QByteArray("") << 1;
    QTest::newRow("decimal point") << QByteArray("3.0") << 1;
    QTest::newRow("trailing characters") << QByteArray("12a") << 1;
    QTest::newRow("sign alone") << QByteArray("-") << 1;
    QTest::newRow("dollar hex") << QByteArray("$1F") << 31;
    QTest::newRow("x hex") << QByteArray("x10") << 16;
    QTest::newRow("X hex") << QByteArray("Xff") << 255;
    QTest::newRow("0x hex") << QByteArray("0x7FFFFFFF") << 2147483647;
    QTest::newRow("0X hex") << QByteArray("0Xa") << 10;
    QTest::newRow("eight F digits are -1") << QByteArray("$FFFFFFFF") << -1;
    QTest::newRow("high bit pattern") << QByteArray("0x80000000") << (-2147483647 - 1);
    QTest::newRow("leading zeros are not significant") << QByteArray("$000000001") << 1;
    QTest::newRow("nine significant digits") << QByteArray("$100000000") << 1;
    QTest::newRow("prefix without digits") << QByteArray("0x") << 1;
    QTest::newRow("signed hex is no integer") << QByteArray("-$10") << 1;
    QTest::newRow("bad hex digit") << QByteArray("$1G") << 1;
    QTest::newRow("GBK text") << QByteArray("\xB2\xE2") << 1;
}

void CarriedValueTest::carried() {
    QFETCH(QByteArray, field);
    QFETCH(int, value);
    QCOMPARE(kvq::CarriedValueFromField(std::string_view(field.constData(), field.size())), value);
}

QTEST_APPLESS_MAIN(CarriedValueTest)
#include "CarriedValueTest.moc"
