// Each row saves text-pane lines with one instrument type into a real file and compares the
// file's bytes, line ends included.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "PaneLineStore.h"
#include "RawDataWriter.h"

namespace {

using Lines = QList<QByteArray>;

std::vector<std::string> ToStrings(const Lines& lines) {
    std::vector<std::string> out;
    for (const QByteArray& l : lines) {
        out.emplace_back(l.constData(), static_cast<std::size_t>(l.size()));
    }
    return out;
}

QByteArray Records(const Lines& records) {
    QByteArray out;
    for (const QByteArray& r : records) {
        out += r + "\r\n";
    }
    return out;
}

QByteArray Twenty(const char* sep, const char* lead = "") {
    QByteArray line(lead);
    for (int i = 1; i <= 20; ++i) {
        if (i > 1) {
            line += sep;
        }
        line += QByteArray::number(i);
    }
    return line;
}

QByteArray Fields(int n, int base = 100) {
    QByteArray line;
    for (int i = 0; i < n; ++i) {
        if (i) {
            line += ' ';
        }
        line += QByteArray::number(base + i);
    }
    return line;
}

const QByteArray kType1Example1 =
    "100 101 105 102 103 106 107 108 109 110 111 114 112 113 115 1 "
    "117 118 119 120";

}  // namespace

class RecordLayoutsTest : public QObject {
    Q_OBJECT
private slots:
    void save_data();
    void save();
    void typesThreeAndFourAreIdentical();
    void everyRecordHasTwentyValues();
};

void RecordLayoutsTest::save_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<QByteArray>("file");

    // Type 0: twenty fields pass through unchanged.
    QTest::newRow("type 0 keeps commas and leading blanks")
        << 0 << Lines{Twenty(", ", "  ")} << Records({Twenty(", ", "  ")});
    QTest::newRow("type 0 skips 19 and 21 fields")
        << 0 << Lines{Fields(19), Fields(21), Fields(20)} << Records({Fields(20)});
    QTest::newRow("type 0 keeps GBK bytes") << 0 << Lines{Fields(19) + " \xB2\xE2\xB5\xE3"}
                                            << Records({Fields(19) + " \xB2\xE2\xB5\xE3"});

    // Type 1.
    QTest::newRow("type 1 worked example 1: carried value starts at 1")
        << 1 << Lines{Fields(22)} << Records({kType1Example1});
    QTest::newRow("type 1 worked example 2")
        << 1
        << Lines{"1,2,3,12,5,6,7,8",
                 "1, 5.0, 15.0, 2.5, 0, 10.0\t125.6 38.2 3.29 0.6 1.02 36.4 0.8 0.15 2 4 9 12.5 "
                 "0.03 6 7 0"}
        << Records({"1 5.0 10.0 15.0 2.5 125.6 38.2 3.29 0.6 1.02 36.4 2 0.8 0.15 4 12 12.5 0.03 "
                    "6 7"});
    QTest::newRow("type 1 header 'x' resets the carried value to 1")
        << 1 << Lines{"a b c 7 e f g h", Fields(22), "a b c x e f g h", Fields(22)}
        << Records({QByteArray(kType1Example1).replace(" 1 117", " 7 117"), kType1Example1});
    QTest::newRow("type 1 header -5, later header wins for later lines only")
        << 1 << Lines{"a b c -5 e f g h", Fields(22), Fields(22), "a,b,c,$10,e,f,g,h", Fields(22)}
        << Records({QByteArray(kType1Example1).replace(" 1 117", " -5 117"),
                    QByteArray(kType1Example1).replace(" 1 117", " -5 117"),
                    QByteArray(kType1Example1).replace(" 1 117", " 16 117")});
    QTest::newRow("type 1 skips 21 and 23 fields")
        << 1 << Lines{Fields(21), Fields(23)} << QByteArray();
    QTest::newRow("type 1 separators do not matter")
        << 1 << Lines{QByteArray(Fields(22)).replace(' ', ",\t ")} << Records({kType1Example1});
    QTest::newRow("type 1 empty field 0 starts the record with a blank")
        << 1 << Lines{",\x01 " + Fields(21, 101)} << Records({kType1Example1.mid(3)});
    QTest::newRow("type 1 field 16 of the input never shows")
        << 1 << Lines{QByteArray(Fields(22)).replace("116", "XYZ")} << Records({kType1Example1});

    // Type 2.
    QTest::newRow("type 2 worked example")
        << 2 << Lines{"POINT 1", "1.25", "-0.50", "3",  "12.0 4", "7.75", "0.004",
                      "",        "100",  "2.5E3", "8,", "9.1",    "16",   "12"}
        << Records({"1.25 -0.50 3 7.75 0.004 9999 9999 9999 9999 9999 9999 9999 9999 9999 "
                    "9999 100 2.5E3 8 9.1 16"});
    Lines oneToTwentyFive;
    for (int i = 1; i <= 25; ++i) {
        oneToTwentyFive << QByteArray::number(i);
    }
    QTest::newRow("type 2 twenty-five readings give two records")
        << 2 << oneToTwentyFive
        << Records({"1 2 3 4 5 9999 9999 9999 9999 9999 9999 9999 9999 9999 9999 6 7 8 9 10",
                    "11 12 13 14 15 9999 9999 9999 9999 9999 9999 9999 9999 9999 9999 16 17 18 "
                    "19 20"});
    QTest::newRow("type 2 nine readings write nothing")
        << 2 << oneToTwentyFive.mid(0, 9) << QByteArray();
    QTest::newRow("type 2 readings keep their text")
        << 2
        << Lines{"+1.50", "007", "2.5E3", "-0", "  7.25  ", "7.25,", ".", "1E", "-.e+", "1e4932"}
        << Records({"+1.50 007 2.5E3 -0 7.25 9999 9999 9999 9999 9999 9999 9999 9999 9999 9999 "
                    "7.25 . 1E -.e+ 1e4932"});
    QTest::newRow("type 2 skips non-readings between readings")
        << 2
        << Lines{"1", "12.5 3", "12.5,3", "12.5\t3", "abc", "1.2.3", "--5", " ,\t", "1e4933", "inf",
                 "2", "3",      "4",      "5",       "6",   "7",     "8",   "9",    "10"}
        << Records({"1 2 3 4 5 9999 9999 9999 9999 9999 9999 9999 9999 9999 9999 6 7 8 9 10"});

    // Types 3 and 4.
    const QByteArray receiverRecord =
        "1 10.0 9999 2.5 9999 123.4 0.56 7.89 1.23 9999 9999 9999 "
        "9999 9999 9999 5 45.6 9999 9999 9999";
    QTest::newRow("type 3 example")
        << 3 << Lines{"1 10.0 2.5 123.4 0.56 7.89 1.23 45.6"} << Records({receiverRecord});
    QTest::newRow("type 3 mixed separators")
        << 3 << Lines{"  12,\t3.5 ,, 0.8\t\t77.1,6,-0.02,4.40,A1  "}
        << Records({"12 3.5 9999 0.8 9999 77.1 6 -0.02 4.40 9999 9999 9999 9999 9999 9999 5 A1 "
                    "9999 9999 9999"});
    QTest::newRow("type 4 letters are fields")
        << 4 << Lines{"A B C D E F G H"}
        << Records({"A B 9999 C 9999 D E F G 9999 9999 9999 9999 9999 9999 5 H 9999 9999 9999"});
    QTest::newRow("type 4 skips 7, 9 and no fields")
        << 4 << Lines{Fields(7), Fields(9), ""} << QByteArray();
    QTest::newRow("type 3 empty field 0")
        << 3 << Lines{",\x01 b c d e f g h"}
        << Records({" b 9999 c 9999 d e f g 9999 9999 9999 9999 9999 9999 5 h 9999 9999 9999"});

    // Type 5.
    QTest::newRow("type 5 worked example")
        << 5 << Lines{"TX LOG", "1 12.5 3.20 10:30",  "2,12.4,3.18,10:31", "3 12.6 3.21",
                      "",       "4 12.5 3.19 10:32 0"}
        << Records({"1 12.5 3.20 10:30", "2,12.4,3.18,10:31"});
    QTest::newRow("type 5 keeps separators and blanks")
        << 5 << Lines{",,a,, b,c ,d,,", "  a\tb c d  "}
        << Records({",,a,, b,c ,d,,", "  a\tb c d  "});

    // No type selected, no lines.
    QTest::newRow("index outside the types writes nothing")
        << -1 << Lines{Fields(20)} << QByteArray();
    QTest::newRow("no lines gives an empty file") << 0 << Lines{} << QByteArray();
}

