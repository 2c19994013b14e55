// kvq-sim is what the receiver's end-to-end tests and benchmarks stand on: its bytes must
// be reproducible, reach the reader complete, and have exactly the shapes each instrument
// type's export takes.

#include <unistd.h>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <csignal>

#include "Files.h"
#include "Programs.h"
#include "PtyLine.h"
#include "ReferenceFields.h"
#include "SimLink.h"
#include "SimProcess.h"
#include "SimRunner.h"

namespace {

QList<QByteArray> SplitFields(const QByteArray& line) {
    QList<QByteArray> fields;
    QByteArray field;
    for (char c : line) {
        if (c == ' ' || c == ',' || c == '\t') {
            if (!field.isEmpty()) {
                fields.append(field);
            }
            field.clear();
        } else {
            field.append(c);
        }
    }
    if (!field.isEmpty()) {
        fields.append(field);
    }
    return fields;
}

// The lines of a capture; false if a line end is not CR LF or the last line has none.
bool SplitCrLf(const QByteArray& bytes, QList<QByteArray>& lines) {
    lines = bytes.split('\n');
    if (lines.isEmpty() || !lines.takeLast().isEmpty()) {
        return false;
    }
    for (QByteArray& line : lines) {
        if (!line.endsWith('\r') || line.count('\r') != 1) {
            return false;
        }
        line.chop(1);
    }
    return true;
}

bool IsReading(const QList<QByteArray>& fields) {
    bool number = false;
    if (fields.size() == 1) {
        fields[0].toDouble(&number);
    }
    return number;
}

// Runs kvq-convert over a capture; the records it reports and the file it wrote.
bool Convert(int type, const QString& input, const QString& output, int& records,
             QByteArray& converted) {
    const ProgramRun convert =
        RunProgram(ProgramPath("kvq-convert"), {"--type", QString::number(type), input, output});
    if (convert.exitCode != 0) {
        return false;
    }
    const auto match = QRegularExpression(QStringLiteral("(\\d+) records written"))
                           .match(QString::fromLocal8Bit(convert.err));
    records = match.hasMatch() ? match.captured(1).toInt() : -1;
    converted = FileBytes(output);
    return match.hasMatch();
}

// What an instrument prints in its observation lines: numbers, dates and clock times.
bool AllReadings(const QList<QByteArray>& fields) {
    static const QRegularExpression reading(
        QStringLiteral("^([-+]?[0-9]*\\.?[0-9]+([eE][0-9]+)?|[0-9]{4}-[0-9]{2}-[0-9]{2}|"
                       "[0-9]{2}:[0-9]{2})$"));
    return std::all_of(fields.begin(), fields.end(), [](const QByteArray& field) {
        return reading.match(QString::fromLatin1(field)).hasMatch();
    });
}

QByteArray JoinRecord(const QList<QByteArray>& values) {
    return values.join(' ');
}

}  // namespace

class KvqSimTest : public QObject {
    Q_OBJECT

private slots:
    void sameSeedSameBytes_data();
    void sameSeedSameBytes();
    void lineShapesFitTheExport_data();
    void lineShapesFitTheExport();
    void replaySendsTheFileExactly_data();
    void replaySendsTheFileExactly();
    void sendsNothingBeforeTheReaderOpens();
    void lastBytesReachALateReader();
    void bytesPassWithoutReaderSettings();
    void pacedSendCompletes();
    void readerClosingEarlyEndsTheRun();
    void linkPointsToTheTerminalAndGoes();
    void linkGoesOnSignal_data();
    void linkGoesOnSignal();
    void linkNeverReplacesOtherFiles_data();
    void linkNeverReplacesOtherFiles();
    void linkToItsOwnTerminalIsTakenOver();
    void badArguments_data();
    void badArguments();
    void helpPrintsUsage();

private:
    QTemporaryDir dir_;
};

void KvqSimTest::sameSeedSameBytes_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("kvq-3") << QStringList{"--type", "0"};
    QTest::newRow("kvq-3b with gbk headings") << QStringList{"--type", "1", "--gbk"};
    QTest::newRow("hxr") << QStringList{"--type", "2"};
    QTest::newRow("wkp-7 transmitter") << QStringList{"--type", "5"};
}

