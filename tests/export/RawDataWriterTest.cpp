// The writer on real files: what an existing file keeps, and how failures are reported.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "PaneLineStore.h"
#include "RawDataWriter.h"

namespace {

const std::vector<std::string> kLines = {"1 2 3 4", "skip me", "5 6 7 8"};

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

kvq::PaneLineStore Type0Pane(int count);

}  // namespace

class RawDataWriterTest : public QObject {
    Q_OBJECT
private slots:
    void replacesExistingFile_data();
    void replacesExistingFile();
    void emptySaveLeavesZeroBytes();
    void countsLinesAndRecords();
    void failures_data();
    void failures();
    void readOnlyFileIsLeftUntouched();
    void fullDeviceStopsAtFirstFailure();
    void bufferedMatchesRecordByRecord_data();
    void bufferedMatchesRecordByRecord();
    void recordByRecordReachesTheFileAtOnce();
};

void RawDataWriterTest::replacesExistingFile_data() {
    QTest::addColumn<unsigned>("mode");
    QTest::addColumn<bool>("otherGroup");
    QTest::addColumn<bool>("throughLink");
    QTest::newRow("a longer file: none of its bytes left") << 0644U << false << false;
    QTest::newRow("its mode and group kept") << 0604U << true << false;
    QTest::newRow("through a link: the file it points to replaced, the link kept")
        << 0644U << false << true;
}

// The replacement goes through a temporary file beside the old one: what the user sees
// afterwards is the old file's name, mode and group with the new records, nothing else.
void RawDataWriterTest::replacesExistingFile() {
    QFETCH(unsigned, mode);
    QFETCH(bool, otherGroup);
    QFETCH(bool, throughLink);
    constexpr gid_t kNoGroup = 65534;
    QTemporaryDir dir;
    const QString file = dir.filePath("s.kvq");
    WriteFile(file, QByteArray(10000, 'x'));
    const QByteArray name = QFile::encodeName(file);
    QVERIFY(::chmod(name.constData(), mode) == 0);
    if (otherGroup) {
        QVERIFY(::chown(name.constData(), static_cast<uid_t>(-1), kNoGroup) == 0);
    }
    const QString chosen = throughLink ? dir.filePath("link.kvq") : file;
    if (throughLink) {
        QVERIFY(QFile::link(file, chosen));
    }
    QVERIFY(kvq::WriteRawDataFile(kvq::PaneLineStore(kLines), 5, chosen.toStdString()).ok);
    QCOMPARE(ReadAll(file), QByteArray("1 2 3 4\r\n5 6 7 8\r\n"));
    struct stat st {};
    QVERIFY(::stat(name.constData(), &st) == 0);
    QCOMPARE(st.st_mode & 07777U, mode);
    QCOMPARE(st.st_gid, otherGroup ? kNoGroup : ::getegid());
    QCOMPARE(QFileInfo(chosen).isSymLink(), throughLink);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(),
             throughLink ? 2 : 1);
}

void RawDataWriterTest::emptySaveLeavesZeroBytes() {
    QTemporaryDir dir;
    const QString path = dir.filePath("s.kvq");
    WriteFile(path, "old content");
    const auto report = kvq::WriteRawDataFile(kvq::PaneLineStore(kLines), 0, path.toStdString());
    QVERIFY(report.ok);
    QCOMPARE(report.records, std::size_t{0});
    QCOMPARE(QFileInfo(path).size(), 0);
}

void RawDataWriterTest::countsLinesAndRecords() {
    QTemporaryDir dir;
    const QString path = dir.filePath("s.kvq");
    // Type 1: the 8-field line is taken (it sets the carried value), not skipped.
    std::vector<std::string> lines = {"a b c 3 e f g h", "nothing", ""};
    std::string data;
    for (int i = 0; i < 22; ++i) {
        data += std::to_string(i) + " ";
    }
    lines.push_back(data);
    const auto report = kvq::WriteRawDataFile(kvq::PaneLineStore(lines), 1, path.toStdString());
    QVERIFY(report.ok);
    QCOMPARE(report.linesRead, std::size_t{4});
    QCOMPARE(report.records, std::size_t{1});
    QCOMPARE(report.linesSkipped, std::size_t{2});
}

void RawDataWriterTest::failures_data() {
    QTest::addColumn<QString>("relative");
    QTest::addColumn<int>("error");
    QTest::newRow("folder that does not exist") << "missing/s.kvq" << ENOENT;
    QTest::newRow("path that is a folder") << "folder" << EISDIR;
}

void RawDataWriterTest::failures() {
    QFETCH(QString, relative);
    QFETCH(int, error);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    const std::string path = dir.filePath(relative).toStdString();
    const auto report = kvq::WriteRawDataFile(kvq::PaneLineStore(kLines), 5, path);
    QVERIFY(!report.ok);
    QCOMPARE(report.failedOperation, std::string("open"));
    QCOMPARE(report.errorCode, error);
    QCOMPARE(report.errorText, std::string(strerror(error)));
    QCOMPARE(report.fileName, path);
    QCOMPARE(report.records, std::size_t{0});
}

