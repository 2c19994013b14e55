// Open, receive, stop and save on a real pseudo-terminal, through the real save flow into
// real files: what the window gives the save flow and how it keeps its event loop going (the
// flow's own rules are tested in SaveFlowTest).

#include <sys/stat.h>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "Files.h"
#include "Memo.h"
#include "PermissionBitsBind.h"
#include "Texts.h"
#include "WindowOnLine.h"

Q_DECLARE_METATYPE(std::vector<std::string>)

class TransferCycleTest : public QObject {
    Q_OBJECT
private slots:
    void receiveAndSaveEachInstrumentType_data();
    void receiveAndSaveEachInstrumentType();
    void saveDialogRequest();
    void saveDialogFilters();
    void saveStartFolder_data();
    void saveStartFolder();
    void receiveAgainEmptiesThePane();
    void partialLineAcrossStop_data();
    void partialLineAcrossStop();
    void instrumentTypeChangeEmptiesThePane();
    void longLineIsSavedAsItsFirst4096Bytes();
    void longSaveKeepsTheEventLoopGoing();
};

void TransferCycleTest::receiveAndSaveEachInstrumentType_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<std::vector<std::string>>("lines");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("0 KVQ-3: twenty fields pass through")
        << 0
        << std::vector<std::string>{
               "  1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20",
               "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19",
               "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21"}
        << QByteArray("  1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20\r\n");
    QTest::newRow("1 KVQ-3B: carried value from the eight-field line")
        << 1
        << std::vector<std::string>{"1,2,3,12,5,6,7,8",
                                    "1, 5.0, 15.0, 2.5, 0, 10.0\t125.6 38.2 3.29 0.6 1.02 36.4 "
                                    "0.8 0.15 2 4 9 12.5 0.03 6 7 0"}
        << QByteArray(
               "1 5.0 10.0 15.0 2.5 125.6 38.2 3.29 0.6 1.02 36.4 2 0.8 0.15 4 12 12.5 "
               "0.03 6 7\r\n");
    QTest::newRow("2 HXR: ten readings make a record")
        << 2
        << std::vector<std::string>{"POINT 1", "1.25", "-0.50", "3",  "12.0 4", "7.75", "0.004",
                                    "",        "100",  "2.5E3", "8,", "9.1",    "16",   "12"}
        << QByteArray(
               "1.25 -0.50 3 7.75 0.004 9999 9999 9999 9999 9999 9999 9999 9999 9999 9999 "
               "100 2.5E3 8 9.1 16\r\n");
    const QByteArray receiverRecord(
        "1 10.0 9999 2.5 9999 123.4 0.56 7.89 1.23 9999 9999 9999 9999 9999 9999 5 45.6 9999 "
        "9999 9999\r\n");
    const std::vector<std::string> receiverLines{"1 10.0 2.5 123.4 0.56 7.89 1.23 45.6",
                                                 "1 2 3 4 5 6 7"};
    QTest::newRow("3 WKT-4 receiver") << 3 << receiverLines << receiverRecord;
    QTest::newRow("4 WKP-7 receiver, same layout") << 4 << receiverLines << receiverRecord;
    QTest::newRow("5 WKP-7 transmitter: four fields pass through, bytes unchanged")
        << 5
        << std::vector<std::string>{"TX LOG",
                                    "1 12.5 3.20 10:30",
                                    "2,12.4,3.18,10:31",
                                    "3 12.6 3.21",
                                    "",
                                    "4 12.5 3.19 10:32 0",
                                    "\xb2\xe2\xb5\xe3 12.5 3.20 10:33",
                                    "\xff\x80\xb2 1 2 3"}
        << QByteArray(
               "1 12.5 3.20 10:30\r\n2,12.4,3.18,10:31\r\n"
               "\xb2\xe2\xb5\xe3 12.5 3.20 10:33\r\n\xff\x80\xb2 1 2 3\r\n");
}

// The instrument ends its lines with CR LF; the pane keeps them without the CR.
void TransferCycleTest::receiveAndSaveEachInstrumentType() {
    QFETCH(int, type);
    QFETCH(std::vector<std::string>, lines);
    QFETCH(QByteArray, file);
    WindowOnLine session;
    session.window.SelectInstrumentType(type);
    QVERIFY(session.Receive(Joined(lines, "\r\n"), lines.size()));
    const auto& stored = session.window->TextPane().StoredLines();
    QCOMPARE(std::vector<std::string>(stored.begin(), stored.end()), lines);
    session.window->StopClick();
    QVERIFY(session.window.Enabled(kvq::Command::kSaveDataButton));

    const QString saved = session.Save(QStringLiteral("survey"));
    QCOMPARE(saved, session.folder.filePath("survey.kvq"));
    QCOMPARE(FileBytes(saved), file);
    // Only the HXR example leaves a reading ("12") out, which saveMessage covers.
    QCOMPARE(session.window.messages.size(), std::size_t{type == 2 ? 1u : 0u});
}

