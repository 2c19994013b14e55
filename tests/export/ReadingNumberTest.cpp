#include <QTest>
#include <vector>

#include "ReadingNumber.h"

namespace {

// Halfway between the largest finite 80-bit value, (2^64 - 1) * 2^16320, and 2^16384:
// (2^65 - 1) * 2^16319, worked out here digit by digit in base 10. Its first and last
// digits were checked against Python's integers.
QByteArray HalfwayToOverflow() {
    std::vector<int> digits;                             // least significant first
    for (char c : QByteArray("36893488147419103231")) {  // 2^65 - 1
        digits.insert(digits.begin(), c - '0');
    }
    for (int twos = 16319; twos > 0; twos -= 16) {
        const long long factor = 1LL << (twos < 16 ? twos : 16);
        long long carry = 0;
        for (int& d : digits) {
            const long long v = d * factor + carry;
            d = static_cast<int>(v % 10);
            carry = v / 10;
        }
        for (; carry > 0; carry /= 10) {
            digits.push_back(static_cast<int>(carry % 10));
        }
    }
    QByteArray text;
    for (auto d = digits.rbegin(); d != digits.rend(); ++d) {
        text.append(static_cast<char>('0' + *d));
    }
    return text;
}

}  // namespace

class ReadingNumberTest : public QObject {
    Q_OBJECT
private slots:
    void reading_data();
    void reading();
    void halfwayValueIsTheOneDerived();
};

void ReadingNumberTest::reading_data() {
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
    yes("largest decade, leading digit after the point", "0.0011e4935");
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

    // Rounding to nearest with ties to even: below the halfway value a number, from it on
    // infinity (the tie goes to 2^16384, whose significand is even).
    const QByteArray half = HalfwayToOverflow();
    QByteArray lastDown = half;
    lastDown.back() = static_cast<char>(lastDown.back() - 1);
    const QByteArray point = "." + half.mid(1);
    QTest::newRow("halfway value, all its digits") << half << false;
    QTest::newRow("halfway value with a point and an exponent")
        << half.left(1) + point + "e4932" << false;
    QTest::newRow("halfway value, trailing zeros and a negative exponent")
        << half + "000e-3" << false;
    QTest::newRow("halfway value, leading zeros after the point")
        << "0.000" + half + "e4936" << false;
    QTest::newRow("halfway value and a little more") << half + ".0000000001" << false;
    QTest::newRow("one below the halfway value") << lastDown << true;
    QTest::newRow("just below the halfway value") << lastDown + ".999999999" << true;
    QTest::newRow("negative, just below") << "-" + lastDown << true;
    QTest::newRow("negative halfway value") << "-" + half << false;
    QTest::newRow("79 leading digits of the halfway value") << half.left(79) + "e4854" << true;
    QTest::newRow("78 leading digits, the last one up")
        << QByteArray(
               "118973149535723176505351158982948866796625400469556721895649927756249918185173e485"
               "5")
        << false;
}

void ReadingNumberTest::reading() {
    QFETCH(QByteArray, text);
    QFETCH(bool, isNumber);
    QCOMPARE(kvq::IsReading(std::string_view(text.constData(), text.size())), isNumber);
}

void ReadingNumberTest::halfwayValueIsTheOneDerived() {
    const QByteArray half = HalfwayToOverflow();
    QCOMPARE(half.size(), 4933);
    QCOMPARE(half.left(30), QByteArray("118973149535723176505351158982"));
    QCOMPARE(half.right(20), QByteArray("33289688740976918528"));
}

QTEST_APPLESS_MAIN(ReadingNumberTest)
#include "ReadingNumberTest.moc"
