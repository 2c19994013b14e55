#include <QtTest>
#include <cerrno>
#include <cstring>

#include "EventLoop.h"
#include "ObservedPort.h"
#include "PtyFeeder.h"
#include "PtyLine.h"
#include "Rdcom.h"
#include "ReceiverSinks.h"

namespace {

// The receiver on a real pty, wired as the main window wires it.
struct Rig {
    PtyLine pty;
    std::unique_ptr<kvq::SerialPort> real = kvq::CreatePlatformSerialPort();
    ObservedPort port{*real};
    RecordingLines lines;
    RecordingMessages messages;
    kvq::ReadCom receiver{lines, messages};

    bool Open() {
        const bool ok = pty.IsValid() && real->Open(pty.DevicePath()) && real->ReadSettings() &&
                        real->WriteSettings(kvq::LineSettings{});
        if (ok) {
            receiver.SetPortHandle(&port);
        }
        return ok;
    }
};

std::vector<std::string> Strings(const QList<QByteArray>& list) {
    std::vector<std::string> out;
    for (const QByteArray& b : list) {
        out.emplace_back(b.constData(), static_cast<std::size_t>(b.size()));
    }
    return out;
}

}  // namespace

class ReadComTest : public QObject {
    Q_OBJECT

private slots:
    void byteRules_data();
    void byteRules();
    void everythingWaitingIsReadInOneStep_data();
    void everythingWaitingIsReadInOneStep();
    void tenMegabytesAtFullSpeed();
    void pausedReceiverHandsNothingOver();
    void pauseAndResumeAreStates_data();
    void pauseAndResumeAreStates();
    void noPortReadsNothing();
    void reopenedPortIsFollowed();
    void hangUpGivesOneMessageAndPauses_data();
    void hangUpGivesOneMessageAndPauses();
};

void ReadComTest::byteRules_data() {
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<QByteArray>("pending");

    using L = QList<QByteArray>;
    QTest::newRow("line built across reads") << L{"ab", "c", "d\n"} << L{"abcd"} << QByteArray();
    QTest::newRow("bell leaves no trace") << L{"\aa\ab\a\n"} << L{"ab"} << QByteArray();
    QTest::newRow("backspace removes one byte") << L{"abc\b\n"} << L{"ab"} << QByteArray();
    QTest::newRow("backspace removes half of a GBK character")
        << L{"\xb2\xe2\b\n"} << L{"\xb2"} << QByteArray();
    QTest::newRow("backspace in a later read") << L{"ab", "\b\bc\n"} << L{"c"} << QByteArray();
    QTest::newRow("backspace on an empty line does nothing")
        << L{"\b\bx\n"} << L{"x"} << QByteArray();
    QTest::newRow("empty lines") << L{"\n\n", "\n"} << L{"", "", ""} << QByteArray();
    QTest::newRow("CR LF hands over the CR") << L{"a\r\n"} << L{"a\r"} << QByteArray();
    QTest::newRow("CR LF split across reads") << L{"a\r", "\n"} << L{"a\r"} << QByteArray();
    QTest::newRow("CR without LF ends no line")
        << L{"a\rb\n", "c\r"} << L{"a\rb"} << QByteArray("c\r");
    QTest::newRow("zero byte is kept")
        << L{QByteArray("a\0b\n", 4)} << L{QByteArray("a\0b", 3)} << QByteArray();
    QTest::newRow("partial line waits for its line feed")
        << L{"one\ntw", "o"} << L{"one"} << QByteArray("two");
}

void ReadComTest::byteRules() {
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QList<QByteArray>, lines);
    QFETCH(QByteArray, pending);

    Rig rig;
    QVERIFY(rig.Open());
    rig.receiver.Resume();
    std::size_t sent = 0;
    for (const QByteArray& chunk : reads) {
        // Each chunk is taken up before the next is sent, so it is a read of its own.
        QVERIFY(rig.pty.Send(chunk.toStdString()));
        sent += static_cast<std::size_t>(chunk.size());
        QTRY_COMPARE_WITH_TIMEOUT(rig.port.bytesRead, sent, kGuardMs);
    }
    QCOMPARE(rig.lines.all, Strings(lines));
    QCOMPARE(QByteArray(rig.receiver.LineBuffer().Pending().data(),
                        qsizetype(rig.receiver.LineBuffer().Pending().size())),
             pending);
}

void ReadComTest::everythingWaitingIsReadInOneStep_data() {
    QTest::addColumn<int>("size");
    QTest::newRow("1024 bytes: one full read") << 1024;
    QTest::newRow("1025 bytes: none discarded") << 1025;
    QTest::newRow("4000 bytes: none discarded") << 4000;
}

