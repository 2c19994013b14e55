#include <QTest>

#include "Fields.h"
#include "ReferenceFields.h"

using kvq::FieldList;

Q_DECLARE_METATYPE(std::string)

class SplitFieldsTest : public QObject {
    Q_OBJECT
private slots:
    void splits_data();
    void splits();
    void reusesListAndBoundsCount();
};

void SplitFieldsTest::splits_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QList<QByteArray>>("fields");
    using L = QList<QByteArray>;
    QTest::newRow("empty line has no field") << QByteArray("") << L{};
    QTest::newRow("blanks only have no field") << QByteArray("    ") << L{};
    QTest::newRow("separators only have no field") << QByteArray(" ,\t, ,") << L{};
    QTest::newRow("one field") << QByteArray("a") << L{"a"};
    QTest::newRow("mixed runs are one break") << QByteArray(" a , b,\t\tc ") << L{"a", "b", "c"};
    QTest::newRow("two commas make no empty field") << QByteArray("a,,b") << L{"a", "b"};
    QTest::newRow("leading and trailing comma") << QByteArray(",a,") << L{"a"};
    QTest::newRow("comma blank and tab") << QByteArray("1,2 3\t4") << L{"1", "2", "3", "4"};
    QTest::newRow("trailing CR is trimmed") << QByteArray("1 2\r") << L{"1", "2"};
    QTest::newRow("control run between blanks is an empty field")
        << QByteArray("a \x01 b") << L{"a", "", "b"};
    QTest::newRow("empty first field after a leading comma") << QByteArray(",\x01 b") << L{"", "b"};
    QTest::newRow("control bytes trimmed inside a field")
        << QByteArray("\x02x\x03 y") << L{"x", "y"};
    QTest::newRow("control bytes at the line's ends are trimmed")
        << QByteArray("\x01\x02 a \x1f") << L{"a"};
    QTest::newRow("GBK bytes are never separators")
        << QByteArray("\xB2\xE2\xB5\xE3 12") << L{"\xB2\xE2\xB5\xE3", "12"};
    QTest::newRow("DEL and high bytes are kept") << QByteArray("\x7f\xff") << L{"\x7f\xff"};
    QTest::newRow("other control bytes do not separate") << QByteArray("a\rb\nc") << L{"a\rb\nc"};
}

void SplitFieldsTest::splits() {
    QFETCH(QByteArray, line);
    QFETCH(QList<QByteArray>, fields);
    FieldList out;
    kvq::SplitFields(std::string_view(line.constData(), line.size()), out);
    QList<QByteArray> got;
    for (auto f : out) {
        got.append(QByteArray(f.data(), static_cast<qsizetype>(f.size())));
    }
    QCOMPARE(got, fields);
}

void SplitFieldsTest::reusesListAndBoundsCount() {
    FieldList out;
    kvq::SplitFields("a b c", out);
    QCOMPARE(out.size(), std::size_t{3});
    kvq::SplitFields("d", out);
    QCOMPARE(out.size(), std::size_t{1});
    QCOMPARE(out[0], std::string_view("d"));

    std::string many;
    for (int i = 0; i < 500; ++i) {
        many += "x ";
    }
    kvq::SplitFields(many, out);
    // A line yields at most 100 fields, whatever the code calls its bound.
    QCOMPARE(out.size(), reference::kFieldBound);
}

QTEST_APPLESS_MAIN(SplitFieldsTest)
#include "SplitFieldsTest.moc"