void KvqSimTest::sameSeedSameBytes() {
    QFETCH(QStringList, arguments);
    arguments << "--lines"
              << "300"
              << "--rate"
              << "0";
    const QString first = dir_.filePath("first.bin");
    const QString second = dir_.filePath("second.bin");
    const QString other = dir_.filePath("other.bin");

    const SimRun a = RunSim(arguments + QStringList{"--seed", "7", "--save-sent", first});
    const SimRun b = RunSim(arguments + QStringList{"--seed", "7", "--save-sent", second});
    const SimRun c = RunSim(arguments + QStringList{"--seed", "8", "--save-sent", other});
    for (const SimRun* run : {&a, &b, &c}) {
        QVERIFY2(run->exitCode == 0, run->standardError.constData());
    }
    QVERIFY(!a.received.isEmpty());
    QCOMPARE(FileBytes(first), a.received);
    QCOMPARE(FileBytes(second), b.received);
    QCOMPARE(FileBytes(other), c.received);
    QCOMPARE(b.received, a.received);
    QVERIFY(c.received != a.received);
}

void KvqSimTest::lineShapesFitTheExport_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("gbk");
    QTest::addColumn<QString>("gbkWord");  // a heading word the GBK bytes must spell
    for (int type = 0; type < 6; ++type) {
        QTest::addRow("type %d", type) << type << false << QString();
    }
    const QStringList words = {"观测数据", "观测数据", "测点", "接收记录", "接收记录", "发送记录"};
    for (int type = 0; type < 6; ++type) {
        QTest::addRow("type %d with gbk headings", type) << type << true << words[type];
    }
}

// Each data line must become a record of its type, nothing else may: the counts of the
// real converter match the lines counted here by shape.
void KvqSimTest::lineShapesFitTheExport() {
    QFETCH(int, type);
    QFETCH(bool, gbk);
    QFETCH(QString, gbkWord);
    const int lineCount = 600;
    const QString sent = dir_.filePath("shapes.bin");
    QStringList arguments = {"--type",      QString::number(type),
                             "--lines",     QString::number(lineCount),
                             "--rate",      "0",
                             "--seed",      QString::number(100 + type),
                             "--save-sent", sent};
    if (gbk) {
        arguments << "--gbk";
    }
    const SimRun run = RunSim(arguments);
    QVERIFY2(run.exitCode == 0, run.standardError.constData());
    QCOMPARE(run.received, FileBytes(sent));

    QList<QByteArray> lines;
    QVERIFY2(SplitCrLf(run.received, lines), "every line ends in CR LF");
    QCOMPARE(lines.size(), lineCount);

    QList<QByteArray> dataLines;
    QList<QByteArray> carried;  // type 1: the value each data line carries
    QByteArray carriedValue = "1";
    int emptyLines = 0;
    int otherLines = 0;
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = SplitFields(line);
        const qsizetype n = fields.size();
        const bool carrier = reference::IsCarrierCount(type, static_cast<std::size_t>(n));
        const bool data = reference::IsRecordCount(type, static_cast<std::size_t>(n)) &&
                          (type != 2 || IsReading(fields));
        if (data || carrier) {
            // A heading that happens to have a record's shape would show up here.
            QVERIFY2(AllReadings(fields), line.constData());
        }
        if (carrier) {
            carriedValue = QByteArray::number(fields[3].toInt());
            QCOMPARE(carriedValue, fields[3]);  // a plain whole number
        } else if (data) {
            dataLines.append(line);
            carried.append(carriedValue);
        } else {
            emptyLines += n == 0 ? 1 : 0;
            otherLines += n > 0 ? 1 : 0;
        }
    }
    QVERIFY(emptyLines > 0);
    QVERIFY(otherLines > 0);
    QVERIFY(dataLines.size() > lineCount / 2);

    int records = -1;
    QByteArray converted;
    QVERIFY(Convert(type, sent, dir_.filePath("shapes.kvq"), records, converted));
    const int expected = type == 2 ? int(dataLines.size() / 10) : int(dataLines.size());
    QCOMPARE(records, expected);
    // The simulator's own count, which the end-to-end tests rely on, agrees.
    QVERIFY2(run.standardError.contains(QByteArray::number(dataLines.size()) + " data lines, " +
                                        QByteArray::number(expected) + " records expected"),
             run.standardError.constData());
    QList<QByteArray> recordLines;
    QVERIFY(SplitCrLf(converted, recordLines));
    QCOMPARE(recordLines.size(), expected);

    for (int i = 0; i < expected; ++i) {
        const QList<QByteArray> values = SplitFields(recordLines[i]);
        if (type == 0 || type == 5) {
            QCOMPARE(recordLines[i], dataLines[i]);  // passed through unchanged
        } else if (type == 1) {
            QCOMPARE(values.value(15), carried[i]);
            QCOMPARE(values.value(0), SplitFields(dataLines[i]).value(0));
        } else if (type == 2) {
            QList<QByteArray> group;
            for (int k = 0; k < 10; ++k) {
                group.append(SplitFields(dataLines[i * 10 + k]).value(0));
            }
            const QList<QByteArray> nines(10, "9999");
            QCOMPARE(recordLines[i], JoinRecord(group.mid(0, 5) + nines + group.mid(5, 5)));
        } else {
            QCOMPARE(values.value(0), SplitFields(dataLines[i]).value(0));
            QCOMPARE(values.size(), 20);
        }
    }
    if (type == 1) {
        QVERIFY2(QSet<QByteArray>(carried.begin(), carried.end()).size() > 2,
                 "the carried value changes between blocks");
    }
    if (type != 2) {
        const QByteArray data = dataLines.join('\n');
        QVERIFY2(data.contains(',') && data.contains('\t') && data.contains("  "),
                 "separators vary: commas, tabs and runs of blanks");
    }

    const bool hasHighBytes =
        std::any_of(run.received.begin(), run.received.end(), [](char c) { return c < 0; });
    QCOMPARE(hasHighBytes, gbk);
    if (gbk) {
        QStringDecoder decoder("GBK");
        QVERIFY(decoder.isValid());
        const QString text = decoder(run.received);
        QVERIFY(!decoder.hasError());
        QVERIFY2(text.contains(gbkWord), qPrintable(gbkWord));
    }
}

