// The whole road of an observation through the real programs: kvq-sim plays the instrument
// on a pseudo-terminal, the main window opens COM1, receives, stops and saves through its
// save flow, and the file must be byte for byte what kvq-convert makes of the bytes sent.

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "Files.h"
#include "Memo.h"
#include "Programs.h"
#include "SimProcess.h"
#include "WindowUnderTest.h"

namespace {

constexpr int kLines = 2000;
// Thousands of lines sent and shown on a slow, shared machine: a guard, not a measure.
constexpr int kSimMs = 2 * kGuardMs;

// Runs kvq-convert on the captured bytes and returns the file it writes.
QByteArray Converted(int type, const QString& input, const QString& output, QByteArray& errors) {
    const ProgramRun convert =
        RunProgram(ProgramPath("kvq-convert"), {"--type", QString::number(type), input, output});
    errors = convert.err;
    return convert.exitCode == 0 ? FileBytes(output) : QByteArray();
}

// The records the simulator's own count of data lines promises ("R records expected").
int RecordsPromised(const QByteArray& simErrors) {
    const QRegularExpression summary(QStringLiteral("(\\d+) records expected"));
    const auto match = summary.match(QString::fromLocal8Bit(simErrors));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// Where two files first differ, as a failure message.
QByteArray FirstDifference(const QByteArray& saved, const QByteArray& expected) {
    qsizetype at = 0;
    while (at < saved.size() && at < expected.size() && saved[at] == expected[at]) {
        ++at;
    }
    const qsizetype lineStart = expected.lastIndexOf('\n', at - 1) + 1;
    return "files differ at byte " + QByteArray::number(at) + " (record " +
           QByteArray::number(expected.left(at).count('\n') + 1) + "), sizes " +
           QByteArray::number(saved.size()) + " and " + QByteArray::number(expected.size()) +
           "; expected record: " + expected.mid(lineStart, 200).split('\n').front() +
           "; saved: " + saved.mid(lineStart, 200).split('\n').front();
}

QString DescribeRun(WindowUnderTest& window, SimProcess& sim, qint64 elapsedMs) {
    QString text = QStringLiteral("after %1 ms: %2 lines in the pane, %3 bytes pending, ")
                       .arg(elapsedMs)
                       .arg(window->TextPane().LineCount())
                       .arg(window->Receiver().LineBuffer().Pending().size());
    text += QStringLiteral("receiver %1, simulator %2 (exit %3); messages:")
                .arg(window->Receiver().IsRunning() ? "running" : "not running")
                .arg(sim.Finished() ? "ended" : "running")
                .arg(sim.Finished() ? sim.ExitCode() : 0);
    for (const kvq::BoxMessage& message : window.messages) {
        text += QStringLiteral(" [%1: %2]").arg(message.caption, message.text);
    }
    return text + QStringLiteral("\nkvq-sim said:\n") + QString::fromLocal8Bit(sim.Errors());
}

// Says what the run looked like when the row fails, while the window and the simulator
// are still there to be asked.
struct ReportOnFailure {
    std::function<QString()> describe;
    ~ReportOnFailure() {
        if (QTest::currentTestFailed()) {
            qWarning().noquote() << describe();
        }
    }
};

}  // namespace

class SimulatorToFileTest : public QObject {
    Q_OBJECT
private slots:
    void savedFileEqualsConvertedCapture_data();
    void savedFileEqualsConvertedCapture();
};

void SimulatorToFileTest::savedFileEqualsConvertedCapture_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("gbk");
    QTest::newRow("0 KVQ-3: twenty-field lines pass through, mixed separators") << 0 << false;
    QTest::newRow("1 KVQ-3B: stack count carried from the eight-field lines") << 1 << false;
    QTest::newRow("2 HXR: ten readings a record across headings and empty lines") << 2 << true;
    QTest::newRow("3 WKT-4 receiver: eight fields widened to twenty") << 3 << false;
    QTest::newRow("4 WKP-7 receiver: GBK headings skipped, records kept") << 4 << true;
    QTest::newRow("5 WKP-7 transmitter: four fields pass through") << 5 << true;
}

