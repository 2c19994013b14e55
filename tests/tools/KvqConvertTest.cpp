// kvq-convert through the real executable: the worked examples byte for byte, the byte rules
// of the serial line, and its exit statuses.

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include "Files.h"
#include "Programs.h"

namespace {

const QString kConvert = ProgramPath("kvq-convert");

ProgramRun Convert(const QStringList& args, const QByteArray& input = {},
                   const std::function<void(QProcess&)>& prepare = {}) {
    return RunProgram(kConvert, args, input, prepare);
}

const QByteArray kCapture("1 12.5 3.20 10:30\n2 12.4 3.18 10:31\n");

}  // namespace

class KvqConvertTest : public QObject {
    Q_OBJECT
private slots:
    void converts_data();
    void converts();
    void filesInAndOut();
    void helpListsTheTypes();
    void usageErrors_data();
    void usageErrors();
    void fileErrors();
    void refusedAndFailedLeaveFilesAlone_data();
    void refusedAndFailedLeaveFilesAlone();
    void replacesThroughALink();
    void waitsForANonBlockingInput();
};

void KvqConvertTest::converts_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("summary");

    QTest::newRow("type 1 worked example 2, CR LF line ends")
        << 1
        << QByteArray(
               "1,2,3,12,5,6,7,8\r\n1, 5.0, 15.0, 2.5, 0, 10.0\t125.6 38.2 3.29 0.6 1.02 "
               "36.4 0.8 0.15 2 4 9 12.5 0.03 6 7 0\r\n")
        << QByteArray(
               "1 5.0 10.0 15.0 2.5 125.6 38.2 3.29 0.6 1.02 36.4 2 0.8 0.15 4 12 12.5 "
               "0.03 6 7\r\n")
        << QByteArray("2 lines read, 1 records written, 0 lines skipped");
    QTest::newRow("type 2 worked example, last line without line feed")
        << 2
        << QByteArray(
               "POINT 1\r\n1.25\r\n-0.50\r\n3\r\n12.0 4\r\n7.75\r\n0.004\r\n\r\n100\r\n"
               "2.5E3\r\n8,\r\n9.1\r\n16\r\n12")
        << QByteArray(
               "1.25 -0.50 3 7.75 0.004 9999 9999 9999 9999 9999 9999 9999 9999 9999 "
               "9999 100 2.5E3 8 9.1 16\r\n")
        << QByteArray(
               "14 lines read, 1 records written, 3 lines skipped, 1 readings of an "
               "incomplete group not written");
    QTest::newRow("type 2, nine readings")
        << 2 << QByteArray("1\n2\n3\n4\n5\nx\n6\n7\n8\n9\n") << QByteArray()
        << QByteArray(
               "10 lines read, 0 records written, 1 lines skipped, 9 readings of an "
               "incomplete group not written");
    QTest::newRow("type 5 worked example")
        << 5
        << QByteArray(
               "TX LOG\r\n1 12.5 3.20 10:30\r\n2,12.4,3.18,10:31\r\n3 12.6 3.21\r\n\r\n4 "
               "12.5 3.19 10:32 0\r\n")
        << QByteArray("1 12.5 3.20 10:30\r\n2,12.4,3.18,10:31\r\n")
        << QByteArray("6 lines read, 2 records written, 4 lines skipped");
    QTest::newRow("bell dropped, backspace removes a byte")
        << 5 << QByteArray("1 2\a 3 4X\b\r\n") << QByteArray("1 2 3 4\r\n")
        << QByteArray("1 lines read, 1 records written, 0 lines skipped");
    QTest::newRow("backspace removes half of a GBK character")
        << 5 << QByteArray("a b c \xB2\xE2\b\n") << QByteArray("a b c \xB2\r\n")
        << QByteArray("1 lines read, 1 records written, 0 lines skipped");
    QTest::newRow("zero byte ends the stored line")
        << 5 << QByteArray("a b c d\0 e f\n", 13) << QByteArray("a b c d\r\n")
        << QByteArray("1 lines read, 1 records written, 0 lines skipped");
    QTest::newRow("lone carriage return ends no line")
        << 5 << QByteArray("a b\rc d e\n") << QByteArray("a b\rc d e\r\n")
        << QByteArray("1 lines read, 1 records written, 0 lines skipped");
    QTest::newRow("only the first 4096 bytes of a line are read back")
        << 0
        << QByteArray(Q_INT64_C(4090), ' ') + "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20\n"
        << QByteArray() << QByteArray("1 lines read, 0 records written, 1 lines skipped");
    QTest::newRow("empty input") << 3 << QByteArray() << QByteArray()
                                 << QByteArray("0 lines read, 0 records written, 0 lines skipped");
}

