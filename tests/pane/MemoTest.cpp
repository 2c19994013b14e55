// The text pane: what it keeps of each line, how it shows it, selection and copy, scrolling,
// and what screen readers read of it.

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QClipboard>
#include <QElapsedTimer>
#include <QMenu>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "EventLoop.h"
#include "Memo.h"
#include "MemoAccessible.h"

Q_DECLARE_METATYPE(std::string)

using kvq::TextPosition;

class MemoTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void keepsTheStoredBytes_data();
    void keepsTheStoredBytes();
    void rowsPaintedAreTheLinesDecoded();
    void burstOfReadStepsIsOnePaint();
    void widestLineSetsTheHorizontalRange();
    void wideRowIsMeasuredBeforeTheBarMoves_data();
    void wideRowIsMeasuredBeforeTheBarMoves();
    void paneBehaviours_data();
    void paneBehaviours();
    void dragBeyondAnEdgeScrolls_data();
    void dragBeyondAnEdgeScrolls();
    void contextMenu_data();
    void contextMenu();
    void selectedLineEndsShow();
    void rawBytesShowTheirCodes();
    void caretBlinksOnlyWithFocus();
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
    // Lines the last paint showed, as the pane's last refresh took them in.
    std::size_t paintedLines = 0;
    ShownPane() {
        QObject::connect(&memo, &kvq::Memo::painted,
                         [this](std::size_t lines) { paintedLines = lines; });
        memo.resize(361, 277);
        memo.show();
        QVERIFY(QTest::qWaitForWindowExposed(&memo));
    }
    // Appends the lines; they are on screen when it returns.
    void Show(const std::vector<std::string>& lines) {
        memo.AppendLines(lines);
        WaitForFrame();
    }
    // Until a paint has shown every line: the frame that coalesces appends has passed.
    void WaitForFrame() {
        QVERIFY2(RunEventsUntil([this] { return paintedLines == memo.LineCount(); }),
                 qPrintable(QStringLiteral("gave up waiting for a paint of all %1 lines")
                                .arg(memo.LineCount())));
    }
    QImage Grab() {
        WaitForFrame();
        return memo.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
};

std::vector<std::string> Numbered(int count, int first = 0) {
    std::vector<std::string> lines;
    for (int i = first; i < first + count; ++i) {
        lines.push_back("line " + std::to_string(i) + " 1.5 2.5");
    }
    return lines;
}

// Where a character is drawn: a pixel into it at the left, half way down, in viewport
// coordinates.
QPoint At(const kvq::Memo& memo, std::size_t line, int column) {
    const QRect place = memo.CharacterRect({line, column});
    return QPoint(place.left() + 1, place.center().y());
}

TextPosition PositionFrom(const QString& text) {
    const QStringList parts = text.split(u':');
    return {parts[0].toULongLong(), parts[1].toInt()};
}

// The user's action on a shown pane, as steps separated by "; ". Points are where the
// characters are drawn before the action starts, as a user aims at what is on screen.
//   press|move|release|click|shift-click|double|triple L:C   the mouse at line L, column C
//   key SEQUENCE      a key with its modifiers ("Shift+Up", "Ctrl+End", "PgUp")
//   arrive N          N more lines arrive (a read step) and their frame passes
//   wheel N           the wheel turns N notches towards the end (negative: the start)
//   thumb, unthumb    the left button pressed on, released over the vertical scroll bar's thumb
struct Action {
    explicit Action(ShownPane& shown) : pane(shown), memo(shown.memo) {}

    void Run(const QString& steps) {
        struct Step {
            QString verb;
            QString argument;
            QPoint point;
        };
        std::vector<Step> planned;
        for (const QString& step : steps.split(QStringLiteral("; "))) {
            const QString verb = step.section(u' ', 0, 0);
            const QString argument = step.section(u' ', 1);
            const bool mouse = argument.contains(u':');
            const TextPosition at = mouse ? PositionFrom(argument) : TextPosition{};
            planned.push_back({verb, argument, mouse ? At(memo, at.line, at.column) : QPoint()});
        }
        for (const Step& step : planned) {
            Do(step.verb, step.argument, step.point);
        }
    }