void TransferCycleTest::saveDialogRequest() {
    WindowUnderTest window;
    window.PutLines({"1 2 3 4"});
    window->SaveDataClick();
    QCOMPARE(window.saveRequests.size(), std::size_t{1});
    const kvq::SaveDialogRequest& request = window.saveRequests.front();
    QCOMPARE(request.title, QStringLiteral("保存传输的数据"));
    QCOMPARE(request.filters,
             (QStringList{"KVQ格式原始数据文件(*.kvq) (*.kvq)", "所有文件(*.*) (*)"}));
    // The Data folder beside the program's own folder.
    const QString programFolder = QCoreApplication::applicationDirPath();
    QCOMPARE(request.startFolder, QDir::cleanPath(programFolder + "/..") + "/Data/");
    QVERIFY(request.proposedName.isEmpty());
}

// The real dialog: the texts as given, and "所有文件(*.*)" lists files without a dot too.
void TransferCycleTest::saveDialogFilters() {
    QTemporaryDir folder;
    for (const char* name : {"capture", "line3.kvq"}) {
        QFile file(folder.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    WindowUnderTest window;
    window.PutLines({"1 2 3 4"});
    window->SaveDataClick();
    kvq::SaveDialogRequest request = window.saveRequests.front();
    request.startFolder = folder.path();
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    kvq::ConfigureSaveDialog(dialog, request);
    dialog.show();
    auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    QVERIFY(types != nullptr);
    QCOMPARE(types->count(), 2);
    QCOMPARE(types->itemText(0), QStringLiteral("KVQ格式原始数据文件(*.kvq)"));
    QCOMPARE(types->itemText(1), QStringLiteral("所有文件(*.*)"));

    auto* files = dialog.findChild<QListView*>(QStringLiteral("listView"));
    QVERIFY(files != nullptr);
    auto shown = [files] {
        QStringList names;
        const QModelIndex root = files->rootIndex();
        for (int row = 0; row < files->model()->rowCount(root); ++row) {
            names << files->model()->index(row, 0, root).data().toString();
        }
        names.sort();
        return names;
    };
    QTRY_COMPARE(shown(), QStringList{"line3.kvq"});
    dialog.selectNameFilter(request.filters[1]);
    QCOMPARE(types->currentIndex(), 1);
    QTRY_COMPARE(shown(), (QStringList{"capture", "line3.kvq"}));
}

void TransferCycleTest::saveStartFolder_data() {
    QTest::addColumn<QString>("dataFolder");
    QTest::addColumn<bool>("startsThere");
    QTest::newRow("data folder to save in") << "Data" << true;
    QTest::newRow("data folder missing: home, not the working folder") << "missing" << false;
    QTest::newRow("a file named like the data folder") << "file" << false;
    QTest::newRow("data folder not writable") << "read-only" << false;
}

void TransferCycleTest::saveStartFolder() {
    QFETCH(QString, dataFolder);
    QFETCH(bool, startsThere);
    QTemporaryDir root;
    const QString home = root.filePath("home");
    const QString folder = root.filePath(dataFolder);
    QVERIFY(QDir().mkpath(home));
    const QString savedCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(root.path()));
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home));
    if (dataFolder == "Data" || dataFolder == "read-only") {
        QVERIFY(QDir().mkpath(folder));
    } else if (dataFolder == "file") {
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    if (dataFolder == "read-only") {
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    }
    QString chosen;
    {
        const PermissionBitsBind bind;
        QVERIFY(bind.Binds());
        chosen = kvq::SaveStartFolder(folder + "/");
    }
    qputenv("HOME", savedHome);
    QDir::setCurrent(savedCurrent);
    QCOMPARE(chosen, startsThere ? folder + "/" : home);
}

void TransferCycleTest::receiveAgainEmptiesThePane() {
    WindowOnLine session;
    QVERIFY(session.Receive("a\nb\n", 2));
    session.window->StopClick();
    session.window->ReceiveDataClick();
    QCOMPARE(session.window->TextPane().LineCount(), std::size_t{0});
    QVERIFY(session.line.Send("c\n"));
    QVERIFY(RunEventsUntil([&] { return session.window->TextPane().LineCount() == 1; }));
    QCOMPARE(session.window->TextPane().StoredLines().front(), std::string("c"));
}

