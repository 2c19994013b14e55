// The caret's moves: where each key of an edit control takes the caret in the pane's text.

#include <QApplication>
#include <QTest>
#include <string>
#include <vector>

#include "PaneCursor.h"

Q_DECLARE_METATYPE(kvq::Move)

using kvq::Move;

class PaneCursorTest : public QObject {
    Q_OBJECT
private slots:
    void moves_data();
    void moves();
};

namespace {

kvq::TextPosition PositionFrom(const QString& text) {
    const QStringList parts = text.split(u':');
    return {parts[0].toULongLong(), parts[1].toInt()};
}

// An x left of every row, and one right of every row.
constexpr qreal kRowStart = 0;
constexpr qreal kBeyondRows = 1e6;

}  // namespace

void PaneCursorTest::moves_data() {
    QTest::addColumn<std::vector<std::string>>("lines");
    QTest::addColumn<QString>("from");
    QTest::addColumn<Move>("move");
    QTest::addColumn<int>("pageRows");
    QTest::addColumn<qreal>("aimX");
    QTest::addColumn<QString>("to");
    // 14 columns, empty, "测试 12" (5 columns), 2 columns.
    const std::vector<std::string> text{"line 0 1.5 2.5", "", "\xb2\xe2\xca\xd4 12", "ab"};
    const auto row = [&](const char* name, const char* from, Move move, const char* to) {
        QTest::newRow(name) << text << from << move << 1 << kRowStart << to;
    };
    row("Right within a line", "0:3", Move::NextChar, "0:4");
    row("Right at a line end goes to the next line", "0:14", Move::NextChar, "1:0");
    row("Right over an empty line", "1:0", Move::NextChar, "2:0");
    row("Right at the end of the text stays", "3:2", Move::NextChar, "3:2");
    row("Left at a line start goes to the end of the line before", "1:0", Move::PreviousChar,
        "0:14");
    row("Left at the start of the text stays", "0:0", Move::PreviousChar, "0:0");
    row("Ctrl+Right goes to the next word", "0:0", Move::NextWord, "0:5");
    row("Ctrl+Right over Chinese characters and a blank", "2:0", Move::NextWord, "2:3");
    row("Ctrl+Right at a line end goes to the next line", "0:14", Move::NextWord, "1:0");
    row("Ctrl+Right at the end of the text stays", "3:2", Move::NextWord, "3:2");
    row("Ctrl+Left goes to the start of the word", "0:9", Move::PreviousWord, "0:7");
    row("Ctrl+Left at a line start goes to the end of the line before", "2:0", Move::PreviousWord,
        "1:0");
    row("Ctrl+Left at the start of the text stays", "0:0", Move::PreviousWord, "0:0");
    row("Down aims at the row's start, not the caret's column", "2:4", Move::NextLine, "3:0");
    row("Up on the first line stays where it is", "0:9", Move::PreviousLine, "0:9");
    row("Down on the last line stays where it is", "3:1", Move::NextLine, "3:1");
    row("Home", "2:4", Move::LineStart, "2:0");
    row("End counts a Chinese character as one column", "2:1", Move::LineEnd, "2:5");
    row("Ctrl+Home", "2:3", Move::Start, "0:0");
    row("Ctrl+End", "0:3", Move::End, "3:2");
    QTest::newRow("Down aiming beyond a shorter line stops at its end")
        << text << "2:4" << Move::NextLine << 1 << kBeyondRows << "3:2";
    QTest::newRow("Page Down goes a page of lines")
        << text << "0:3" << Move::NextPage << 2 << kRowStart << "2:0";
    QTest::newRow("Page Down stops at the last line")
        << text << "0:3" << Move::NextPage << 10 << kBeyondRows << "3:2";
    QTest::newRow("Page Up stops at the first line")
        << text << "3:1" << Move::PreviousPage << 10 << kBeyondRows << "0:14";
    QTest::newRow("no lines") << std::vector<std::string>{} << "0:0" << Move::End << 1 << kRowStart
                              << "0:0";
}

void PaneCursorTest::moves() {
    QFETCH(std::vector<std::string>, lines);
    QFETCH(QString, from);
    QFETCH(Move, move);
    QFETCH(int, pageRows);
    QFETCH(qreal, aimX);
    QFETCH(QString, to);
    kvq::PaneText text(QApplication::font());
    text.Append(lines);
    const kvq::TextPosition moved = kvq::MoveFrom(text, {pageRows, aimX}, PositionFrom(from), move);
    QCOMPARE(moved, PositionFrom(to));
}

QTEST_MAIN(PaneCursorTest)
#include "PaneCursorTest.moc"
