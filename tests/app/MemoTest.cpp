// The text pane: what it keeps of each line, how it shows it, selection and copy, scrolling,
// and what screen readers read of it.

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QClipboard>
#include <QElapsedTimer>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include "Memo.h"

Q_DECLARE_METATYPE(std::string)

using kvq::TextPosition;

class MemoTest : public QObject {
    Q_OBJECT
private slots:
    void keepsTheStoredBytes_data();
    void keepsTheStoredBytes();
    void showsGbk_data();
    void showsGbk();
    void rowsPaintedAreTheLinesDecoded();
    void burstOfReadStepsIsOnePaint();
    void newLinesKeepTheViewAtTheBottom();
    void widestLineSetsTheHorizontalRange();
    void keysScroll_data();
    void keysScroll();
    void mouseSelects_data();
    void mouseSelects();
    void selectAllAndCopy();
    void typingChangesNothing();
    void clearEmptiesTheView();
    void accessibleTextIsTheDecodedLines_data();
    void accessibleTextIsTheDecodedLines();
};

namespace {

// A pane of 361 by 277 pixels, as in the window, shown on the offscreen platform.
struct ShownPane {
    kvq::Memo memo;
    ShownPane() {
        memo.resize(361, 277);
        memo.show();
        QVERIFY(QTest::qWaitForWindowExposed(&memo));
    }
    // Appends the lines and lets the frame that coalesces appends pass: they are on screen.
    void Show(const std::vector<std::string>& lines) {
        memo.AppendLines(lines);
        QTest::qWait(40);
    }
};

std::vector<std::string> Numbered(int count) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        lines.push_back("line " + std::to_string(i) + " 1.5 2.5");
    }
    return lines;
}

QImage Viewport(kvq::Memo& memo) {
    QTest::qWait(40);  // past the frame that coalesces appends
    return memo.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Where a character is drawn: the middle of it, in viewport coordinates.
QPoint At(const kvq::Memo& memo, std::size_t line, int column) {
    return memo.CharacterRect({line, column}).center() -
           QPoint(memo.CharacterRect({line, column}).width() / 2, 0);
}

}  // namespace

void MemoTest::keepsTheStoredBytes_data() {
    QTest::addColumn<std::string>("handedOver");
    QTest::addColumn<std::string>("stored");
    QTest::newRow("plain line") << std::string("1 2 3") << std::string("1 2 3");
    QTest::newRow("CR at the end belongs to the line break")
        << std::string("1 2\r") << std::string("1 2");
    QTest::newRow("zero byte ends the text") << std::string("ab\0cd", 5) << std::string("ab");
    QTest::newRow("bytes that are not GBK stay")
        << std::string("\xff\x80\xb2") << std::string("\xff\x80\xb2");
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
    QTest::newRow("CR inside one row") << std::string("a\rb") << QString("a") + QChar(0x240D) + "b";
    QTest::newRow("tab kept") << std::string("a\tb") << QString("a\tb");
}

void MemoTest::showsGbk() {
    QFETCH(std::string, line);
    QFETCH(QString, shown);
    kvq::Memo memo;
    // After a line cut short in a character: the decoder must not carry it into this one.
    memo.AppendLines(std::vector<std::string>{"x\xb2", line});
    QCOMPARE(memo.LineText(1), shown);
}

// Each row on screen is its stored line decoded: the pane scrolled to the bottom of 300
// lines looks as the text of its rows drawn one under the other by a plain QPainter.
void MemoTest::rowsPaintedAreTheLinesDecoded() {
    ShownPane pane;
    const std::vector<std::string> lines = Numbered(300);
    pane.memo.AppendLines(lines);
    const QImage shown = Viewport(pane.memo);
    const std::size_t first = pane.memo.FirstVisibleRow();
    QVERIFY(first > 0);

    QImage expected(shown.size(), QImage::Format_RGB32);
    expected.fill(pane.memo.palette().color(QPalette::Base));
    QPainter painter(&expected);
    painter.setFont(pane.memo.font());
    painter.setPen(pane.memo.palette().color(QPalette::Text));
    const qreal ascent = QFontMetricsF(pane.memo.font()).ascent();
    for (std::size_t line = first; line < lines.size(); ++line) {
        const QRect place = pane.memo.CharacterRect({line, 0});
        painter.drawText(QPointF(place.left(), place.top() + ascent),
                         QString::fromStdString(lines[line]));
    }
    painter.end();
    QCOMPARE(shown, expected);
}

// A burst of read steps costs one layout and one paint a frame, not one per step: each step
// comes with an event-loop pass, as from the receiver, and still the paints follow the clock.
void MemoTest::burstOfReadStepsIsOnePaint() {
    ShownPane pane;
    QTest::qWait(40);
    int paints = 0;
    connect(&pane.memo, &kvq::Memo::painted, this, [&paints] { ++paints; });
    QElapsedTimer clock;
    clock.start();
    constexpr int kSteps = 200;
    for (int step = 0; step < kSteps; ++step) {
        pane.memo.AppendLines(Numbered(40));
        QCoreApplication::processEvents();
    }
    const auto frames = static_cast<int>(clock.elapsed() / 16);
    QTest::qWait(100);
    QCOMPARE(pane.memo.LineCount(), std::size_t{kSteps * 40});
    QVERIFY2(paints >= 1 && paints <= frames + 3,
             qPrintable(QStringLiteral("%1 paints in %2 frames").arg(paints).arg(frames)));
    QCOMPARE(pane.memo.verticalScrollBar()->value(), pane.memo.verticalScrollBar()->maximum());
}