void KvqConvertTest::converts() {
    QFETCH(int, type);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, summary);
    const ProgramRun r = Convert({"--type", QString::number(type), "-", "-"}, input);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, output);
    QCOMPARE(r.err, "kvq-convert: " + summary + "\n");
}

void KvqConvertTest::filesInAndOut() {
    QTemporaryDir dir;
    const QString in = dir.filePath("capture.log");
    const QString out = dir.filePath("survey.txt");  // used as given: no extension forced
    QFile f(in);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("1 10.0 2.5 123.4 0.56 7.89 1.23 45.6\r\n");
    f.close();
    QFile old(out);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(500, 'z'));
    old.close();
    const ProgramRun r = Convert({"--type", "4", in, out});
    QCOMPARE(r.exitCode, 0);
    QFile result(out);
    QVERIFY(result.open(QIODevice::ReadOnly));
    QCOMPARE(result.readAll(), QByteArray("1 10.0 9999 2.5 9999 123.4 0.56 7.89 1.23 9999 9999 "
                                          "9999 9999 9999 9999 5 45.6 9999 9999 9999\r\n"));
}

void KvqConvertTest::helpListsTheTypes() {
    const ProgramRun r = Convert({"--help"});
    QCOMPARE(r.exitCode, 0);
    const QString text = QString::fromUtf8(r.out);
    // Each type with the lines that make its records.
    const QStringList types = {
        "0  KVQ-3多功能电测仪\n     20-field lines\n",
        "1  KVQ-3B多功能电测仪\n     22-field lines; 8-field lines carry their field 4",
        "2  HXR系列多功能电测仪\n     1-field lines that read as a number, 10 to a record\n",
        "3  WKT-4大功率接收机\n     8-field lines\n",
        "4  WKP-7大功率接收机\n     8-field lines\n",
        "5  WKP-7大功率发送机\n     4-field lines\n",
    };
    for (const QString& type : types) {
        QVERIFY2(text.contains(type), qPrintable(type));
    }
}

void KvqConvertTest::usageErrors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no arguments") << QStringList{};
    QTest::newRow("type missing") << QStringList{"-", "-"};
    QTest::newRow("type 6") << QStringList{"--type", "6", "-", "-"};
    QTest::newRow("type not a number") << QStringList{"--type", "x", "-", "-"};
    QTest::newRow("type without value") << QStringList{"--type"};
    QTest::newRow("output missing") << QStringList{"--type", "1", "-"};
    QTest::newRow("three files") << QStringList{"--type", "1", "a", "b", "c"};
    QTest::newRow("unknown option") << QStringList{"--frobnicate", "--type", "1", "-", "-"};
}

void KvqConvertTest::usageErrors() {
    QFETCH(QStringList, args);
    const ProgramRun r = Convert(args);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.err.count('\n'), 1);
    QVERIFY(r.out.isEmpty());
}

void KvqConvertTest::fileErrors() {
    QTemporaryDir dir;
    const QString missing = dir.filePath("nope.log");
    ProgramRun r = Convert({"--type", "1", missing, dir.filePath("o.kvq")});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(QString::fromLocal8Bit(r.err),
             QString("kvq-convert: %1: No such file or directory\n").arg(missing));
    QVERIFY(!QFile::exists(dir.filePath("o.kvq")));  // nothing created for a bad input

    const QString badOut = dir.filePath("no/such/folder/o.kvq");
    r = Convert({"--type", "5", "-", badOut}, "a b c d\n");
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.startsWith("kvq-convert: " + QFile::encodeName(badOut) + ": "), r.err);
    QVERIFY(!r.err.contains("records written"));

    r = Convert({"--type", "5", "-", "/dev/full"}, "a b c d\n");
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err, QByteArray("kvq-convert: /dev/full: No space left on device\n"));
}

