// What the next start finds of a journal: every whole line, byte for byte, whatever the end of
// the program cut off, and nothing of a program that still runs. (A journal that cannot be
// written: FullDiskTest.)

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>
#include <optional>
#include <string>
#include <vector>

#include "LeftJournal.h"
#include "LineJournal.h"

using Lines = std::vector<std::string>;

Q_DECLARE_METATYPE(Lines)

namespace {

Lines Read(const kvq::LeftJournal& left) {
    Lines lines;
    kvq::ReadJournalLines(left, [&lines](std::span<const std::string> batch) {
        lines.insert(lines.end(), batch.begin(), batch.end());
    });
    return lines;
}

}  // namespace

class LineJournalTest : public QObject {
    Q_OBJECT
private slots:
    void leftBehind_data();
    void leftBehind();
};

void LineJournalTest::leftBehind_data() {
    QTest::addColumn<int>("cutBytes");    // taken off the file's end, as a kill mid-write does
    QTest::addColumn<bool>("stillRuns");  // the program that writes it has not ended
    QTest::addColumn<bool>("removed");    // its lines were saved or given up
    QTest::addColumn<Lines>("offered");
    // As handed over: a CR before the line feed, a zero byte, GBK, an empty line.
    const Lines all{"1 12.5 3.20 10:30\r", std::string("a\0b", 3), "\xb2\xe2\xb5\xe3 7", "",
                    "5 12.5 3.19"};
    const Lines allButLast(all.begin(), all.end() - 1);
    QTest::newRow("the program ended between lines: every line") << 0 << false << false << all;
    QTest::newRow("cut off inside the last line: the lines before it")
        << 4 << false << false << allButLast;
    QTest::newRow("cut off before the last line feed: the lines before it")
        << 1 << false << false << allButLast;
    QTest::newRow("the program still runs: not offered") << 0 << true << false << Lines{};
    // Removed beside the window; a removal that a kill cut short is finished at the next start.
    QTest::newRow("removed: not offered, nothing left") << 0 << false << true << Lines{};
}

void LineJournalTest::leftBehind() {
    QFETCH(int, cutBytes);
    QFETCH(bool, stillRuns);
    QFETCH(bool, removed);
    QFETCH(Lines, offered);
    QTemporaryDir folder;
    const Lines sent{"1 12.5 3.20 10:30\r", std::string("a\0b", 3), "\xb2\xe2\xb5\xe3 7", "",
                     "5 12.5 3.19"};
    std::optional<kvq::LineJournal> running(folder.path());
    running->SetInstrumentType(3);
    running->Append(Lines(sent.begin(), sent.begin() + 2));
    running->Append(Lines(sent.begin() + 2, sent.end()));
    const QString fileName = running->FileName();
    if (removed) {
        running->Remove();
        running.reset();
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
        QFile cutShort(folder.filePath(QStringLiteral("20261209-120000-1-1.journal-removed")));
        QVERIFY(cutShort.open(QIODevice::WriteOnly));
    } else if (!stillRuns) {
        running.reset();
        QFile file(fileName);
        QVERIFY(file.resize(file.size() - cutBytes));
    }

    std::vector<kvq::LeftJournal> found = kvq::JournalsLeftBehind(folder.path());
    QCOMPARE(found.size(), std::size_t{offered.empty() ? 0u : 1u});
    if (removed) {
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
    }
    if (found.empty()) {
        return;
    }
    QCOMPARE(found.front().lines, offered.size());
    QCOMPARE(found.front().instrumentType, 3);
    QCOMPARE(Read(found.front()), offered);

    // Taken over, it goes on after its last whole line.
    {
        kvq::LineJournal next(folder.path());
        next.Adopt(std::move(found.front()));
        next.Append(Lines{"6 12.4 3.18"});
        QVERIFY(kvq::JournalsLeftBehind(folder.path()).empty());  // held by `next`
    }
    found = kvq::JournalsLeftBehind(folder.path());
    QCOMPARE(found.size(), std::size_t{1});
    offered.push_back("6 12.4 3.18");
    QCOMPARE(Read(found.front()), offered);
}

QTEST_GUILESS_MAIN(LineJournalTest)
#include "LineJournalTest.moc"