void MemoTest::newLinesKeepTheViewAtTheBottom() {
    ShownPane pane;
    pane.memo.AppendLines(Numbered(200));
    QScrollBar* bar = pane.memo.verticalScrollBar();
    QTest::qWait(40);
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());
    bar->setValue(0);  // the user looks back
    pane.memo.AppendLines(std::vector<std::string>{"last"});
    QTest::qWait(40);
    QCOMPARE(bar->value(), bar->maximum());
    const QRect last = pane.memo.CharacterRect({200, 0});
    QVERIFY(last.top() >= 0);
    QVERIFY(last.bottom() <= pane.memo.viewport()->height());
}

void MemoTest::widestLineSetsTheHorizontalRange() {
    ShownPane pane;
    QScrollBar* bar = pane.memo.horizontalScrollBar();
    pane.memo.AppendLines(std::vector<std::string>{"short"});
    QTest::qWait(40);
    QCOMPARE(bar->maximum(), 0);
    // A wide line arrives and scrolls out of view at once: the range still reaches it.
    std::vector<std::string> lines{std::string(300, 'W')};
    const std::vector<std::string> more = Numbered(100);
    lines.insert(lines.end(), more.begin(), more.end());
    pane.memo.AppendLines(lines);
    QTest::qWait(40);
    const int wide = pane.memo.fontMetrics().horizontalAdvance(QString(300, 'W'));
    QVERIFY2(bar->maximum() + pane.memo.viewport()->width() >= wide,
             qPrintable(QStringLiteral("%1 + %2 < %3")
                            .arg(bar->maximum())
                            .arg(pane.memo.viewport()->width())
                            .arg(wide)));
}

void MemoTest::keysScroll_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("from");  // -1: the bottom
    QTest::addColumn<int>("to");    // -1: the bottom; -2: from less a page
    QTest::newRow("Ctrl+Home to the top")
        << int(Qt::Key_Home) << int(Qt::ControlModifier) << -1 << 0;
    QTest::newRow("Ctrl+End to the bottom")
        << int(Qt::Key_End) << int(Qt::ControlModifier) << 0 << -1;
    QTest::newRow("Page Up a page") << int(Qt::Key_PageUp) << 0 << -1 << -2;
    QTest::newRow("Page Down a page") << int(Qt::Key_PageDown) << 0 << 0 << -3;
    QTest::newRow("Up one row") << int(Qt::Key_Up) << 0 << 50 << 49;
    QTest::newRow("Down one row") << int(Qt::Key_Down) << 0 << 50 << 51;
}

void MemoTest::keysScroll() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, from);
    QFETCH(int, to);
    ShownPane pane;
    pane.Show(Numbered(500));
    QScrollBar* bar = pane.memo.verticalScrollBar();
    const int page = pane.memo.WholeRows();
    QCOMPARE(bar->pageStep(), page);
    bar->setValue(from == -1 ? bar->maximum() : from);
    const int expected = to == -1   ? bar->maximum()
                         : to == -2 ? bar->value() - page
                         : to == -3 ? bar->value() + page
                                    : to;
    QTest::keyClick(&pane.memo, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(bar->value(), expected);
}

void MemoTest::mouseSelects_data() {
    QTest::addColumn<int>("pressLine");
    QTest::addColumn<int>("pressColumn");
    QTest::addColumn<int>("releaseLine");
    QTest::addColumn<int>("releaseColumn");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("selected");
    QTest::newRow("drag within a line") << 1 << 5 << 1 << 7 << "drag"
                                        << "1 ";
    QTest::newRow("drag over a line end") << 0 << 7 << 1 << 4 << "drag"
                                          << "1.5 2.5\nline";
    QTest::newRow("drag upwards") << 2 << 4 << 1 << 5 << "drag"
                                  << "1 1.5 2.5\nline";
    QTest::newRow("shift+click extends") << 0 << 0 << 2 << 6 << "shift"
                                         << "line 0 1.5 2.5\nline 1 1.5 2.5\nline 2";
    QTest::newRow("double click takes the line") << 1 << 3 << 1 << 3 << "double"
                                                 << "line 1 1.5 2.5";
    QTest::newRow("double click and drag takes whole lines") << 0 << 3 << 1 << 2 << "double drag"
                                                             << "line 0 1.5 2.5\nline 1 1.5 2.5";
}