void KvqConvertTest::refusedAndFailedLeaveFilesAlone_data() {
    QTest::addColumn<QString>("input");   // "-": standard input from stdinFile
    QTest::addColumn<QString>("output");  // "-": standard output appended to stdoutFile
    QTest::addColumn<QString>("stdinFile");
    QTest::addColumn<QString>("stdoutFile");
    QTest::addColumn<QString>("message");  // %1 is the folder
    QTest::newRow("same file") << "cap"
                               << "cap"
                               << ""
                               << ""
                               << "%1/cap and %1/cap are the same file; nothing was written";
    QTest::newRow("same file through a link")
        << "cap"
        << "link-to-cap"
        << ""
        << ""
        << "%1/cap and %1/link-to-cap are the same file; nothing was written";
    QTest::newRow("standard input is the output")
        << "-"
        << "cap"
        << "cap"
        << ""
        << "standard input and %1/cap are the same file; nothing was written";
    QTest::newRow("standard output appends to the input") << "cap"
                                                          << "-"
                                                          << ""
                                                          << "cap"
                                                          << "%1/cap: input file is output file";
    QTest::newRow("a folder as input") << "."
                                       << "keep"
                                       << ""
                                       << ""
                                       << "%1/.: Is a directory";
    QTest::newRow("a folder on standard input") << "-"
                                                << "keep"
                                                << "."
                                                << ""
                                                << "standard input: Is a directory";
}

// Nothing of the capture or an existing output is lost, and no temporary file is left.
void KvqConvertTest::refusedAndFailedLeaveFilesAlone() {
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(QString, stdinFile);
    QFETCH(QString, stdoutFile);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString folder = dir.path();
    QVERIFY(WriteFile(dir.filePath("cap"), kCapture));
    QVERIFY(WriteFile(dir.filePath("keep"), "OLD\n"));
    QVERIFY(QFile::link(dir.filePath("cap"), dir.filePath("link-to-cap")));
    auto inFolder = [&dir](const QString& name) { return name == "-" ? name : dir.filePath(name); };

    const auto prepare = [&](QProcess& process) {
        // Should the converter feed its own output back in, it stops at 1 MB, not a full disk.
        process.setChildProcessModifier([] {
            const rlimit limit{1 << 20, 1 << 20};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
        if (!stdinFile.isEmpty()) {
            process.setStandardInputFile(inFolder(stdinFile));
        }
        if (!stdoutFile.isEmpty()) {
            process.setStandardOutputFile(inFolder(stdoutFile), QIODevice::Append);
        }
    };
    const ProgramRun r = Convert({"--type", "5", inFolder(input), inFolder(output)}, {}, prepare);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(QString::fromLocal8Bit(r.err), "kvq-convert: " + message.arg(folder) + "\n");
    QCOMPARE(FileBytes(dir.filePath("cap")), kCapture);
    QCOMPARE(FileBytes(dir.filePath("keep")), QByteArray("OLD\n"));
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{"cap", "keep", "link-to-cap"}));
}

void KvqConvertTest::replacesThroughALink() {
    QTemporaryDir dir;
    QVERIFY(WriteFile(dir.filePath("cap"), kCapture));
    QVERIFY(WriteFile(dir.filePath("out.kvq"), QByteArray(500, 'z')));
    QVERIFY(QFile::link(dir.filePath("out.kvq"), dir.filePath("link.kvq")));
    const ProgramRun r = Convert({"--type", "5", dir.filePath("cap"), dir.filePath("link.kvq")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(QFileInfo(dir.filePath("link.kvq")).isSymLink());
    QCOMPARE(FileBytes(dir.filePath("out.kvq")),
             QByteArray("1 12.5 3.20 10:30\r\n2 12.4 3.18 10:31\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{"cap", "link.kvq", "out.kvq"}));
}

// A parent may hand over a non-blocking pipe; the capture arrives late.
void KvqConvertTest::waitsForANonBlockingInput() {
    QProcess process;
    process.setChildProcessModifier(
        [] { ::fcntl(STDIN_FILENO, F_SETFL, ::fcntl(STDIN_FILENO, F_GETFL) | O_NONBLOCK); });
    process.start(kConvert, {"--type", "5", "-", "-"});
    QVERIFY(process.waitForStarted());
    QTest::qWait(300);
    process.write(kCapture);
    process.closeWriteChannel();
    process.waitForFinished(30000);  // false as well when it ended before the write
    QCOMPARE(process.readAllStandardError(),
             QByteArray("kvq-convert: 2 lines read, 2 records written, 0 lines skipped\n"));
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(process.readAllStandardOutput(),
             QByteArray("1 12.5 3.20 10:30\r\n2 12.4 3.18 10:31\r\n"));
}

QTEST_GUILESS_MAIN(KvqConvertTest)
#include "KvqConvertTest.moc"