void KvqSimTest::replaySendsTheFileExactly_data() {
    QTest::addColumn<QByteArray>("bytes");
    QByteArray binary;
    quint32 x = 12345;
    for (int i = 0; i < 100000; ++i) {
        x = x * 1103515245u + 12345u;
        binary.append(char(x >> 24));
    }
    binary.append("\0\r\a\b\xFF\r", 6);  // no line feed at the end
    QTest::newRow("100 KB of every byte value, more than the terminal buffers") << binary;
    QTest::newRow("one line") << QByteArray("1 12.5 3.20 10:30\r\n");
    QTest::newRow("empty file") << QByteArray();
}

void KvqSimTest::replaySendsTheFileExactly() {
    QFETCH(QByteArray, bytes);
    const QString capture = dir_.filePath("capture.bin");
    const QString sent = dir_.filePath("replayed.bin");
    QVERIFY(WriteFile(capture, bytes));

    const SimRun run = RunSim({"--replay", capture, "--rate", "0", "--save-sent", sent});
    QVERIFY2(run.exitCode == 0, run.standardError.constData());
    QCOMPARE(run.received.size(), bytes.size());
    QCOMPARE(run.received, bytes);
    QCOMPARE(FileBytes(sent), bytes);
}

void KvqSimTest::sendsNothingBeforeTheReaderOpens() {
    const QString sent = dir_.filePath("early.bin");
    SimProcess sim;
    const QString device = sim.Start({"--lines", "50", "--rate", "0", "--save-sent", sent});
    QVERIFY(!device.isEmpty());
    QTest::qWait(500);
    QVERIFY(QFile::exists(sent));
    QCOMPARE(QFileInfo(sent).size(), 0);
    QVERIFY(!sim.Finished());

    const int fd = OpenPort(device, true);
    QVERIFY(fd >= 0);
    const QByteArray received = ReadUntilHangup(fd);
    ::close(fd);
    QVERIFY(sim.WaitFinished());
    QCOMPARE(sim.ExitCode(), 0);
    QVERIFY(!received.isEmpty());
    QCOMPARE(received, FileBytes(sent));
}