void ReadComTest::everythingWaitingIsReadInOneStep() {
    QFETCH(int, size);

    Rig rig;
    QVERIFY(rig.Open());
    // A receiver with a port takes bytes as they come; these are to wait in the port.
    rig.receiver.SetPortHandle(nullptr);
    const std::string bytes = NumberedBytes(size);
    QVERIFY(rig.pty.Send(bytes));
    QTRY_COMPARE_WITH_TIMEOUT(rig.pty.InputQueued(), size, kGuardMs);

    rig.receiver.SetPortHandle(&rig.port);
    rig.receiver.Resume();
    QTRY_COMPARE_WITH_TIMEOUT(rig.port.bytesRead, std::size_t(size), kGuardMs);
    QCOMPARE(rig.port.statusQueries, 1);
    QCOMPARE(rig.port.reads, (size + 1023) / 1024);
    QCOMPARE(rig.port.largestRead, std::size_t(1024));
    QCOMPARE(rig.lines.calls.size(), std::size_t(1));

    QCOMPARE(Reassembled(rig.lines, rig.receiver.LineBuffer().Pending()), bytes);
}

void ReadComTest::tenMegabytesAtFullSpeed() {
    Rig rig;
    QVERIFY(rig.Open());
    constexpr int kLines = 10 * 1024 * 1024 / 64;
    std::string bytes;
    for (int i = 0; i < kLines; ++i) {
        bytes += QByteArray::number(i).rightJustified(8, '0').toStdString() + " " +
                 std::string(54, 'a' + i % 26) + "\n";
    }
    rig.receiver.Resume();
    // The instrument writes beside the event loop; leaving early stops it.
    const PtyFeeder instrument(rig.pty, bytes);
    QTRY_COMPARE_WITH_TIMEOUT(rig.port.bytesRead, bytes.size(), kGuardMs);

    QCOMPARE(rig.lines.all.size(), std::size_t(kLines));
    for (int i = 0; i < kLines; ++i) {
        const std::string_view expected(bytes.data() + i * 64, 63);
        if (rig.lines.all[static_cast<std::size_t>(i)] != expected) {
            QFAIL(qPrintable(QString("line %1 differs").arg(i)));
        }
    }
    QVERIFY(rig.port.largestRead <= 1024);
    QVERIFY(rig.messages.texts.empty());
}