void SimulatorToFileTest::savedFileEqualsConvertedCapture() {
    QFETCH(int, type);
    QFETCH(bool, gbk);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString sent = folder.filePath("sent.bin");

    SimProcess sim;
    QStringList arguments{"--type",      QString::number(type),
                          "--lines",     QString::number(kLines),
                          "--rate",      "0",
                          "--seed",      QString::number(type + 7),
                          "--save-sent", sent};
    if (gbk) {
        arguments << "--gbk";
    }
    const QString device = sim.Start(arguments);
    QVERIFY2(!device.isEmpty(), sim.Errors().constData());

    WindowUnderTest window;
    window.devices["COM1"] = device.toStdString();
    QElapsedTimer clock;
    clock.start();
    const ReportOnFailure report{[&] { return DescribeRun(window, sim, clock.elapsed()); }};
    window.SelectInstrumentType(type);
    QVERIFY(window.Button(QStringLiteral("InstrTypeItem%1").arg(type))->isChecked());
    // The instrument is started after the port is set up, as the user does: OpenCom discards
    // what the line queued before its settings took, and the simulator sends from the moment
    // the port is opened.
    QVERIFY(sim.Hold());
    QVERIFY(window.Click("OpenCom"));
    QVERIFY(window->PortOpen());
    QVERIFY(window.Click("ReceiveData"));
    sim.Continue();

    QTRY_VERIFY2_WITH_TIMEOUT(sim.Finished(), "the simulator did not finish", kSimMs);
    QVERIFY2(sim.ExitCode() == 0, sim.Errors().constData());
    const QByteArray bytes = FileBytes(sent);
    // A last line without its line feed would stay in the receiver's line buffer while
    // kvq-convert counts it: the comparison is only fair when the capture ends a line.
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count('\n'), kLines);
    QTRY_COMPARE_WITH_TIMEOUT(window->TextPane().LineCount(), std::size_t{kLines}, kGuardMs);

    // The simulator's end closing is the instrument going away: at most that one port
    // failure is reported, and the lines stay.
    QVERIFY(window.messages.size() <= 1);
    for (const kvq::BoxMessage& message : window.messages) {
        QCOMPARE(message.caption, QStringLiteral("COM错误"));
    }
    const std::size_t messagesBeforeSave = window.messages.size();

    QVERIFY(window.Click("Stop"));
    window.saveAnswer = folder.filePath("survey");
    QVERIFY(window.Click("SaveData"));
    QCOMPARE(window.saveRequests.size(), std::size_t{1});
    QCOMPARE(window->SaveFileName(), folder.filePath("survey.kvq"));

    QByteArray convertErrors;
    const QByteArray expected =
        Converted(type, sent, folder.filePath("expected.kvq"), convertErrors);
    QVERIFY2(!expected.isEmpty(), convertErrors.constData());
    // HXR readings left out of a last group: the window tells the number kvq-convert reports.
    const QRegularExpressionMatch leftOver =
        QRegularExpression(QStringLiteral("(\\d+) readings of an incomplete group not written"))
            .match(QString::fromLocal8Bit(convertErrors));
    if (leftOver.hasMatch()) {
        QCOMPARE(window.messages.size(), messagesBeforeSave + 1);
        QCOMPARE(window.messages.back().text,
                 QStringLiteral("最后 %1 个读数不足一组（十个），没有写入文件。")
                     .arg(leftOver.captured(1)));
    } else {
        QCOMPARE(window.messages.size(), messagesBeforeSave);
    }
    // The simulator knows which lines it made as records: the shared writer is checked too.
    QCOMPARE(expected.count("\r\n"), RecordsPromised(sim.Errors()));
    const QByteArray saved = FileBytes(folder.filePath("survey.kvq"));
    QVERIFY2(saved == expected, FirstDifference(saved, expected).constData());
}

QTEST_MAIN(SimulatorToFileTest)
#include "SimulatorToFileTest.moc"
