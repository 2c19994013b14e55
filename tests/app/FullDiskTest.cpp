// A save that the disk cannot hold, through the main window: with-full-disk.sh gives a folder
// (KVQ_FULL_DISK) where a file is full after 8192 bytes, in the middle of some record, and one
// (KVQ_FLUSH_FAILS) on a disk that takes the writes but fails to flush them.

#include <QDir>
#include <QFile>
#include <QTest>
#include <string>
#include <vector>

#include "EventLoop.h"
#include "Files.h"
#include "Memo.h"
#include "WindowUnderTest.h"

class FullDiskTest : public QObject {
    Q_OBJECT
private slots:
    void onlyWholeRecordsStay_data();
    void onlyWholeRecordsStay();
    void journalThatFillsTheDisk();
};

void FullDiskTest::onlyWholeRecordsStay_data() {
    QTest::addColumn<QString>("disk");     // the variable naming the folder
    QTest::addColumn<int>("recordBytes");  // with CR LF
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("existing");     // line.kvq is there before the save
    QTest::addColumn<int>("wholeRecords");  // those of a new file that stay
    QTest::newRow("the disk fills up inside a record")
        << "KVQ_FULL_DISK" << 100 << 8192 / 100 + 2 << false << 81;
    QTest::newRow("the disk fills up between CR and LF")
        << "KVQ_FULL_DISK" << 2731 << 8192 / 2731 + 2 << false << 2;
    QTest::newRow("the disk fills up at a record's end")
        << "KVQ_FULL_DISK" << 64 << 8192 / 64 + 2 << false << 128;
    QTest::newRow("the disk fills up while replacing a file: the old one stays")
        << "KVQ_FULL_DISK" << 100 << 8192 / 100 + 2 << true << 0;
    // 1.5 MB for a backing store of 1 MiB: every write succeeds, the flush cannot.
    QTest::newRow("the flush fails while replacing a file: the old one stays")
        << "KVQ_FLUSH_FAILS" << 100 << 15000 << true << 0;
}

// A new file keeps the whole records written before the disk was full and nothing after
// them; a file that was there stays as it was, and no temporary file is left. The box says
// which.
void FullDiskTest::onlyWholeRecordsStay() {
    QFETCH(QString, disk);
    QFETCH(int, recordBytes);
    QFETCH(int, lines);
    QFETCH(bool, existing);
    QFETCH(int, wholeRecords);
    const QString folder = qEnvironmentVariable(disk.toLatin1().constData());
    if (disk == "KVQ_FLUSH_FAILS" && folder.isEmpty()) {
        QSKIP("no loop device here for a disk whose flush fails");
    }
    QVERIFY2(!folder.isEmpty(), "KVQ_FULL_DISK names no folder: run under with-full-disk.sh");
    const QString written = QDir(folder).filePath(QStringLiteral("line.kvq"));
    const QByteArray old("000001 old record\r\n");
    if (existing) {
        QVERIFY(WriteFile(written, old));
    }
    // Type 5 writes a line of four fields as it is.
    const std::string line = "1 2 3 " + std::string(static_cast<std::size_t>(recordBytes) - 8, '4');
    // No journal: under the file size limit it would be full first.
    WindowUnderTest window{QString()};
    window.SelectInstrumentType(5);
    window.PutLines(std::vector<std::string>(static_cast<std::size_t>(lines), line));
    window.saveAnswer = written;
    window->SaveDataClick();
    const QByteArray file = FileBytes(written);
    const QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    QFile::remove(written);  // room for the next row

    QByteArray expected = existing ? old : QByteArray();
    for (int i = 0; i < wholeRecords; ++i) {
        expected += QByteArray::fromStdString(line) + "\r\n";
    }
    QCOMPARE(file.size(), expected.size());
    QCOMPARE(file, expected);
    QCOMPARE(left, QStringList{"line.kvq"});
    QCOMPARE(window.messages.size(), std::size_t{1});
    const QString text = window.messages.front().text;
    QVERIFY2(text.startsWith(QStringLiteral("数据文件") + QDir::toNativeSeparators(written) +
                             QStringLiteral("保存失败：")),
             qPrintable(text));
    const QString kept = existing
                             ? QStringLiteral("\n文件原有的内容没有改动。")
                             : QStringLiteral("\n文件中保留了 %1 条完整的记录。").arg(wholeRecords);
    QVERIFY2(text.endsWith(kept), qPrintable(text));
    QCOMPARE(window->Unsaved().Count(), static_cast<std::size_t>(lines));
}

// The journal of unsaved lines fills the disk: said once, the lines go on into the pane, and
// the journal keeps its whole lines.
void FullDiskTest::journalThatFillsTheDisk() {
    const QString folder = qEnvironmentVariable("KVQ_FULL_DISK");
    QVERIFY2(!folder.isEmpty(), "KVQ_FULL_DISK names no folder: run under with-full-disk.sh");
    const std::string line = "1 2 3 " + std::string(93, '4');  // 100 bytes with its line feed
    {
        WindowUnderTest window(folder);
        for (int step = 0; step < 20; ++step) {
            window.PutLines(std::vector<std::string>(10, line));
        }
        QVERIFY(RunEventsUntil([&] { return !window.messages.empty(); }));
        RunEventsFor(100);
        QCOMPARE(window.messages.size(), std::size_t{1});
        QVERIFY2(
            window.messages.front().text.startsWith(QStringLiteral("接收的数据无法写入备份文件")),
            qPrintable(window.messages.front().text));
        QCOMPARE(window->TextPane().LineCount(), std::size_t{200});
    }
    const QDir dir(folder);
    const QStringList journals = dir.entryList({QStringLiteral("*.journal")});
    QCOMPARE(journals.size(), 1);
    const QByteArray journal = FileBytes(dir.filePath(journals.front()));
    for (const QString& name : dir.entryList(QDir::Files)) {
        QFile::remove(dir.filePath(name));  // room for the next test
    }
    const QList<QByteArray> kept = journal.split('\n');
    QVERIFY(kept.size() > 3);
    QCOMPARE(kept.back(), QByteArray());  // no part of a line
    for (qsizetype i = 1; i < kept.size() - 1; ++i) {
        QCOMPARE(kept[i], QByteArray::fromStdString(line));
    }
}

QTEST_MAIN(FullDiskTest)
#include "FullDiskTest.moc"