// What arrives while the receiver is paused is taken from the port at once (a hang-up would
// make the system drop it) but handed over only after the resume.
void ReadComTest::pausedReceiverHandsNothingOver() {
    Rig rig;
    QVERIFY(rig.Open());
    rig.receiver.Resume();
    QVERIFY(rig.pty.Send("par"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.port.bytesRead, std::size_t(3), kGuardMs);

    rig.receiver.Pause();
    QVERIFY(rig.pty.Send("tial\nnext\n"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.port.bytesRead, std::size_t(13), kGuardMs);
    RunEventsFor(100);
    QVERIFY(rig.lines.all.empty());

    // The partial line from before the pause continues with the bytes sent during it.
    rig.receiver.Resume();
    QTRY_COMPARE_WITH_TIMEOUT(rig.lines.all, (std::vector<std::string>{"partial", "next"}),
                              kGuardMs);
}

void ReadComTest::pauseAndResumeAreStates_data() {
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<bool>("reads");
    QTest::addColumn<bool>("ended");

    QTest::newRow("created receiver does not read") << QStringList{} << false << false;
    QTest::newRow("one resume after two pauses runs")
        << QStringList{"resume", "pause", "pause", "resume"} << true << false;
    QTest::newRow("one pause after two resumes stops")
        << QStringList{"resume", "resume", "pause"} << false << false;
    QTest::newRow("pause before the first resume")
        << QStringList{"pause", "resume"} << true << false;
    QTest::newRow("termination ends a running receiver")
        << QStringList{"resume", "terminate"} << false << true;
    QTest::newRow("no resume after termination")
        << QStringList{"resume", "terminate", "resume"} << false << true;
    QTest::newRow("termination of a paused receiver")
        << QStringList{"resume", "pause", "terminate", "resume"} << false << true;
}

void ReadComTest::pauseAndResumeAreStates() {
    QFETCH(QStringList, commands);
    QFETCH(bool, reads);
    QFETCH(bool, ended);

    Rig rig;
    QVERIFY(rig.Open());
    for (const QString& command : commands) {
        if (command == "resume") {
            rig.receiver.Resume();
        } else if (command == "pause") {
            rig.receiver.Pause();
        } else {
            rig.receiver.Terminate();
        }
    }
    QCOMPARE(rig.receiver.IsRunning(), reads);
    QCOMPARE(rig.receiver.IsTerminated(), ended);

    QVERIFY(rig.pty.Send("x\n"));
    if (reads) {
        QTRY_COMPARE_WITH_TIMEOUT(rig.lines.all, std::vector<std::string>{"x"}, kGuardMs);
    } else if (ended) {
        QTRY_COMPARE_WITH_TIMEOUT(rig.pty.InputQueued(), 2, kGuardMs);
        RunEventsFor(100);
        rig.receiver.ReadStep();
        QCOMPARE(rig.pty.InputQueued(), 2);
        QCOMPARE(rig.port.statusQueries, 0);
    } else {
        // Held for the next resume.
        QTRY_COMPARE_WITH_TIMEOUT(rig.receiver.HeldBytes(), std::size_t(2), kGuardMs);
        rig.receiver.ReadStep();
        QVERIFY(rig.lines.all.empty());
    }
}

void ReadComTest::noPortReadsNothing() {
    Rig rig;
    QVERIFY(rig.Open());
    rig.receiver.SetPortHandle(nullptr);
    rig.receiver.Resume();
    rig.receiver.ReadStep();
    QVERIFY(rig.pty.Send("late\n"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.pty.InputQueued(), 5, kGuardMs);
    RunEventsFor(100);
    QCOMPARE(rig.port.statusQueries, 0);
    QVERIFY(rig.messages.texts.empty());

    // A port handed to a running receiver is read at once.
    rig.receiver.SetPortHandle(&rig.port);
    QTRY_COMPARE_WITH_TIMEOUT(rig.lines.all, std::vector<std::string>{"late"}, kGuardMs);
}

void ReadComTest::reopenedPortIsFollowed() {
    Rig rig;
    QVERIFY(rig.Open());
    rig.receiver.Resume();

    // The window closes and reopens the same port object on another device.
    PtyLine other;
    rig.receiver.SetPortHandle(nullptr);
    rig.real->Close();
    // Occupy the old descriptor number, so a stale notifier would watch the wrong device.
    PtyLine filler;
    QVERIFY(rig.real->Open(other.DevicePath()));
    QVERIFY(rig.real->ReadSettings());
    QVERIFY(rig.real->WriteSettings(kvq::LineSettings{}));
    rig.receiver.SetPortHandle(&rig.port);

    QVERIFY(other.Send("second\n"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.lines.all, std::vector<std::string>{"second"}, kGuardMs);
    QVERIFY(rig.messages.texts.empty());
}

void ReadComTest::hangUpGivesOneMessageAndPauses_data() {
    QTest::addColumn<bool>("running");
    QTest::newRow("while receiving") << true;
    QTest::newRow("while stopped: the lines before it come first") << false;
}

// The far end hangs up, which makes the system drop what it still holds for the port. What
// came before reaches the sink, then one message; while stopped, both at the next resume.
void ReadComTest::hangUpGivesOneMessageAndPauses() {
    QFETCH(bool, running);
    Rig rig;
    QVERIFY(rig.Open());
    rig.receiver.Resume();
    if (!running) {
        rig.receiver.Pause();
    }
    QVERIFY(rig.pty.Send("before\npart"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.port.bytesRead, std::size_t(11), kGuardMs);

    bool runningWhileShown = true;
    int queriesWhileShown = -1;
    std::vector<std::string> linesWhenShown;
    rig.messages.whileShown = [&] {
        runningWhileShown = rig.receiver.IsRunning();
        linesWhenShown = rig.lines.all;
        const int queries = rig.port.statusQueries;
        RunEventsFor(200);
        queriesWhileShown = rig.port.statusQueries - queries;
    };
    rig.pty.HangUp();
    if (!running) {
        RunEventsFor(200);
        QVERIFY(rig.messages.texts.empty());
        QVERIFY(rig.lines.all.empty());
        rig.receiver.Resume();
    }
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.texts.size(), std::size_t(1), kGuardMs);
    const std::string eio = std::strerror(EIO);
    QCOMPARE(rig.messages.texts[0], eio);
    QCOMPARE(linesWhenShown, std::vector<std::string>{"before"});
    QVERIFY(!runningWhileShown);
    QCOMPARE(queriesWhileShown, 0);
    QVERIFY(!rig.receiver.IsRunning());

    // No busy loop on the hung-up descriptor once the box is gone.
    const int queries = rig.port.statusQueries;
    RunEventsFor(300);
    QCOMPARE(rig.port.statusQueries, queries);
    QCOMPARE(rig.messages.texts.size(), std::size_t(1));
    QCOMPARE(rig.lines.all, std::vector<std::string>{"before"});
    QCOMPARE(std::string(rig.receiver.LineBuffer().Pending()), std::string("part"));

    // Stop and receive again: the dead port gives one more message, not a stream of them.
    rig.receiver.Pause();
    rig.receiver.Resume();
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.texts.size(), std::size_t(2), kGuardMs);
    RunEventsFor(200);
    QCOMPARE(rig.messages.texts.size(), std::size_t(2));
    QVERIFY(!rig.receiver.IsRunning());
}

QTEST_GUILESS_MAIN(ReadComTest)
#include "ReadComTest.moc"