    void Do(const QString& verb, const QString& argument, QPoint point) {
        QWidget* view = memo.viewport();
        if (verb == "press" || verb == "click" || verb == "shift-click") {
            const Qt::KeyboardModifiers shift =
                verb == "shift-click" ? Qt::ShiftModifier : Qt::NoModifier;
            QTest::mousePress(view, Qt::LeftButton, shift, point);
            if (verb != "press") {
                QTest::mouseRelease(view, Qt::LeftButton, shift, point);
            }
        } else if (verb == "double" || verb == "triple") {
            QTest::mouseDClick(view, Qt::LeftButton, {}, point);
            if (verb == "triple") {
                QTest::mousePress(view, Qt::LeftButton, {}, point);
            }
        } else if (verb == "move") {
            QMouseEvent move(QEvent::MouseMove, point, view->mapToGlobal(point), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(view, &move);
        } else if (verb == "release") {
            QTest::mouseRelease(view, Qt::LeftButton, {}, point);
        } else if (verb == "key") {
            const QKeyCombination key = QKeySequence::fromString(argument)[0];
            QTest::keyClick(&memo, key.key(), key.keyboardModifiers());
        } else if (verb == "arrive") {
            pane.Show(Numbered(argument.toInt(), static_cast<int>(memo.LineCount())));
        } else {
            Scroll(verb, argument);
        }
    }

    void Scroll(const QString& verb, const QString& argument) {
        QScrollBar* bar = memo.verticalScrollBar();
        // At the bottom the thumb ends just above the arrow at the end of the track.
        const QPoint thumb(bar->width() / 2, bar->height() - bar->width() - 3);
        if (verb == "wheel") {
            const QPoint middle = memo.viewport()->rect().center();
            const int notch = argument.toInt() < 0 ? 120 : -120;
            for (int turned = 0; turned < std::abs(argument.toInt()); ++turned) {
                QWheelEvent wheel(middle, memo.viewport()->mapToGlobal(middle), {},
                                  QPoint(0, notch), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                                  false);
                QCoreApplication::sendEvent(memo.viewport(), &wheel);
            }
        } else if (verb == "thumb") {
            QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
            QVERIFY2(bar->isSliderDown(), "the press did not take the scroll bar's thumb");
        } else {
            QVERIFY2(verb == "unthumb", qPrintable("no such step: " + verb));
            QTest::mouseRelease(bar, Qt::LeftButton, {}, thumb);
        }
    }

    ShownPane& pane;
    kvq::Memo& memo;
};

}  // namespace

void MemoTest::initTestCase() {
    // As the program does when it starts.
    kvq::MemoAccessible::Install();
}

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

// Each row on screen is its stored line decoded: the pane scrolled to the bottom of 300
// lines looks as the text of its rows drawn one under the other by a plain QPainter.
void MemoTest::rowsPaintedAreTheLinesDecoded() {
    ShownPane pane;
    pane.memo.clearFocus();  // no caret
    const std::vector<std::string> lines = Numbered(300);
    pane.memo.AppendLines(lines);
    const QImage shown = pane.Grab();
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
    pane.WaitForFrame();
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
    pane.WaitForFrame();
    QCOMPARE(pane.memo.LineCount(), std::size_t{kSteps * 40});
    QVERIFY2(paints >= 1 && paints <= frames + 3,
             qPrintable(QStringLiteral("%1 paints in %2 frames").arg(paints).arg(frames)));
    QCOMPARE(pane.memo.verticalScrollBar()->value(), pane.memo.verticalScrollBar()->maximum());
}

void MemoTest::widestLineSetsTheHorizontalRange() {
    ShownPane pane;
    QScrollBar* bar = pane.memo.horizontalScrollBar();
    pane.Show({"short"});
    QCOMPARE(bar->maximum(), 0);
    // A wide line arrives and scrolls out of view at once: the range still reaches it.
    std::vector<std::string> lines{std::string(300, 'W')};
    const std::vector<std::string> more = Numbered(100);
    lines.insert(lines.end(), more.begin(), more.end());
    pane.Show(lines);
    const int wide = pane.memo.fontMetrics().horizontalAdvance(QString(300, 'W'));
    QVERIFY2(bar->maximum() + pane.memo.viewport()->width() >= wide,
             qPrintable(QStringLiteral("%1 + %2 < %3")
                            .arg(bar->maximum())
                            .arg(pane.memo.viewport()->width())
                            .arg(wide)));
}

