#include <QTest>

#include "NumberTest.h"

class TestNumberTest : public QObject {
    Q_OBJECT
private slots:
    void reading_data();
    void reading();
};

void TestNumberTest::reading_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("isNumber");
    auto yes = [](const char* name, const char* t) {
        QTest::newRow(name) << QByteArray(t) << true;
    };
    auto no = [](const char* name, const char* t) {
        QTest::newRow(name) << QByteArray(t) << false;
    };
    yes("integer", "16");
    yes("decimal", "1.25");
    yes("negative", "-0.50");
    yes("plus sign", "+1.50");
    yes("leading zeros", "007");
    yes("minus zero", "-0");
    yes("exponent", "2.5E3");
    yes("lower-case exponent", "2.5e-3");
    yes("point alone", ".");
    yes("exponent without digits", "1E");
    yes("sign, point, exponent and its sign", "-.e+");
    yes("leading point", ".5");
    yes("trailing point", "5.");
    yes("surrounding blanks", "  7.25  ");
    yes("largest decade", "1e4932");
    yes("just below the largest", "1.18973149535723176e4932");
    yes("underflow is still a number", "1e-5000");
    yes("huge negative exponent", "1e-99999999999999999999");
    yes("long digit run", "000000000000000000000000000000000000001");
    yes("zero with huge exponent", "0e999999");
    no("empty", "");
    no("sign alone", "+");
    no("exponent alone", "E5");
    no("two points", "1.2.3");
    no("two signs", "--5");
    no("letters", "abc");
    no("inf", "inf");
    no("nan", "nan");
    no("hex prefix", "0x10");
    no("hex float", "0x1p3");
    no("dollar hex", "$10");
    no("comma decimal", "1,5");
    no("trailing letter", "12a");
    no("tab inside", "1\t");
    no("overflow", "1e4933");
    no("overflow in the boundary decade", "1.2e4932");
    no("overflow by integer digits", "99999e4928");
    no("exponent sign twice", "1e+-3");
    no("blank inside", "1 2");
}

void TestNumberTest::reading() {
    QFETCH(QByteArray, text);
    QFETCH(bool, isNumber);
    QCOMPARE(kvq::IsReading(std::string_view(text.constData(), text.size())), isNumber);
}

QTEST_APPLESS_MAIN(TestNumberTest)
#include "tst_NumberTest.moc"