// Root may write anywhere, so the save runs in a child that gives up root first.
void RawDataWriterTest::readOnlyFileIsLeftUntouched() {
    QTemporaryDir dir;
    QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
    const QString path = dir.filePath("ro.kvq");
    WriteFile(path, "keep me");
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0444) == 0);

    int pipeFds[2];
    QVERIFY(::pipe(pipeFds) == 0);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(3);
        }
        const auto report =
            kvq::WriteRawDataFile(kvq::PaneLineStore(kLines), 5, path.toStdString());
        const int code = report.ok ? 0 : report.errorCode;
        (void)!::write(pipeFds[1], &code, sizeof code);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    int code = -1;
    QCOMPARE(::read(pipeFds[0], &code, sizeof code), static_cast<ssize_t>(sizeof code));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    QCOMPARE(code, EACCES);
    QCOMPARE(ReadAll(path), QByteArray("keep me"));
}

void RawDataWriterTest::fullDeviceStopsAtFirstFailure() {
    if (!QFile::exists("/dev/full")) {
        QSKIP("no /dev/full here");
    }
    const auto report = kvq::WriteRawDataFile(kvq::PaneLineStore(kLines), 5, "/dev/full");
    QVERIFY(!report.ok);
    QCOMPARE(report.failedOperation, std::string("write"));
    QCOMPARE(report.errorCode, ENOSPC);
    QCOMPARE(report.records, std::size_t{0});
    QCOMPARE(report.linesRead, std::size_t{3});
    // Buffered, the failure shows when the buffer goes out, and no record counts as written.
    const auto buffered =
        kvq::WriteRawDataFile(Type0Pane(9000), 0, "/dev/full", kvq::WriteMode::kBuffered);
    QVERIFY(!buffered.ok);
    QCOMPARE(buffered.failedOperation, std::string("write"));
    QCOMPARE(buffered.records, std::size_t{0});
}

namespace {

// Type 0 lines of twenty fields; enough of them to fill the buffered writer's buffer a few times.
kvq::PaneLineStore Type0Pane(int count) {
    kvq::PaneLineStore pane;
    for (int i = 0; i < count; ++i) {
        std::string line = std::to_string(i);
        for (int field = 1; field < 20; ++field) {
            line += ", " + std::to_string(field * 1000 + i % 997);
        }
        pane.Append(line);
    }
    return pane;
}

}  // namespace

void RawDataWriterTest::bufferedMatchesRecordByRecord_data() {
    QTest::addColumn<int>("lines");
    QTest::newRow("no line") << 0;
    QTest::newRow("one record") << 1;
    QTest::newRow("several buffers and a part") << 9000;
}

// kvq-convert's buffered writes must give the very file the window's save gives.
void RawDataWriterTest::bufferedMatchesRecordByRecord() {
    QFETCH(int, lines);
    QTemporaryDir dir;
    const kvq::PaneLineStore pane = Type0Pane(lines);
    const std::string each = dir.filePath("each.kvq").toStdString();
    const std::string buffered = dir.filePath("buffered.kvq").toStdString();
    const auto eachReport = kvq::WriteRawDataFile(pane, 0, each);
    const auto bufferedReport = kvq::WriteRawDataFile(pane, 0, buffered, kvq::WriteMode::kBuffered);
    QVERIFY(eachReport.ok && bufferedReport.ok);
    QCOMPARE(bufferedReport.records, static_cast<std::size_t>(lines));
    QCOMPARE(eachReport.records, bufferedReport.records);
    const QByteArray file = ReadAll(QString::fromStdString(each));
    QCOMPARE(file.count('\n'), lines);
    QCOMPARE(ReadAll(QString::fromStdString(buffered)), file);
}

// The window's save promise: a record is in the file before the next line is looked at, so
// a save cut short (here by reading the file while the writer still holds it open) loses
// nothing written so far.
void RawDataWriterTest::recordByRecordReachesTheFileAtOnce() {
    QTemporaryDir dir;
    const QString path = dir.filePath("s.kvq");
    kvq::RawDataWriter writer(5, path.toStdString());
    QVERIFY(writer.Open() == kvq::Opening::kOpened);
    writer.Feed("1 2 3 4");
    QCOMPARE(ReadAll(path), QByteArray("1 2 3 4\r\n"));
    writer.Feed("5 6 7 8");
    QCOMPARE(ReadAll(path), QByteArray("1 2 3 4\r\n5 6 7 8\r\n"));
    QVERIFY(writer.Finish().ok);
}

QTEST_APPLESS_MAIN(RawDataWriterTest)
#include "RawDataWriterTest.moc"
