// Where each line of the pane starts in its whole text, the lines joined by line feeds: the
// offsets a screen reader counts in.

#include <QTest>
#include <vector>

#include "CharacterOffsets.h"

class CharacterOffsetsTest : public QObject {
    Q_OBJECT
private slots:
    void offsets_data();
    void offsets();
    void workedOutOnlyAsFarAsAsked();
};

void CharacterOffsetsTest::offsets_data() {
    QTest::addColumn<QList<int>>("lengths");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("line");       // the line holding the offset
    QTest::addColumn<int>("lineStart");  // where that line starts
    QTest::addColumn<int>("count");      // characters in the whole text
    const QList<int> lines{3, 0, 2};
    QTest::newRow("no lines") << QList<int>{} << 0 << 0 << 0 << 0;
    QTest::newRow("the first character") << lines << 0 << 0 << 0 << 7;
    QTest::newRow("the line feed after a line belongs to it") << lines << 3 << 0 << 0 << 7;
    QTest::newRow("an empty line is its line feed") << lines << 4 << 1 << 4 << 7;
    QTest::newRow("the last line has no line feed") << lines << 6 << 2 << 5 << 7;
    QTest::newRow("beyond the end: the last line") << lines << 100 << 2 << 5 << 7;
    QTest::newRow("before the start: the first line") << lines << -5 << 0 << 0 << 7;
}

void CharacterOffsetsTest::offsets() {
    QFETCH(QList<int>, lengths);
    QFETCH(int, offset);
    QFETCH(int, line);
    QFETCH(int, lineStart);
    QFETCH(int, count);
    kvq::CharacterOffsets offsets([&](std::size_t i) { return lengths[static_cast<int>(i)]; });
    const auto lineCount = static_cast<std::size_t>(lengths.size());
    QCOMPARE(offsets.LineAt(offset, lineCount), static_cast<std::size_t>(line));
    QCOMPARE(offsets.LineStart(static_cast<std::size_t>(line), lineCount), qint64{lineStart});
    QCOMPARE(offsets.CharacterCount(lineCount), qint64{count});
}

// A piece near the start of a million lines costs a few lines; lines that arrive later are
// found; after a reset, the lines' new lengths count.
void CharacterOffsetsTest::workedOutOnlyAsFarAsAsked() {
    std::vector<int> lengths(1000000, 9);
    std::size_t asked = 0;
    kvq::CharacterOffsets offsets([&](std::size_t i) {
        ++asked;
        return lengths[i];
    });
    QCOMPARE(offsets.LineAt(25, lengths.size()), std::size_t{2});
    QVERIFY2(asked <= 3, qPrintable(QStringLiteral("%1 line lengths asked").arg(asked)));
    QCOMPARE(offsets.CharacterCount(3), qint64{29});
    QCOMPARE(offsets.CharacterCount(4), qint64{39});
    lengths[0] = 1;
    offsets.Reset();
    QCOMPARE(offsets.LineStart(1, 4), qint64{2});
}

QTEST_APPLESS_MAIN(CharacterOffsetsTest)
#include "CharacterOffsetsTest.moc"