void RecordLayoutsTest::save() {
    QFETCH(int, type);
    QFETCH(Lines, lines);
    QFETCH(QByteArray, file);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("out.kvq");
    const auto report =
        kvq::WriteRawDataFile(kvq::PaneLineStore(ToStrings(lines)), type, path.toStdString());
    QVERIFY(report.ok);
    QCOMPARE(report.linesRead, static_cast<std::size_t>(lines.size()));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), file);
    QCOMPARE(report.records, static_cast<std::size_t>(file.count("\r\n")));
}

void RecordLayoutsTest::typesThreeAndFourAreIdentical() {
    QTemporaryDir dir;
    const auto lines = ToStrings({"1 2 3 4 5 6 7 8", "x", "a,b,c,d,e,f,g,h"});
    const std::string a = dir.filePath("3.kvq").toStdString();
    const std::string b = dir.filePath("4.kvq").toStdString();
    QVERIFY(kvq::WriteRawDataFile(kvq::PaneLineStore(lines), 3, a).ok);
    QVERIFY(kvq::WriteRawDataFile(kvq::PaneLineStore(lines), 4, b).ok);
    QFile fa(QString::fromStdString(a)), fb(QString::fromStdString(b));
    QVERIFY(fa.open(QIODevice::ReadOnly) && fb.open(QIODevice::ReadOnly));
    const QByteArray bytes = fa.readAll();
    QCOMPARE(bytes.count("\r\n"), 2);
    QCOMPARE(bytes, fb.readAll());
}

// Whatever fields a line holds, the records of types 1 to 4 have twenty values.
void RecordLayoutsTest::everyRecordHasTwentyValues() {
    const int counts[] = {0, 22, 0, 8, 8};
    for (int type = 1; type <= 4; ++type) {
        std::vector<std::string> lines;
        for (int i = 0; i < 30; ++i) {
            lines.push_back(type == 2 ? std::to_string(i * 7 % 13) + ".5"
                                      : Fields(counts[type], i).toStdString());
        }
        QTemporaryDir dir;
        const std::string path = dir.filePath("o.kvq").toStdString();
        QVERIFY(kvq::WriteRawDataFile(kvq::PaneLineStore(lines), type, path).ok);
        QFile f(QString::fromStdString(path));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> records = f.readAll().split('\n');
        QVERIFY(records.size() > 1);
        for (const QByteArray& r : records.mid(0, records.size() - 1)) {
            QVERIFY2(r.endsWith('\r'), r.constData());
            QCOMPARE(r.chopped(1).split(' ').size(), 20);
        }
    }
}

QTEST_APPLESS_MAIN(RecordLayoutsTest)
#include "RecordLayoutsTest.moc"
