#include <QTest>

#include "PaneLines.h"

class TestPaneLines : public QObject {
    Q_OBJECT
private slots:
    void stored_data();
    void stored();
    void readBackIsAtMost4096Bytes();
};

void TestPaneLines::stored_data() {
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

void TestPaneLines::stored() {
    QFETCH(QByteArray, handed);
    QFETCH(QByteArray, stored);
    const std::string_view got =
        kvq::PaneStoredLine(std::string_view(handed.constData(), handed.size()));
    QCOMPARE(QByteArray(got.data(), static_cast<qsizetype>(got.size())), stored);
}

void TestPaneLines::readBackIsAtMost4096Bytes() {
    const std::string longLine(5000, 'a');
    QCOMPARE(kvq::PaneReadBack(longLine).size(), std::size_t{4096});
    QCOMPARE(kvq::PaneReadBack(std::string(4096, 'b')).size(), std::size_t{4096});
    QCOMPARE(kvq::PaneReadBack("short"), std::string_view("short"));
}

QTEST_APPLESS_MAIN(TestPaneLines)
#include "tst_PaneLines.moc"