// Everything fits into the terminal's buffers before the reader reads a byte; closing
// the master then would throw the bytes away.
void KvqSimTest::lastBytesReachALateReader() {
    const QString sent = dir_.filePath("late.bin");
    SimReader reader;
    reader.readDelayMs = 800;
    const SimRun run =
        RunSim({"--type", "3", "--lines", "80", "--rate", "0", "--save-sent", sent}, reader);
    QVERIFY2(run.exitCode == 0, run.standardError.constData());
    QVERIFY(!run.received.isEmpty());
    QCOMPARE(run.received, FileBytes(sent));
}

// The program changes only speed, data bits, stop bits and parity: CR must still arrive
// as CR, and nothing may be echoed or edited.
void KvqSimTest::bytesPassWithoutReaderSettings() {
    const QString sent = dir_.filePath("cooked.bin");
    SimReader reader;
    reader.setRaw = false;
    const SimRun run = RunSim(
        {"--type", "1", "--lines", "200", "--rate", "0", "--gbk", "--save-sent", sent}, reader);
    QVERIFY2(run.exitCode == 0, run.standardError.constData());
    QVERIFY(run.received.contains("\r\n"));
    QCOMPARE(run.received, FileBytes(sent));
}

void KvqSimTest::pacedSendCompletes() {
    const QString sent = dir_.filePath("paced.bin");
    const SimRun run =
        RunSim({"--type", "5", "--lines", "12", "--rate", "2000", "--save-sent", sent});
    QVERIFY2(run.exitCode == 0, run.standardError.constData());
    QList<QByteArray> lines;
    QVERIFY(SplitCrLf(run.received, lines));
    QCOMPARE(lines.size(), 12);
    QCOMPARE(run.received, FileBytes(sent));
}

void KvqSimTest::readerClosingEarlyEndsTheRun() {
    const QString sent = dir_.filePath("cut.bin");
    SimReader reader;
    reader.closeAfterBytes = 1000;
    const SimRun run = RunSim({"--lines", "20000", "--rate", "0", "--save-sent", sent}, reader);
    QVERIFY2(run.finished, "the simulator ends instead of waiting for a reader that left");
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.received.size(), 1000);
    const QByteArray saved = FileBytes(sent);
    QVERIFY(saved.startsWith(run.received));
    QVERIFY2(run.standardError.contains("closed the port"), run.standardError.constData());
}

void KvqSimTest::linkPointsToTheTerminalAndGoes() {
    const QString link = dir_.filePath("COM1");
    const QString sent = dir_.filePath("linked.bin");
    SimReader reader;
    reader.openPath = link;
    const SimRun run =
        RunSim({"--link", link, "--lines", "30", "--rate", "0", "--save-sent", sent}, reader);
    QVERIFY2(run.exitCode == 0, run.standardError.constData());
    QVERIFY(run.opened);
    QVERIFY(!run.received.isEmpty());
    QCOMPARE(run.received, FileBytes(sent));
    QVERIFY(!QFileInfo(link).isSymLink());
}

void KvqSimTest::linkGoesOnSignal_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
}

void KvqSimTest::linkGoesOnSignal() {
    QFETCH(int, signal);
    const QString link = dir_.filePath("COM2");
    SimProcess sim;
    const QString device = sim.Start({"--link", link});
    QVERIFY(!device.isEmpty());
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFileInfo(link).symLinkTarget(), device);

    QVERIFY(sim.Signal(signal));
    QVERIFY(sim.WaitFinished());
    QCOMPARE(sim.ExitCode(), 128 + signal);
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(!QFileInfo::exists(link));
}

void KvqSimTest::linkNeverReplacesOtherFiles_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("regular file") << "file" << false;
    QTest::newRow("dangling link outside /dev/pts") << "/nonexistent/ttyUSB0" << false;
    QTest::newRow("live terminal link") << "/dev/pts/ptmx" << false;
    QTest::newRow("stale simulator link") << "/dev/pts/987654" << true;
}