void MemoTest::wideRowIsMeasuredBeforeTheBarMoves_data() {
    QTest::addColumn<std::vector<std::string>>("lines");
    // "Ctrl+End"; "thumb" dragged to the bar's end; "right edge", the bar's own menu item
    QTest::addColumn<QString>("reach");
    // The last line is no longer in bytes than the first, but wider: its framed codes are
    // wider than characters, and it is laid out only as far as it is seen.
    const std::string codes = std::string(200, 'a') + std::string(100, '\x01');
    QTest::newRow("Ctrl+End on a line of framed codes")
        << std::vector<std::string>{std::string(300, 'a'), codes} << "Ctrl+End";
    QTest::newRow("the bar's right edge on a line of framed codes")
        << std::vector<std::string>{std::string(300, 'a'), codes} << "right edge";
    std::string longCodes(65536, 'a');
    for (std::size_t i = 0; i < longCodes.size(); i += 7) {
        longCodes[i] = '\x01';
    }
    QTest::newRow("the thumb dragged to the end of a 64 KiB line with framed codes")
        << std::vector<std::string>{std::string(65536, 'a'), longCodes} << "thumb";
}

// The horizontal range reaches the end of a row the user takes the caret or the bar to, the
// first time.
void MemoTest::wideRowIsMeasuredBeforeTheBarMoves() {
    QFETCH(std::vector<std::string>, lines);
    QFETCH(QString, reach);
    ShownPane pane;
    pane.Show(lines);
    QScrollBar* bar = pane.memo.horizontalScrollBar();
    if (reach == "thumb") {
        // The thumb stands at the start, just after the arrow button.
        const QPoint thumb(bar->height() + 3, bar->height() / 2);
        QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
        QVERIFY2(bar->isSliderDown(), "the press did not take the horizontal thumb");
        const QPoint beyond(bar->width() + 100, thumb.y());
        QMouseEvent move(QEvent::MouseMove, beyond, bar->mapToGlobal(beyond), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &move);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, beyond);
    } else if (reach == "right edge") {
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
    } else {
        const QKeyCombination key = QKeySequence::fromString(reach)[0];
        QTest::keyClick(&pane.memo, key.key(), key.keyboardModifiers());
    }
    const std::size_t last = lines.size() - 1;
    const auto length = static_cast<int>(pane.memo.LineText(last).size());
    const int end = pane.memo.CharacterRect({last, length}).left();
    QVERIFY2(end >= 0 && end < pane.memo.viewport()->width(),
             qPrintable(QStringLiteral("the line ends at %1 in a view %2 wide")
                            .arg(end)
                            .arg(pane.memo.viewport()->width())));
}

