// The text pane: what it keeps of each line, how it shows it, and how it takes a read step.

#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include "Memo.h"

Q_DECLARE_METATYPE(std::string)

class MemoTest : public QObject {
    Q_OBJECT
private slots:
    void keepsTheStoredBytes_data();
    void keepsTheStoredBytes();
    void showsGbk_data();
    void showsGbk();
    void readStepIsOneEdit();
    void everyLineIsOneLineOnScreen();
    void newLinesKeepTheViewAtTheBottom();
    void clearEmptiesBoth();
};

void MemoTest::keepsTheStoredBytes_data() {
    QTest::addColumn<std::string>("handedOver");
    QTest::addColumn<std::string>("stored");
    QTest::newRow("plain line") << std::string("1 2 3") << std::string("1 2 3");
    QTest::newRow("CR at the end belongs to the line break")
        << std::string("1 2\r") << std::string("1 2");
    QTest::newRow("CR inside stays") << std::string("1\r2") << std::string("1\r2");
    QTest::newRow("zero byte ends the text") << std::string("ab\0cd", 5) << std::string("ab");
    QTest::newRow("bytes that are not GBK stay")
        << std::string("\xff\x80\xb2") << std::string("\xff\x80\xb2");
    QTest::newRow("empty line") << std::string() << std::string();
}

void MemoTest::keepsTheStoredBytes() {
    QFETCH(std::string, handedOver);
    QFETCH(std::string, stored);
    kvq::Memo memo;
    memo.AppendLines(std::vector<std::string>{"first", handedOver});
    QCOMPARE(memo.LineCount(), std::size_t{2});
    QCOMPARE(memo.StoredLines()[1], stored);
}

void MemoTest::showsGbk_data() {
    QTest::addColumn<std::string>("line");
    QTest::addColumn<QString>("shown");
    QTest::newRow("GBK text") << std::string("\xb2\xe2\xca\xd4 12.5") << QString("测试 12.5");
    QTest::newRow("lead byte cut off at the end")
        << std::string("a\xb2") << QString("a") + QChar(0xFFFD);
    QTest::newRow("lead byte before a blank")
        << std::string("\x81 b") << QChar(0xFFFD) + QString(" b");
    QTest::newRow("control byte shown as its picture")
        << std::string("a\x01z") << QString("a") + QChar(0x2401) + QString("z");
    QTest::newRow("tab kept") << std::string("a\tb") << QString("a\tb");
}

void MemoTest::showsGbk() {
    QFETCH(std::string, line);
    QFETCH(QString, shown);
    kvq::Memo memo;
    memo.AppendLines(std::vector<std::string>{line});
    QCOMPARE(memo.toPlainText(), shown);
}

// A read step's lines go in as one change of the document, not one change per line.
void MemoTest::readStepIsOneEdit() {
    kvq::Memo memo;
    int changes = 0;
    connect(memo.document(), &QTextDocument::contentsChange, this,
            [&changes](int, int, int) { ++changes; });
    memo.AppendLines(std::vector<std::string>{"1", "2", "3"});
    QCOMPARE(changes, 1);
    memo.AppendLines(std::vector<std::string>{"4", "5"});
    QCOMPARE(changes, 2);
    memo.AppendLines(std::vector<std::string>{});
    QCOMPARE(changes, 2);
    QCOMPARE(memo.toPlainText(), QString("1\n2\n3\n4\n5"));
}

// The shown lines stay in step with the stored ones: an empty first line, or a CR inside a
// line, must not merge or split lines on screen.
void MemoTest::everyLineIsOneLineOnScreen() {
    kvq::Memo memo;
    memo.AppendLines(std::vector<std::string>{""});
    memo.AppendLines(std::vector<std::string>{"a\rb", "", "\xb2"});
    memo.AppendLines(std::vector<std::string>{"c"});
    QCOMPARE(memo.LineCount(), std::size_t{5});
    QCOMPARE(memo.document()->blockCount(), 5);
    QCOMPARE(memo.document()->findBlockByNumber(1).text(), QString("a") + QChar(0x240D) + "b");
    QCOMPARE(memo.document()->findBlockByNumber(3).text(), QString(QChar(0xFFFD)));
    QCOMPARE(memo.document()->findBlockByNumber(4).text(), QString("c"));
}

void MemoTest::newLinesKeepTheViewAtTheBottom() {
    kvq::Memo memo;
    memo.resize(361, 277);
    memo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&memo));
    std::vector<std::string> lines(200, "0.5 1.5 2.5 3.5");
    memo.AppendLines(lines);
    QScrollBar* bar = memo.verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());
    bar->setValue(0);  // the user looks back
    memo.AppendLines(std::vector<std::string>{"last"});
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(memo.cursorRect(QTextCursor(memo.document()->lastBlock())).bottom() <=
            memo.viewport()->height());
}

void MemoTest::clearEmptiesBoth() {
    kvq::Memo memo;
    memo.AppendLines(std::vector<std::string>{"a", "b"});
    memo.Clear();
    QCOMPARE(memo.LineCount(), std::size_t{0});
    QVERIFY(!memo.HasLine());
    QVERIFY(memo.document()->isEmpty());
    memo.AppendLines(std::vector<std::string>{"c"});
    QCOMPARE(memo.toPlainText(), QString("c"));
    QCOMPARE(memo.document()->blockCount(), 1);
}

QTEST_MAIN(MemoTest)
#include "MemoTest.moc"
