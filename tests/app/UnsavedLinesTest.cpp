// The unsaved lines without a window: which lines count as saved, when an action asks before
// it loses them, what No leaves, and that the journal holds the unsaved lines and no others.
// A real journal in a temporary folder; the pane is a recording sink.

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <string>
#include <vector>

#include "Files.h"
#include "RawDataWriter.h"
#include "ReceiverSinks.h"
#include "UnsavedLines.h"

using kvq::UnsavedLinesAction;

namespace {

// The journal's lines, read as its format is written down: a first line, then one line each.
QStringList JournalLines(const QString& folder) {
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.journal")}, QDir::Files);
    if (files.size() != 1) {
        return {QStringLiteral("<%1 journals>").arg(files.size())};
    }
    QStringList lines = QString::fromLatin1(FileBytes(QDir(folder).filePath(files.front())))
                            .split(QLatin1Char('\n'));
    lines.removeFirst();
    lines.removeLast();  // after the last line feed
    return lines;
}

QString Asked(int lines, const char* what) {
    return QStringLiteral("已接收的 %1 行数据尚未保存，确定要%2吗？").arg(lines).arg(what);
}

}  // namespace

Q_DECLARE_METATYPE(UnsavedLinesAction)

class UnsavedLinesTest : public QObject {
    Q_OBJECT
private slots:
    void rules_data();
    void rules();
};

// `before` is what happened to the pane, step by step: "+N" N lines arrive, "saved N" a save
// that began with N lines in the pane wrote them, "failed" a save failed, "no record" a save
// found no line of the type, "emptied" the pane was emptied.
void UnsavedLinesTest::rules_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<UnsavedLinesAction>("action");
    QTest::addColumn<bool>("answer");  // Yes
    QTest::addColumn<int>("arriveWhileAsked");
    QTest::addColumn<QStringList>("asked");  // the question's text as it went; empty: none
    QTest::addColumn<QStringList>("kept");   // the unsaved lines in the journal afterwards
    using L = QStringList;
    const auto clear = UnsavedLinesAction::kClear;
    const auto exit = UnsavedLinesAction::kExit;
    const L three{"line 1", "line 2", "line 3"};
    const L fourAndFive{"line 4", "line 5"};
    QTest::newRow("nothing received: no question")
        << L{} << UnsavedLinesAction::kChangeType << false << 0 << L{} << L{"<0 journals>"};
    QTest::newRow("unsaved lines, No: they stay")
        << L{"+3"} << clear << false << 0 << L{Asked(3, "清除")} << three;
    QTest::newRow("unsaved lines, Yes: given up")
        << L{"+3"} << clear << true << 0 << L{Asked(3, "清除")} << L{"<0 journals>"};
    QTest::newRow("all saved: no question")
        << L{"+3", "saved 3"} << exit << false << 0 << L{} << L{"<0 journals>"};
    QTest::newRow("two lines after the save")
        << L{"+3", "saved 3", "+2"} << clear << false << 0 << L{Asked(2, "清除")} << fourAndFive;
    QTest::newRow("two lines came during the save: only they stay")
        << L{"+5", "saved 3"} << clear << false << 0 << L{Asked(2, "清除")} << fourAndFive;
    QTest::newRow("two lines after a save and an emptied pane")
        << L{"+3", "saved 3", "emptied", "+2"} << clear << false << 0 << L{Asked(2, "清除")}
        << L{"line 1", "line 2"};
    QTest::newRow("the save failed") << L{"+3", "failed"} << UnsavedLinesAction::kReceiveAgain
                                     << false << 0 << L{Asked(3, "重新接收")} << three;
    QTest::newRow("the save found no line of the type")
        << L{"+3", "no record"} << UnsavedLinesAction::kChangeType << false << 0
        << L{Asked(3, "改选仪器类型")} << three;
    QTest::newRow("lines arrive while asked: the number follows, No keeps them all")
        << L{"+3"} << exit << false << 2 << L{Asked(3, "退出"), Asked(5, "退出")}
        << three + fourAndFive;
}

void UnsavedLinesTest::rules() {
    QFETCH(QStringList, before);
    QFETCH(UnsavedLinesAction, action);
    QFETCH(bool, answer);
    QFETCH(int, arriveWhileAsked);
    QFETCH(QStringList, asked);
    QFETCH(QStringList, kept);
    QTemporaryDir folder;
    RecordingLines pane;
    kvq::LineJournal journal(folder.path());
    kvq::UnsavedLines unsaved(pane, journal);
    std::size_t arrived = 0;
    const auto arrive = [&](int count) {
        std::vector<std::string> lines;
        while (count-- > 0) {
            lines.push_back("line " + std::to_string(++arrived));
        }
        unsaved.AppendLines(lines);
    };
    for (const QString& step : before) {
        kvq::SaveReport report;
        report.linesRead = step.startsWith("saved") ? step.mid(6).toUInt() : 3;
        report.records = step == "no record" ? 0 : report.linesRead;
        if (step.startsWith('+')) {
            arrive(step.mid(1).toInt());
        } else if (step == "emptied") {
            arrived = 0;
            unsaved.Emptied();
        } else {
            report.ok = step != "failed";
            unsaved.SaveEnded(report);
        }
    }
    const std::size_t unsavedBefore = unsaved.Count();
    QStringList shown;
    const bool goesAhead = unsaved.MayGoAhead(action, [&](const kvq::OpenQuestion& question) {
        shown << question.Question().text;
        if (arriveWhileAsked > 0) {
            arrive(arriveWhileAsked);
            shown << question.Question().text;
        }
        return answer;
    });

    QCOMPARE(shown, asked);
    QCOMPARE(goesAhead, asked.isEmpty() || answer);
    QCOMPARE(unsaved.Count(), goesAhead ? 0 : unsavedBefore + std::size_t(arriveWhileAsked));
    QCOMPARE(JournalLines(folder.path()), kept);
}

QTEST_GUILESS_MAIN(UnsavedLinesTest)
#include "UnsavedLinesTest.moc"