void MemoTest::paneBehaviours_data() {
    QTest::addColumn<std::vector<std::string>>("lines");
    QTest::addColumn<int>("scrolledTo");  // -1: as the lines left it, at the bottom
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("view");  // "bottom", "bottom-N", "bottom-page", "page" or a row
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("caret");  // "-": not looked at
    QTest::addColumn<bool>("offered");   // as the X selection
    const auto few = Numbered(3);
    const auto many = Numbered(200);
    const auto more = Numbered(500);
    const QString all = "line 0 1.5 2.5\nline 1 1.5 2.5\nline 2 1.5 2.5";
    const std::vector<std::string> chinese{"\xb2\xe2\xca\xd4,12 ab"};
    // Following and holding the view while lines arrive.
    QTest::newRow("new lines follow a view at the bottom") << many << -1 << "arrive 5"
                                                           << "bottom"
                                                           << ""
                                                           << "204:16" << false;
    QTest::newRow("a view scrolled up stays while lines arrive") << many << 50 << "arrive 5"
                                                                 << "50"
                                                                 << ""
                                                                 << "204:16" << false;
    QTest::newRow("the wheel back to the bottom follows again")
        << many << 50 << "wheel 100; arrive 5"
        << "bottom"
        << ""
        << "204:16" << false;
    QTest::newRow("Ctrl+End follows again") << many << 0 << "key Ctrl+End; arrive 2"
                                            << "bottom"
                                            << ""
                                            << "201:16" << false;
    QTest::newRow("a held scroll bar thumb stays while lines arrive")
        << many << -1 << "thumb; arrive 5"
        << "bottom-5"
        << ""
        << "-" << false;
    QTest::newRow("the thumb let go at the bottom follows again")
        << many << -1 << "thumb; arrive 5; unthumb"
        << "bottom"
        << ""
        << "-" << false;
    QTest::newRow("a drag holds the view while lines arrive")
        << many << -1 << "press 190:2; arrive 3; move 191:4; release 191:4"
        << "bottom"
        << "ne 190 1.5 2.5\nline"
        << "191:4" << true;
    QTest::newRow("a drag in a scrolled-up view selects what was pointed at")
        << many << 0 << "press 3:0; arrive 1; move 3:4; release 3:4"
        << "0"
        << "line"
        << "3:4" << true;
    QTest::newRow("Ctrl+A offers all and the selection keeps to it while lines arrive")
        << few << -1 << "key Ctrl+A; arrive 2"
        << "bottom" << all << "2:14" << true;
    // The mouse.
    QTest::newRow("a click selects nothing and offers nothing") << few << -1 << "click 1:3"
                                                                << "bottom"
                                                                << ""
                                                                << "1:3" << false;
    QTest::newRow("drag over a line end") << few << -1 << "press 0:7; move 1:4; release 1:4"
                                          << "bottom"
                                          << "1.5 2.5\nline"
                                          << "1:4" << true;
    QTest::newRow("drag upwards") << few << -1 << "press 2:4; move 1:5; release 1:5"
                                  << "bottom"
                                  << "1 1.5 2.5\nline"
                                  << "1:5" << true;
    QTest::newRow("Shift+click extends from the caret") << few << -1 << "click 0:5; shift-click 2:6"
                                                        << "bottom"
                                                        << "0 1.5 2.5\nline 1 1.5 2.5\nline 2"
                                                        << "2:6" << true;
    QTest::newRow("a stray Shift+click extends from the caret at the end, not from the top")
        << few << -1 << "shift-click 1:5"
        << "bottom"
        << "1 1.5 2.5\nline 2 1.5 2.5"
        << "1:5" << true;
    QTest::newRow("double click selects a number between blanks")
        << few << -1 << "double 1:8; release 1:8"
        << "bottom"
        << "1.5"
        << "1:10" << true;
    QTest::newRow("double click selects a run of Chinese characters")
        << chinese << -1 << "double 0:1; release 0:1"
        << "bottom"
        << "测试"
        << "0:2" << true;
    QTest::newRow("double click selects a field between commas")
        << chinese << -1 << "double 0:3; release 0:3"
        << "bottom"
        << "12"
        << "0:5" << true;
    QTest::newRow("double click and drag goes by words")
        << few << -1 << "double 0:8; move 1:12; release 1:12"
        << "bottom"
        << "1.5 2.5\nline 1 1.5 2.5"
        << "1:14" << true;
    QTest::newRow("triple click selects the line with its line end")
        << few << -1 << "triple 1:3; release 1:3"
        << "bottom"
        << "line 1 1.5 2.5\n"
        << "2:0" << true;
    // The caret and the keys.
    QTest::newRow("Shift+Up selects from the caret at the end") << few << -1 << "key Shift+Up"
                                                                << "bottom"
                                                                << "\nline 2 1.5 2.5"
                                                                << "1:14" << true;
    QTest::newRow("Home and Shift+End select a line")
        << few << -1 << "click 1:3; key Home; key Shift+End"
        << "bottom"
        << "line 1 1.5 2.5"
        << "1:14" << true;
    QTest::newRow("Right goes over a line end, Shift+Right selects")
        << few << -1 << "click 0:14; key Right; key Shift+Right"
        << "bottom"
        << "l"
        << "1:1" << true;
    QTest::newRow("Ctrl+Right moves by words, Ctrl+Shift+Right selects")
        << few << -1 << "click 0:0; key Ctrl+Right; key Ctrl+Shift+Right"
        << "bottom"
        << "0 "
        << "0:7" << true;
    QTest::newRow("Ctrl+Left moves by words, Ctrl+Shift+Left selects")
        << few << -1 << "click 1:7; key Ctrl+Left; key Ctrl+Shift+Left"
        << "bottom"
        << "line "
        << "1:0" << true;
    QTest::newRow("Up and Down keep to the column a run of them began at")
        << std::vector<std::string>{"line 0 1.5 2.5", "ab", "line 2 1.5 2.5"} << -1
        << "click 0:10; key Down; key Down"
        << "bottom"
        << ""
        << "2:10" << false;
    QTest::newRow("Ctrl+Home takes the caret and the view to the top")
        << more << -1 << "key Ctrl+Home"
        << "0"
        << ""
        << "0:0" << false;
    QTest::newRow("Page Up turns a page with the caret") << more << -1 << "key PgUp"
                                                         << "bottom-page"
                                                         << ""
                                                         << "-" << false;
    QTest::newRow("Page Down turns a page with the caret")
        << more << -1 << "key Ctrl+Home; key PgDown"
        << "page"
        << ""
        << "-" << false;
}