void TransferCycleTest::partialLineAcrossStop_data() {
    QTest::addColumn<bool>("clear");
    QTest::addColumn<QByteArray>("firstLine");
    // The instrument may still be sending: its half line is completed, not lost or split.
    QTest::newRow("停止传输, 接收数据: the half line goes on") << false << QByteArray("12 3.5 7 8");
    // A crew that clears wants a clean start.
    QTest::newRow("停止传输, 清除数据, 接收数据: the half line is gone")
        << true << QByteArray(".5 7 8");
}

void TransferCycleTest::partialLineAcrossStop() {
    QFETCH(bool, clear);
    QFETCH(QByteArray, firstLine);
    WindowOnLine session;
    kvq::TRS232Form& window = session.window.Window();
    QVERIFY(session.Receive("1 2\n12 3", 1));
    QVERIFY(RunEventsUntil([&] { return window.Receiver().LineBuffer().Pending() == "12 3"; }));
    window.StopClick();
    // Bytes that arrive while stopped wait in the port.
    QVERIFY(session.line.Send(".5 7 8\n9"));
    QTest::qWait(50);
    QCOMPARE(window.TextPane().LineCount(), std::size_t{1});
    if (clear) {
        window.ClearDataClick();
    }
    window.ReceiveDataClick();
    QVERIFY(RunEventsUntil([&] {
        return window.TextPane().LineCount() == 1 &&
               window.Receiver().LineBuffer().Pending() == "9";
    }));
    QCOMPARE(window.TextPane().StoredLines().front(), firstLine.toStdString());
}

void TransferCycleTest::instrumentTypeChangeEmptiesThePane() {
    WindowUnderTest window;
    window.PutLines({"1 2 3 4"});
    window.SetEnabled(kvq::Command::kSaveDataButton, true);
    window.SelectInstrumentType(2);
    QCOMPARE(window->TextPane().LineCount(), std::size_t{0});
    QVERIFY(window.Enabled(kvq::Command::kSaveDataButton));
}

// The pane gives back at most the first 4096 bytes of a line, and the save uses what it
// gives back.
void TransferCycleTest::longLineIsSavedAsItsFirst4096Bytes() {
    WindowUnderTest window;
    QTemporaryDir folder;
    const std::string line = "1 2 3 " + std::string(5000, '4');
    window.SelectInstrumentType(5);
    window.PutLines({line});
    window.saveAnswer = folder.filePath("long");
    window->SaveDataClick();
    QCOMPARE(FileBytes(folder.filePath("long.kvq")),
             QByteArray::fromStdString(line.substr(0, 4096) + "\r\n"));
}

// A save of many lines lets read steps and paints run meanwhile (as under a modal dialog),
// and saves the lines the pane held when it began, none that arrived during it.
void TransferCycleTest::longSaveKeepsTheEventLoopGoing() {
    WindowOnLine session;
    session.window.SelectInstrumentType(5);
    constexpr std::size_t kLines = 100000;
    session.window.PutLines(std::vector<std::string>(kLines, "1 2 3 4"));
    // Lines put straight into the pane leave the commands alone: the user could save them.
    session.window.SetEnabled(kvq::Command::kSaveDataButton, true);
    int ticks = 0;
    QTimer arriving;
    QObject::connect(&arriving, &QTimer::timeout, [&] {
        ++ticks;
        session.window.PutLines({"5 6 7 8"});
    });
    arriving.start(1);
    QElapsedTimer clock;
    clock.start();
    const QString saved = session.Save(QStringLiteral("long"));
    const qint64 ms = clock.elapsed();
    arriving.stop();
    const QByteArray file = FileBytes(saved);
    QCOMPARE(file.size(), qsizetype(kLines * 9));
    QVERIFY(!file.contains("5 6 7 8"));
    // The save takes long enough here for the event loop to have run more than once.
    QVERIFY2(ms < 40 || ticks >= 2,
             qPrintable(QStringLiteral("%1 ticks in %2 ms").arg(ticks).arg(ms)));
    QCOMPARE(session.window->TextPane().LineCount(), kLines + static_cast<std::size_t>(ticks));
    // What came during the save is not in the file.
    QCOMPARE(session.window->Unsaved().Count(), static_cast<std::size_t>(ticks));
}

QTEST_MAIN(TransferCycleTest)
#include "TransferCycleTest.moc"
