#include <QTest>

#include "PaneLineStore.h"
#include "PaneLines.h"

class PaneLinesTest : public QObject {
    Q_OBJECT
private slots:
    void stored_data();
    void stored();
    void readBackIsAtMost4096Bytes();
    void storeKeepsEachLine_data();
    void storeKeepsEachLine();
    void storeSpansManyBlocks();
    void clearEmptiesTheStore();
    void releaseGivesBackAFewBlocksAtATime();
};

void PaneLinesTest::stored_data() {
    QTest::addColumn<QByteArray>("handed");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("plain line unchanged") << QByteArray("1 2 3") << QByteArray("1 2 3");
    QTest::newRow("CR at the very end dropped") << QByteArray("1 2\r") << QByteArray("1 2");
    QTest::newRow("only one CR dropped") << QByteArray("x\r\r") << QByteArray("x\r");
    QTest::newRow("CR inside kept") << QByteArray("a\rb") << QByteArray("a\rb");
    QTest::newRow("zero byte ends the text") << QByteArray("ab\0cd", 5) << QByteArray("ab");
    QTest::newRow("CR before a zero byte is at the end")
        << QByteArray("ab\r\0cd", 6) << QByteArray("ab");
    QTest::newRow("lone CR gives empty line") << QByteArray("\r") << QByteArray("");
    QTest::newRow("empty stays empty") << QByteArray("") << QByteArray("");
}

void PaneLinesTest::stored() {
    QFETCH(QByteArray, handed);
    QFETCH(QByteArray, stored);
    const std::string_view got =
        kvq::PaneStoredLine(std::string_view(handed.constData(), handed.size()));
    QCOMPARE(QByteArray(got.data(), static_cast<qsizetype>(got.size())), stored);
}

void PaneLinesTest::readBackIsAtMost4096Bytes() {
    const std::string longLine(5000, 'a');
    QCOMPARE(kvq::PaneReadBack(longLine).size(), std::size_t{4096});
    QCOMPARE(kvq::PaneReadBack(std::string(4096, 'b')).size(), std::size_t{4096});
    QCOMPARE(kvq::PaneReadBack("short"), std::string_view("short"));
}

void PaneLinesTest::storeKeepsEachLine_data() {
    QTest::addColumn<QByteArray>("handed");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("readBack");
    QTest::newRow("line rules applied") << QByteArray("a\0b\r", 4) << QByteArray("a") << 1;
    QTest::newRow("CR at the end dropped") << QByteArray("1 2\r") << QByteArray("1 2") << 3;
    QTest::newRow("empty line is a line") << QByteArray("") << QByteArray("") << 0;
    QTest::newRow("long line stored whole, read back cut")
        << QByteArray(5000, 'x') << QByteArray(5000, 'x') << 4096;
    QTest::newRow("line longer than a block of the store")
        << QByteArray(3 << 20, 'y') << QByteArray(3 << 20, 'y') << 4096;
}

// A line between two others: its neighbours must come back untouched too.
void PaneLinesTest::storeKeepsEachLine() {
    QFETCH(QByteArray, handed);
    QFETCH(QByteArray, stored);
    QFETCH(int, readBack);
    kvq::PaneLineStore store;
    store.Append(std::vector<std::string>{"before", handed.toStdString(), "after\r"});
    QCOMPARE(store.Count(), std::size_t{3});
    QCOMPARE(store.Stored(0), std::string_view("before"));
    QCOMPARE(QByteArray::fromStdString(std::string(store.Stored(1))), stored);
    QCOMPARE(store.ReadBack(1).size(), static_cast<std::size_t>(readBack));
    QCOMPARE(store.Stored(2), std::string_view("after"));
    QCOMPARE(store.Bytes(), std::uint64_t(6 + stored.size() + 5));
}

// Lines that fill several blocks: each comes back as it went in, across the block edges.
void PaneLinesTest::storeSpansManyBlocks() {
    kvq::PaneLineStore store;
    std::uint64_t bytes = 0;
    constexpr int kLines = 60000;
    auto lineOf = [](int i) {
        return std::to_string(i) + std::string(static_cast<std::size_t>(i % 97), '.');
    };
    for (int i = 0; i < kLines; ++i) {
        const std::string line = lineOf(i);
        bytes += line.size();
        store.Append(line);
    }
    QVERIFY(bytes > 3 << 20);
    QCOMPARE(store.Count(), std::size_t{kLines});
    QCOMPARE(store.Bytes(), bytes);
    int i = 0;
    for (const std::string_view line : store) {
        if (line != lineOf(i)) {
            QFAIL(qPrintable(QStringLiteral("line %1 differs").arg(i)));
        }
        ++i;
    }
    QCOMPARE(i, kLines);
}

void PaneLinesTest::clearEmptiesTheStore() {
    kvq::PaneLineStore store(std::vector<std::string>{"a", "b"});
    store.Clear();
    QVERIFY(store.Empty());
    QCOMPARE(store.Bytes(), std::uint64_t{0});
    store.Append("c");
    QCOMPARE(store.Count(), std::size_t{1});
    QCOMPARE(store.Stored(0), std::string_view("c"));
}

// What is left after each step is the first lines, intact, and the byte count agrees; a line
// appended in between lands after them; the store ends empty.
void PaneLinesTest::releaseGivesBackAFewBlocksAtATime() {
    kvq::PaneLineStore store;
    const std::string tail(1000, 'z');
    for (int i = 0; i < 5000; ++i) {
        store.Append(std::to_string(i) + tail);
    }
    std::size_t before = store.Count();
    int steps = 0;
    while (!store.ReleaseSome(1)) {
        ++steps;
        QVERIFY(store.Count() > 0 && store.Count() < before);
        std::uint64_t bytes = 0;
        for (std::size_t i = 0; i < store.Count(); ++i) {
            QCOMPARE(store.Stored(i), std::to_string(i) + tail);
            bytes += store.Stored(i).size();
        }
        QCOMPARE(store.Bytes(), bytes);
        if (steps == 2) {
            store.Append("between");
            const std::size_t last = store.Count() - 1;
            QCOMPARE(store.Stored(last), std::string_view("between"));
            for (std::size_t i = 0; i < last; ++i) {
                QCOMPARE(store.Stored(i), std::to_string(i) + tail);
            }
            store.ReleaseSome(1);  // takes "between" with its block
            QCOMPARE(store.Count(), last);
        }
        before = store.Count();
    }
    QVERIFY(steps >= 3);
    QVERIFY(store.Empty());
    QCOMPARE(store.Bytes(), std::uint64_t{0});
    store.Append("after");
    QCOMPARE(store.Stored(0), std::string_view("after"));
}

QTEST_APPLESS_MAIN(PaneLinesTest)
#include "PaneLinesTest.moc"