void MemoTest::paneBehaviours() {
    QFETCH(std::vector<std::string>, lines);
    QFETCH(int, scrolledTo);
    QFETCH(QString, action);
    QFETCH(QString, view);
    QFETCH(QString, selected);
    QFETCH(QString, caret);
    QFETCH(bool, offered);
    ShownPane pane;
    pane.Show(lines);
    QScrollBar* bar = pane.memo.verticalScrollBar();
    if (scrolledTo >= 0) {
        bar->setValue(scrolledTo);
    }
    QSignalSpy offers(&pane.memo.Control(), &kvq::PaneControl::selectionOffered);
    Action(pane).Run(action);
    if (QTest::currentTestFailed()) {
        return;
    }
    const int page = pane.memo.WholeRows();
    const int expected = view == "bottom-page"        ? bar->maximum() - page
                         : view == "page"             ? page
                         : view.startsWith("bottom-") ? bar->maximum() - view.mid(7).toInt()
                         : view == "bottom"           ? bar->maximum()
                                                      : view.toInt();
    QCOMPARE(bar->value(), expected);
    if (!bar->isSliderDown()) {
        QCOMPARE(pane.memo.Following(), bar->value() == bar->maximum());
    }
    QCOMPARE(pane.memo.Control().SelectedText(), selected);
    if (caret != "-") {
        QCOMPARE(pane.memo.Control().Cursor(), PositionFrom(caret));
    }
    QCOMPARE(!offers.isEmpty(), offered);
    // Only X11 has the selection; elsewhere the offer is where it would have been made.
    QClipboard* clipboard = QApplication::clipboard();
    if (offered && clipboard->supportsSelection()) {
        QCOMPARE(clipboard->text(QClipboard::Selection), selected);
    }
}

void MemoTest::dragBeyondAnEdgeScrolls_data() {
    QTest::addColumn<QString>("edge");
    QTest::newRow("below the bottom") << "bottom";
    QTest::newRow("above the top") << "top";
    QTest::newRow("right of the right edge") << "right";
    QTest::newRow("left of the left edge") << "left";
}