void MemoTest::mouseSelects() {
    ShownPane pane;
    pane.Show(Numbered(3));
    QFETCH(int, pressLine);
    QFETCH(int, pressColumn);
    QFETCH(int, releaseLine);
    QFETCH(int, releaseColumn);
    QFETCH(QString, how);
    QFETCH(QString, selected);
    QWidget* view = pane.memo.viewport();
    const QPoint press = At(pane.memo, pressLine, pressColumn);
    const QPoint release = At(pane.memo, releaseLine, releaseColumn);
    if (how == "shift") {
        QTest::mouseClick(view, Qt::LeftButton, {}, press);
        QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier, release);
    } else if (how.startsWith("double")) {
        QTest::mouseDClick(view, Qt::LeftButton, {}, press);
        if (how == "double drag") {
            QMouseEvent move(QEvent::MouseMove, release, view->mapToGlobal(release), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(view, &move);
        }
        QTest::mouseRelease(view, Qt::LeftButton, {}, release);
    } else {
        QTest::mousePress(view, Qt::LeftButton, {}, press);
        QMouseEvent move(QEvent::MouseMove, release, view->mapToGlobal(release), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &move);
        QTest::mouseRelease(view, Qt::LeftButton, {}, release);
    }
    QCOMPARE(pane.memo.SelectedText(), selected);
}

void MemoTest::selectAllAndCopy() {
    ShownPane pane;
    pane.memo.AppendLines(std::vector<std::string>{"\xb2\xe2 1", "", "a\tb\r"});
    pane.memo.setFocus();
    QTest::keyClick(&pane.memo, Qt::Key_A, Qt::ControlModifier);
    QApplication::clipboard()->clear();
    QTest::keyClick(&pane.memo, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString("测 1\n\na\tb"));
}

void MemoTest::typingChangesNothing() {
    ShownPane pane;
    pane.memo.AppendLines(std::vector<std::string>{"1 2"});
    QTest::keyClicks(&pane.memo, "xy");
    QTest::keyClick(&pane.memo, Qt::Key_Backspace);
    QTest::keyClick(&pane.memo, Qt::Key_Return);
    QTest::keyClick(&pane.memo, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(pane.memo.LineCount(), std::size_t{1});
    QCOMPARE(pane.memo.StoredLines()[0], std::string_view("1 2"));
}

void MemoTest::clearEmptiesTheView() {
    ShownPane pane;
    pane.memo.AppendLines(Numbered(300));
    pane.memo.SelectAll();
    pane.memo.Clear();
    QCOMPARE(pane.memo.LineCount(), std::size_t{0});
    QVERIFY(!pane.memo.HasLine());
    QVERIFY(!pane.memo.HasSelection());
    QCOMPARE(pane.memo.verticalScrollBar()->maximum(), 0);
    QCOMPARE(pane.memo.CharacterCount(), 0);
    pane.memo.AppendLines(std::vector<std::string>{"c"});
    QCOMPARE(pane.memo.LineText(0), QString("c"));
    QCOMPARE(pane.memo.CharacterCount(), 1);
}

void MemoTest::accessibleTextIsTheDecodedLines_data() {
    QTest::addColumn<std::vector<std::string>>("lines");
    QTest::addColumn<QString>("text");
    QTest::newRow("one line") << std::vector<std::string>{"1 2"} << QString("1 2");
    QTest::newRow("GBK and an empty line")
        << std::vector<std::string>{"\xb2\xe2\xca\xd4", "", "x\x01"}
        << QString("测试\n\nx") + QChar(0x2401);
    QTest::newRow("no lines") << std::vector<std::string>{} << QString();
}

void MemoTest::accessibleTextIsTheDecodedLines() {
    QFETCH(std::vector<std::string>, lines);
    QFETCH(QString, text);
    ShownPane pane;
    pane.memo.AppendLines(lines);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&pane.memo);
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::EditableText);
    QVERIFY(accessible->state().readOnly);
    QAccessibleTextInterface* textInterface = accessible->textInterface();
    QVERIFY(textInterface);
    QCOMPARE(textInterface->characterCount(), text.size());
    QCOMPARE(textInterface->text(0, text.size()), text);
    // Every piece and every line boundary, as a screen reader walks the text.
    for (int start = 0; start < text.size(); ++start) {
        QCOMPARE(textInterface->text(start, text.size()), text.mid(start));
        int from = -1;
        int to = -1;
        const QString line =
            textInterface->textAtOffset(start, QAccessible::LineBoundary, &from, &to);
        // A line runs from after the line feed before it to its own line feed, inclusive.
        const int lineFrom = start == 0 ? 0 : text.lastIndexOf(u'\n', start - 1) + 1;
        const int feed = text.indexOf(u'\n', start);
        QCOMPARE(from, lineFrom);
        QCOMPARE(to, feed < 0 ? text.size() : feed + 1);
        QCOMPARE(line, text.mid(from, to - from));
    }
    if (!text.isEmpty()) {
        textInterface->setSelection(0, 1, text.size() - 1);
        QCOMPARE(pane.memo.SelectedText(), text.mid(1, text.size() - 2));
    }
}

QTEST_MAIN(MemoTest)
#include "MemoTest.moc"
