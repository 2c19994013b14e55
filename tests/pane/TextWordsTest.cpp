// The pane's word rule: what a double click selects, where Ctrl+Left and Ctrl+Right take the
// caret, and what a screen reader reads as a word.

#include <QTest>

#include "TextWords.h"

class TextWordsTest : public QObject {
    Q_OBJECT
private slots:
    void wordAround_data();
    void wordAround();
    void wordMoves_data();
    void wordMoves();
};

void TextWordsTest::wordAround_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("word");
    QTest::newRow("a number between blanks") << "line 1 1.5 2.5" << 8 << "1.5";
    QTest::newRow("a run of Chinese characters") << "测试,12 ab" << 1 << "测试";
    QTest::newRow("a field between commas") << "测试,12 ab" << 3 << "12";
    QTest::newRow("two values joined by a comma are two words") << "12.5,3.2" << 6 << "3.2";
    QTest::newRow("a run of separators") << "a , b" << 2 << " , ";
    QTest::newRow("a tab separates") << "1\t2" << 0 << "1";
    QTest::newRow("a Chinese character outside the basic plane, at its second half")
        << QString("ab") + QString::fromUcs4(U"\U00020000") + "cd" << 3
        << QString::fromUcs4(U"\U00020000");
    QTest::newRow("beyond the end: the last word") << "ab cd" << 99 << "cd";
    QTest::newRow("an empty line") << "" << 0 << "";
}

void TextWordsTest::wordAround() {
    QFETCH(QString, text);
    QFETCH(int, column);
    QFETCH(QString, word);
    const kvq::ColumnRun run = kvq::WordAround(text, column);
    QCOMPARE(text.mid(run.from, run.to - run.from), word);
}

void TextWordsTest::wordMoves_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("next");      // Ctrl+Right
    QTest::addColumn<int>("previous");  // Ctrl+Left
    QTest::newRow("inside a word") << "1.5 2.5" << 1 << 4 << 0;
    QTest::newRow("at a word's start") << "1.5 2.5" << 4 << 7 << 0;
    QTest::newRow("in a run of separators") << "a , b" << 2 << 4 << 0;
    QTest::newRow("back over a blank and a comma") << "12.5, 3.2" << 6 << 9 << 0;
    QTest::newRow("Chinese then digits, no blank between") << "测试12" << 1 << 2 << 0;
    QTest::newRow("at the end of the text") << "ab cd" << 5 << 5 << 3;
    QTest::newRow("blanks at the start") << "  ab" << 2 << 4 << 0;
}

void TextWordsTest::wordMoves() {
    QFETCH(QString, text);
    QFETCH(int, column);
    QFETCH(int, next);
    QFETCH(int, previous);
    QCOMPARE(kvq::NextWordStart(text, column), next);
    QCOMPARE(kvq::PreviousWordStart(text, column), previous);
}

QTEST_APPLESS_MAIN(TextWordsTest)
#include "TextWordsTest.moc"