// With the button held beyond an edge and the mouse at rest, the view goes on scrolling, in
// larger steps the farther the pointer is, and the selection follows to under the pointer.
void MemoTest::dragBeyondAnEdgeScrolls() {
    QFETCH(QString, edge);
    ShownPane pane;
    std::vector<std::string> lines = Numbered(500);
    for (std::string& line : lines) {
        line += std::string(400, 'x');
    }
    pane.Show(lines);
    const bool vertical = edge == "bottom" || edge == "top";
    QScrollBar* bar = vertical ? pane.memo.verticalScrollBar() : pane.memo.horizontalScrollBar();
    bar->setValue(bar->maximum() / 2);
    pane.memo.verticalScrollBar()->setValue(250);
    QWidget* view = pane.memo.viewport();
    const QPoint start = view->rect().center();
    QTest::mousePress(view, Qt::LeftButton, {}, start);
    std::vector<int> steps;
    connect(bar, &QScrollBar::valueChanged, this, [&steps, last = bar->value()](int value) mutable {
        steps.push_back(std::abs(value - last));
        last = value;
    });
    std::vector<int> stepOf;
    for (const int distance : {2, 100}) {
        const QPoint point = edge == "bottom"  ? QPoint(start.x(), view->height() + distance)
                             : edge == "top"   ? QPoint(start.x(), -distance)
                             : edge == "right" ? QPoint(view->width() + distance, start.y())
                                               : QPoint(-distance, start.y());
        QMouseEvent move(QEvent::MouseMove, point, view->mapToGlobal(point), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &move);
        steps.clear();
        QVERIFY2(RunEventsUntil([&] { return steps.size() >= 2; }),
                 "the view did not scroll on with the mouse at rest beyond the edge");
        QCOMPARE(pane.memo.Control().Cursor(), pane.memo.PositionAt(point));
        stepOf.push_back(steps[1]);
    }
    QVERIFY2(stepOf[1] > stepOf[0],
             qPrintable(QStringLiteral("%1 <= %2").arg(stepOf[1]).arg(stepOf[0])));
    QTest::mouseRelease(view, Qt::LeftButton, {}, start);
}

void MemoTest::contextMenu_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("selection");
    QTest::newRow("right click with a selection") << "right click" << true;
    QTest::newRow("right click without a selection") << "right click" << false;
    QTest::newRow("the Menu key") << "Menu" << true;
    QTest::newRow("Shift+F10") << "Shift+F10" << false;
}

// The pane's own menu, in Chinese on every system: "复制" (only with a selection) and "全选".
void MemoTest::contextMenu() {
    QFETCH(QString, how);
    QFETCH(bool, selection);
    ShownPane pane;
    pane.Show(Numbered(3));
    if (selection) {
        pane.memo.Control().Select({0, 0}, {0, 4});
    }
    if (how == "right click") {
        // Through the window, as the system delivers it, so the toolkit makes the menu event.
        QTest::mouseClick(pane.memo.windowHandle(), Qt::RightButton, {},
                          pane.memo.viewport()->mapTo(&pane.memo, At(pane.memo, 1, 2)));
    } else {
        const QKeyCombination key = QKeySequence::fromString(how)[0];
        QTest::keyClick(&pane.memo, key.key(), key.keyboardModifiers());
    }
    QMenu* menu = nullptr;
    QVERIFY2(RunEventsUntil([&] {
                 menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                 return menu != nullptr;
             }),
             "no context menu opened");
    const QList<QAction*> actions = menu->actions();
    QCOMPARE(actions.size(), 2);
    QCOMPARE(actions[0]->text(), QString("复制"));
    QCOMPARE(actions[0]->shortcut(), QKeySequence(QKeySequence::Copy));
    QCOMPARE(actions[0]->isEnabled(), selection);
    QCOMPARE(actions[1]->text(), QString("全选"));
    QCOMPARE(actions[1]->shortcut(), QKeySequence(QKeySequence::SelectAll));
    QVERIFY(actions[1]->isEnabled());
    QSignalSpy offers(&pane.memo.Control(), &kvq::PaneControl::selectionOffered);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(actions[1]).center());
    QCOMPARE(pane.memo.Control().SelectedText(),
             QString("line 0 1.5 2.5\nline 1 1.5 2.5\nline 2 1.5 2.5"));
    QCOMPARE(offers.size(), 1);
}

// A selection over a line end shows a block where the line feed is, empty lines too; the
// last line's end, not selected, shows none.
void MemoTest::selectedLineEndsShow() {
    ShownPane pane;
    pane.Show({"ab", "", "cd"});
    pane.memo.clearFocus();
    pane.memo.Control().SelectAll();
    const QImage shown = pane.Grab();
    const QRgb highlight = pane.memo.palette().color(QPalette::Highlight).rgb();
    const auto after = [&](std::size_t line, int column) {
        return shown.pixel(pane.memo.CharacterRect({line, column}).topLeft() + QPoint(1, 2));
    };
    QCOMPARE(after(0, 2), highlight);
    QCOMPARE(after(1, 0), highlight);
    QVERIFY(after(2, 2) != highlight);
}