void KvqSimTest::linkNeverReplacesOtherFiles() {
    QFETCH(QString, kind);
    QFETCH(bool, replaced);
    const QString path = dir_.filePath("COM9");
    QFile::remove(path);
    if (kind == "file") {
        QVERIFY(WriteFile(path, "keep me"));
    } else {
        QVERIFY(QFile::link(kind, path));
    }

    SimProcess sim;
    const QString device = sim.Start({"--link", path, "--lines", "1", "--rate", "0"});
    if (replaced) {
        QVERIFY(!device.isEmpty());
        QCOMPARE(QFileInfo(path).symLinkTarget(), device);
        QVERIFY(sim.Signal(SIGTERM));
        QVERIFY(sim.WaitFinished());
        return;
    }
    QVERIFY(sim.WaitFinished());
    QCOMPARE(sim.ExitCode(), 1);
    QVERIFY(device.isEmpty());
    QVERIFY(sim.Output().isEmpty());
    if (kind == "file") {
        QCOMPARE(FileBytes(path), QByteArray("keep me"));
    } else {
        QCOMPARE(QFileInfo(path).symLinkTarget(), kind);
    }
}

// A killed simulator leaves its link, and the kernel usually hands its terminal number to the
// next one, which makes the old link look live. Tested on the link itself: which terminal the
// next simulator gets is up to the kernel and to any process that opens a terminal meanwhile
// (on a busy machine a test beside this one takes the number often enough), and a link to a
// terminal someone else holds must stay (linkNeverReplacesOtherFiles).
void KvqSimTest::linkToItsOwnTerminalIsTakenOver() {
    const PtyLine terminal;  // the terminal the new simulator got
    QVERIFY(terminal.IsValid());
    const QString link = dir_.filePath("COM3");
    QVERIFY(QFile::link(QString::fromStdString(terminal.DevicePath()), link));
    {
        kvq::SimLink simLink;
        std::string error;
        QVERIFY2(simLink.Create(link.toStdString(), terminal.DevicePath(), error), error.c_str());
        QCOMPARE(QFileInfo(link).symLinkTarget().toStdString(), terminal.DevicePath());
    }
    QVERIFY2(!QFileInfo(link).isSymLink(), "the link goes with the simulator");
}

void KvqSimTest::badArguments_data() {
    QTest::addColumn<QStringList>("arguments");
    const QString missing = dir_.filePath("no-such-capture");
    QTest::newRow("unknown option") << QStringList{"--speed", "5"};
    QTest::newRow("stray argument") << QStringList{"COM1"};
    QTest::newRow("type beyond 5") << QStringList{"--type", "6"};
    QTest::newRow("type not a number") << QStringList{"--type", "x"};
    QTest::newRow("negative type") << QStringList{"--type=-1"};
    QTest::newRow("negative lines") << QStringList{"--lines", "-5"};
    QTest::newRow("lines without a value") << QStringList{"--lines"};
    QTest::newRow("rate not a number") << QStringList{"--rate", "fast"};
    QTest::newRow("fractional rate") << QStringList{"--rate", "14.4"};
    QTest::newRow("seed beyond 64 bits") << QStringList{"--seed", "18446744073709551616"};
    QTest::newRow("missing replay file") << QStringList{"--replay", missing};
    QTest::newRow("replay of a folder") << QStringList{"--replay", dir_.path()};
    QTest::newRow("replay with a type") << QStringList{"--replay", missing, "--type", "1"};
}

void KvqSimTest::badArguments() {
    QFETCH(QStringList, arguments);
    // A simulation that started would wait for a reader until it is killed (exit code -1).
    const ProgramRun run = RunProgram(ProgramPath("kvq-sim"), arguments);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY(run.err.startsWith("kvq-sim: ") && run.err.endsWith('\n'));
    QVERIFY(run.out.isEmpty());
}

void KvqSimTest::helpPrintsUsage() {
    const ProgramRun help = RunProgram(ProgramPath("kvq-sim"), {"--help"});
    QCOMPARE(help.exitCode, 0);
    const QByteArray& usage = help.out;
    QVERIFY(usage.startsWith("usage: kvq-sim"));
    for (const char* option : {"--type", "--lines", "--rate", "--seed", "--gbk", "--replay",
                               "--save-sent", "--link", "--delay"}) {
        QVERIFY2(usage.contains(option), option);
    }
    QVERIFY(help.err.isEmpty());
}

QTEST_GUILESS_MAIN(KvqSimTest)
#include "KvqSimTest.moc"
