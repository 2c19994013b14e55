// How a stored line shows: decoded from GBK, control bytes as their pictures, and which
// characters stand for raw bytes drawn as framed codes.

#include <QTest>
#include <string>

#include "GbkText.h"

Q_DECLARE_METATYPE(std::string)

class GbkTextTest : public QObject {
    Q_OBJECT
private slots:
    void showsGbk_data();
    void showsGbk();
};

void GbkTextTest::showsGbk_data() {
    QTest::addColumn<std::string>("line");
    QTest::addColumn<QString>("shown");  // null: what the system's code page makes of it
    QTest::addColumn<QString>("codes");  // column:hexadecimal code of the raw bytes drawn
    QTest::newRow("GBK text") << std::string("\xb2\xe2\xca\xd4 12.5") << QString("测试 12.5") << "";
    QTest::newRow("lead byte cut off at the end")
        << std::string("a\xb2") << QString("a") + QChar(0xFFFD) << "1:B2";
    QTest::newRow("lead byte before a blank")
        << std::string("\x81 b") << QChar(0xFFFD) + QString(" b") << "0:81";
    QTest::newRow("control byte shown as its picture")
        << std::string("a\x01z") << QString("a") + QChar(0x2401) + QString("z") << "1:01";
    QTest::newRow("CR inside one row") << std::string("a\rb") << QString("a") + QChar(0x240D) + "b"
                                       << "1:0D";
    QTest::newRow("tab kept") << std::string("a\tb") << QString("a\tb") << "";
    QTest::newRow("byte FF is not GBK") << std::string("\xff\x41") << QString() << "0:FF";
    QTest::newRow("a pair GBK has no character for, after a character")
        << std::string("\xb2\xe2\xa2\xa0") << QString() << "1:A2A0";
}

void GbkTextTest::showsGbk() {
    QFETCH(std::string, line);
    QFETCH(QString, shown);
    QFETCH(QString, codes);
    // After a line cut short in a character: the decoder must not carry it into this one.
    kvq::GbkLineText("x\xb2");
    if (!shown.isNull()) {
        QCOMPARE(kvq::GbkLineText(line), shown);
    }
    QStringList raw;
    for (const kvq::RawBytes& bytes : kvq::GbkShownLine(line).raw) {
        raw << QStringLiteral("%1:%2")
                   .arg(bytes.column)
                   .arg(QString::number(bytes.value, 16)
                            .toUpper()
                            .rightJustified(bytes.count * 2, u'0'));
    }
    QCOMPARE(raw.join(u','), codes);
}

QTEST_APPLESS_MAIN(GbkTextTest)
#include "GbkTextTest.moc"