// Control bytes and bytes that are not GBK show their codes, each its own, whatever the
// fonts lack.
void MemoTest::rawBytesShowTheirCodes() {
    ShownPane pane;
    const std::vector<std::string> lines{"\x01", "\x02", "\rx", "\x1b", "\x7f", "\xff", "\x81"};
    pane.Show(lines);
    pane.memo.clearFocus();
    const QImage shown = pane.Grab();
    std::vector<QImage> codes;
    for (std::size_t line = 0; line < lines.size(); ++line) {
        const QImage code = shown.copy(pane.memo.CharacterRect({line, 0}));
        QVERIFY2(code.width() > pane.memo.fontMetrics().averageCharWidth(),
                 qPrintable(QStringLiteral("line %1: %2 pixels wide").arg(line).arg(code.width())));
        for (const QImage& other : codes) {
            QVERIFY2(code != other,
                     qPrintable(QStringLiteral("line %1 looks like another").arg(line)));
        }
        codes.push_back(code);
    }
}

void MemoTest::caretBlinksOnlyWithFocus() {
    ShownPane pane;
    pane.Show(Numbered(3));
    pane.memo.activateWindow();
    pane.memo.setFocus();
    int changes = 0;
    bool was = pane.memo.Control().CaretShown();
    QVERIFY2(RunEventsUntil([&] {
                 changes += pane.memo.Control().CaretShown() != was ? 1 : 0;
                 was = pane.memo.Control().CaretShown();
                 return changes >= 2;
             }),
             "the caret did not blink in the focused pane");
    pane.memo.clearFocus();
    QVERIFY(!pane.memo.Control().CaretShown());
    RunEventsFor(QApplication::cursorFlashTime());
    QVERIFY(!pane.memo.Control().CaretShown());
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
    pane.memo.Control().SelectAll();
    pane.memo.Clear();
    QCOMPARE(pane.memo.LineCount(), std::size_t{0});
    QVERIFY(!pane.memo.HasLine());
    QVERIFY(!pane.memo.Control().HasSelection());
    QCOMPARE(pane.memo.verticalScrollBar()->maximum(), 0);
    QCOMPARE(pane.memo.Text().CharacterCount(), 0);
    pane.memo.AppendLines(std::vector<std::string>{"c"});
    QCOMPARE(pane.memo.LineText(0), QString("c"));
    QCOMPARE(pane.memo.Text().CharacterCount(), 1);
}

void MemoTest::accessibleTextIsTheDecodedLines_data() {
    QTest::addColumn<std::vector<std::string>>("lines");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("word");  // the word at offset 1, as a double click selects it
    QTest::newRow("one line") << std::vector<std::string>{"1 2"} << QString("1 2") << " ";
    QTest::newRow("GBK and an empty line")
        << std::vector<std::string>{"\xb2\xe2\xca\xd4", "", "x\x01"}
        << QString("测试\n\nx") + QChar(0x2401) << "测试";
    QTest::newRow("two values joined by a comma are two words")
        << std::vector<std::string>{"12.5,3.2"} << QString("12.5,3.2") << "12.5";
    QTest::newRow("no lines") << std::vector<std::string>{} << QString() << "";
}

void MemoTest::accessibleTextIsTheDecodedLines() {
    QFETCH(std::vector<std::string>, lines);
    QFETCH(QString, text);
    QFETCH(QString, word);
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
    int wordFrom = -1;
    int wordTo = -1;
    QCOMPARE(textInterface->textAtOffset(1, QAccessible::WordBoundary, &wordFrom, &wordTo), word);
    if (!text.isEmpty()) {
        textInterface->setSelection(0, 1, text.size() - 1);
        QCOMPARE(pane.memo.Control().SelectedText(), text.mid(1, text.size() - 2));
    }
}

QTEST_MAIN(MemoTest)
#include "MemoTest.moc"
