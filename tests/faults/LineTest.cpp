// Faults of the serial line through the real main window on a real pseudo-terminal: the far
// end hangs up in the middle of a line, binary noise at full speed, a line that never ends.

#include <QAbstractButton>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "EventLoop.h"
#include "Files.h"
#include "LineAssembler.h"
#include "Memo.h"
#include "PtyFeeder.h"
#include "ReferenceLines.h"
#include "ResidentMemory.h"
#include "Texts.h"
#include "WindowOnLine.h"

using kvq::BoxMessage;
using kvq::LineAssembler;

namespace {

constexpr std::size_t kMegabyte = 1024 * 1024;
// Megabytes through a pseudo-terminal into a sanitizer build on a busy machine.
constexpr int kBulkTimeoutMs = 5 * kGuardMs;

// What the pane holds, and the resident set beside it.
struct Footprint {
    std::size_t resident = 0;
    std::size_t lines = 0;
    std::size_t bytes = 0;
};

Footprint FootprintOf(const kvq::Memo& pane) {
    Footprint footprint{ResidentBytes(), pane.LineCount(), 0};
    for (const std::string_view line : pane.StoredLines()) {
        footprint.bytes += line.size();
    }
    return footprint;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kAddressSanitizer = false;
#endif

// Every byte value alike, so zero bytes, bells, backspaces, CRs and line feeds all come.
std::string Noise(std::size_t size) {
    std::mt19937_64 random(20261208);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

// A line of `size` bytes that says where it is: "1 2 3 " and then blocks of eight hex digits,
// each the offset at which it stands, with no separator. Type 5 takes it as four fields.
std::string SelfDescribingLine(std::size_t size) {
    std::string line = "1 2 3 ";
    char block[9];
    while (line.size() < size) {
        std::snprintf(block, sizeof block, "%08zX", line.size());
        line += block;
    }
    line.resize(size);
    return line;
}

}  // namespace

class LineTest : public QObject {
    Q_OBJECT
private slots:
    void hangUpInTheMiddleOfALine();
    void reconnectAfterHangUpStartsAFreshLine();
    void binaryNoiseAtFullSpeed();
    void endlessLine_data();
    void endlessLine();
};

// The instrument's cable is pulled half-way through a line: one message, the receiver
// pauses, the lines received before are kept and saved as they came.
void LineTest::hangUpInTheMiddleOfALine() {
    WindowOnLine session(5);
    QVERIFY(session.line.IsValid());
    QVERIFY(session.StartReceiving());
    const std::vector<std::string> lines{"1 12.5 3.20 10:30", "2,12.4,3.18,10:31",
                                         "\xb2\xe2\xb5\xe3 12.5 3.20 10:33"};
    QVERIFY(session.line.Send(Joined(lines, "\r\n") + "3 12.6 3.2"));
    QVERIFY(RunEventsUntil([&] {
        return session.window->TextPane().LineCount() == 3 && session.Pending() == "3 12.6 3.2";
    }));
    const std::vector<bool> receivingCommands = session.window.CommandStates();

    session.line.HangUp();
    QVERIFY(RunEventsUntil([&] { return !session.window.messages.empty(); }));
    // The dead line stays readable for ever: give a second message every chance to come.
    QTest::qWait(300);
    QCOMPARE(session.window.messages.size(), std::size_t{1});
    QCOMPARE(
        session.window.messages.front(),
        (BoxMessage{QStringLiteral("COM错误"),
                    QString::fromLocal8Bit(std::strerror(EIO)) + QStringLiteral("\nCOM口操作失败"),
                    QMessageBox::Information}));
    QVERIFY(!session.window->Receiver().IsRunning());
    QVERIFY(!session.window->Receiver().IsTerminated());
    QCOMPARE(session.window.CommandStates(), receivingCommands);
    QCOMPARE(session.PaneLines(), lines);

    // The user stops and saves what came before the cable was pulled.
    QVERIFY(session.window.Click("Stop"));
    QCOMPARE(FileBytes(session.Save(QStringLiteral("kept"))),
             QByteArray::fromStdString(Joined(lines, "\r\n")));
    QCOMPARE(session.window.messages.size(), std::size_t{1});
}

// The half line of a dead connection belongs to it: after the port is opened again, the next
// connection's first line must not be glued onto it, which could make a plausible but false
// record.
void LineTest::reconnectAfterHangUpStartsAFreshLine() {
    WindowOnLine session(5);
    QVERIFY(session.StartReceiving());
    QVERIFY(session.line.Send("1 12.5 3.20 10:30\r\n3 12.6 3."));
    QVERIFY(RunEventsUntil([&] { return session.Pending() == "3 12.6 3."; }));
    session.line.HangUp();
    QVERIFY(RunEventsUntil([&] { return !session.window.messages.empty(); }));
    QVERIFY(session.window.Click("Stop"));

    PtyLine replugged;
    session.window.devices["COM1"] = replugged.DevicePath();
    QVERIFY(session.window.Click("OpenCom"));
    QVERIFY(session.window.Click("ReceiveData"));
    QVERIFY(session.window->Receiver().IsRunning());
    QVERIFY(replugged.Send("19 10:32\r\n4 12.5 3.19 10:33\r\n"));
    QVERIFY(RunEventsUntil([&] { return session.window->TextPane().LineCount() == 2; }));
    QCOMPARE(session.PaneLines(), (std::vector<std::string>{"19 10:32", "4 12.5 3.19 10:33"}));
    QCOMPARE(session.window.messages.size(), std::size_t{1});
}

// Ten megabytes of random bytes at full speed: nothing crashes, every byte is taken up by the
// byte rules exactly, and the memory the program grows by stays in proportion to what the
// pane holds.
void LineTest::binaryNoiseAtFullSpeed() {
    const std::string noise = Noise(10 * kMegabyte) + "\nend of noise";
    // The test's noise never comes near the bound on the line being built, which the
    // reference does not have.
    reference::LineBytes expected;
    expected.Feed(noise);
    QVERIFY(expected.longest < LineAssembler::kMaxLineBytes);
    QCOMPARE(expected.pending, std::string("end of noise"));

    WindowOnLine session(5);
    session.window->show();
    QVERIFY(session.StartReceiving());
    const kvq::Memo& pane = session.window->TextPane();
    // Fonts and glyphs for the first lines shown are paid once: growth counts from here.
    constexpr std::size_t kSettledLines = 4000;
    Footprint settled;
    {
        PtyFeeder feeder(session.line, noise);
        QVERIFY(RunEventsUntil(
            [&] {
                if (settled.resident == 0 && pane.LineCount() >= kSettledLines) {
                    settled = FootprintOf(pane);
                }
                return feeder.Finished() && pane.LineCount() >= expected.lines.size() &&
                       session.Pending() == expected.pending;
            },
            kBulkTimeoutMs));
        QVERIFY(feeder.Succeeded());
    }
    QVERIFY(session.window->Receiver().IsRunning());
    QVERIFY(session.window.messages.empty());
    const auto& stored = pane.StoredLines();
    QCOMPARE(stored.size(), expected.lines.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (stored[i] != reference::StoredInPane(expected.lines[i])) {
            QFAIL(qPrintable(QStringLiteral("pane line %1 differs").arg(i)));
        }
    }

    // Per line the pane keeps its bytes and a 12-byte index entry; only the rows on screen
    // are decoded and laid out. The budget is twice the bytes, 64 bytes a line and a few
    // blocks of the store: a pane that kept a laid-out copy of every line would need ten
    // times that.
    const Footprint end = FootprintOf(pane);
    QVERIFY(settled.resident > 0 && end.resident > 0);
    const std::size_t growth =
        end.resident > settled.resident ? end.resident - settled.resident : 0;
    const std::size_t lines = end.lines - settled.lines;
    const std::size_t bytes = end.bytes - settled.bytes;
    const std::size_t allowed = 2 * bytes + 64 * lines + 8 * kMegabyte;
    qInfo(
        "noise: %zu more lines, %zu more bytes in the pane, resident set grew by %zu bytes "
        "(allowed %zu)",
        lines, bytes, growth, allowed);
    if (kAddressSanitizer) {
        qInfo("not compared: AddressSanitizer keeps freed memory in quarantine");
        return;
    }
    QVERIFY2(growth <= allowed, qPrintable(QStringLiteral("grew by %1 bytes").arg(growth)));
}

void LineTest::endlessLine_data() {
    QTest::addColumn<std::size_t>("backspaces");  // beyond those that undo the uncounted bytes
    QTest::newRow("a line feed ends it at the bound") << std::size_t{0};
    QTest::newRow("backspaces undo the uncounted bytes first, then the kept ones")
        << std::size_t{5};
}

// Ten megabytes without a line feed: the window goes on turning its event loop while they
// arrive, the line being built never holds more than the bound, and the line feed makes one
// pane line of at most the bound whose first 4096 bytes are saved exactly.
void LineTest::endlessLine() {
    QFETCH(std::size_t, backspaces);
    constexpr std::size_t kBound = LineAssembler::kMaxLineBytes;
    const std::string line = SelfDescribingLine(10 * kMegabyte);

    WindowOnLine session(5);
    session.window->show();
    QVERIFY(session.StartReceiving());
    const LineAssembler& building = session.window->Receiver().LineBuffer();
    int turnsWhileArriving = 0;
    std::size_t mostHeld = 0;
    QTimer probe;
    probe.setInterval(0);  // every turn of the event loop
    connect(&probe, &QTimer::timeout, this, [&] {
        const std::size_t arrived = building.Pending().size() + building.Dropped();
        mostHeld = std::max(mostHeld, building.Pending().size());
        if (arrived > 0 && arrived < line.size()) {
            ++turnsWhileArriving;
        }
    });
    probe.start();
    {
        PtyFeeder feeder(session.line, line);
        QVERIFY(RunEventsUntil(
            [&] {
                return feeder.Finished() &&
                       building.Pending().size() + building.Dropped() == line.size();
            },
            kBulkTimeoutMs));
        QVERIFY(feeder.Succeeded());
    }
    probe.stop();
    qInfo("%d turns of the event loop while the line arrived", turnsWhileArriving);
    // A pseudo-terminal's input queue holds a few KiB: the line takes thousands of read steps,
    // each on a turn of the event loop of its own, and the probe runs on every turn. A read
    // step that waited for the end of the line would have held the loop for all of it.
    QVERIFY2(turnsWhileArriving >= 100, qPrintable(QString::number(turnsWhileArriving)));
    QVERIFY(mostHeld <= kBound);
    QCOMPARE(building.Pending(), std::string_view(line).substr(0, kBound));
    QCOMPARE(building.Dropped(), line.size() - kBound);
    QCOMPARE(session.window->TextPane().LineCount(), std::size_t{0});

    std::string expectedLine = line.substr(0, kBound);
    std::string end = "\n";
    if (backspaces > 0) {
        end = std::string(building.Dropped() + backspaces, '\b') + "Z\n";
        expectedLine = line.substr(0, kBound - backspaces) + "Z";
    }
    {
        PtyFeeder feeder(session.line, end);
        QVERIFY(RunEventsUntil(
            [&] { return feeder.Finished() && session.window->TextPane().LineCount() == 1; },
            kBulkTimeoutMs));
        QVERIFY(feeder.Succeeded());
    }
    QVERIFY(session.window->TextPane().StoredLines().front() == expectedLine);
    QVERIFY(building.Pending().empty());
    QCOMPARE(building.Dropped(), std::size_t{0});

    QVERIFY(session.window.Click("Stop"));
    QCOMPARE(FileBytes(session.Save(QStringLiteral("long"))),
             QByteArray::fromStdString(line.substr(0, 4096) + "\r\n"));
    QVERIFY(session.window.messages.empty());
}

QTEST_MAIN(LineTest)
#include "LineTest.moc"
