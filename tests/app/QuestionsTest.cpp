// The questions the window asks before it loses data: received lines not yet saved, before
// the pane is emptied or the window closes, and an existing file before a save replaces it.
// Real widgets on the offscreen platform, a real line, real files.

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <string>
#include <vector>

#include "EventLoop.h"
#include "Files.h"
#include "Memo.h"
#include "QuestionBox.h"
#include "WindowUnderTest.h"
#ifndef _WIN32
#include "PtyLine.h"
#endif

using kvq::BoxMessage;

Q_DECLARE_METATYPE(BoxMessage)

namespace {

#ifdef _WIN32
// with-com-pair.sh puts a real line behind the prefix's COM1.
struct Line {
    std::string DevicePath() const { return "COM1"; }
};
#else
using Line = PtyLine;
#endif

// What the user (or the system) does while the pane holds unsaved lines.
enum class Action {
    kClear,
    kCloseButton,
    kExitItem,
    kCloseBox,
    kReceiveAgain,
    kChangeType,
    kSessionEnds
};

// Type 5 keeps lines of four fields.
const std::vector<std::string> kLines{"1 12.5 3.20 10:30", "2 12.4 3.18 10:31",
                                      "3 12.6 3.21 10:32"};

QString Asked(int lines, const char* what) {
    return QStringLiteral("已接收的 %1 行数据尚未保存，确定要%2吗？").arg(lines).arg(what);
}

void Do(WindowUnderTest& window, Action action) {
    switch (action) {
        case Action::kClear:
            window.Click("ClearData");
            break;
        case Action::kCloseButton:
            window.Click("BitBtn1");
            break;
        case Action::kExitItem:
            window->findChild<QAction*>(QStringLiteral("N1"))->trigger();
            break;
        case Action::kCloseBox:
            // What the window system sends when its close box is clicked.
            window->windowHandle()->close();
            break;
        case Action::kReceiveAgain:
            window.Click("ReceiveData");
            break;
        case Action::kChangeType:
            window.SelectInstrumentType(2);
            break;
        case Action::kSessionEnds: {
            // How the end of the session (Windows' WM_ENDSESSION, the X session manager's
            // end) reaches the program.
            QEvent quit(QEvent::Quit);
            QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
            // The quit also ends every event loop started after it, until the application's
            // own has run: one that ends at once, so that the next rows have theirs.
            QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
            QCoreApplication::exec();
            break;
        }
    }
}

QStringList JournalFiles(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.journal")}, QDir::Files);
}

// The window's state that an action answered No must leave as it was.
struct Seen {
    std::vector<std::string> pane;
    std::vector<bool> commands;
    bool portOpen;
    bool receiving;
    bool visible;
    int type;
    bool operator==(const Seen&) const = default;
};

Seen Look(WindowUnderTest& window) {
    const auto& stored = window->TextPane().StoredLines();
    int type = -1;
    for (int i = 0; i < 6 && type < 0; ++i) {
        type = window.Button(QStringLiteral("InstrTypeItem%1").arg(i))->isChecked() ? i : -1;
    }
    return {{stored.begin(), stored.end()}, window.CommandStates(), window->PortOpen(),
            window->Receiver().IsRunning(), window->isVisible(),    type};
}

}  // namespace

Q_DECLARE_METATYPE(Action)

class QuestionsTest : public QObject {
    Q_OBJECT
private slots:
    void askBeforeLosingLines_data();
    void askBeforeLosingLines();
    void offerLinesLeftBehind_data();
    void offerLinesLeftBehind();
    void realQuestionBox_data();
    void realQuestionBox();
    void replaceExistingFile_data();
    void replaceExistingFile();
};

void QuestionsTest::askBeforeLosingLines_data() {
    QTest::addColumn<Action>("action");
    QTest::addColumn<bool>("receiving");
    QTest::addColumn<bool>("answer");       // Yes
    QTest::addColumn<QString>("question");  // empty: none is asked
    const struct {
        Action action;
        const char* name;
        const char* what;
        bool receiving;
    } actions[] = {
        {Action::kClear, "清除数据", "清除", false},
        {Action::kCloseButton, "Close button", "退出", false},
        {Action::kExitItem, "退出 while receiving", "退出", true},
        {Action::kCloseBox, "close box while receiving", "退出", true},
        {Action::kCloseBox, "close box", "退出", false},
        {Action::kReceiveAgain, "接收数据 again", "重新接收", false},
        {Action::kChangeType, "another instrument type while receiving", "改选仪器类型", true},
        {Action::kChangeType, "another instrument type", "改选仪器类型", false},
    };
    for (const auto& a : actions) {
        const QString asked = Asked(3, a.what);
        QTest::addRow("%s, Yes", a.name) << a.action << a.receiving << true << asked;
        QTest::addRow("%s, No", a.name) << a.action << a.receiving << false << asked;
    }
    // The lines stay in the journal, for the next start.
    QTest::newRow("the session ends while receiving: no question")
        << Action::kSessionEnds << true << false << QString();
}

// With three unsaved lines: Yes does what the command does, No leaves pane, port, receiver,
// commands and type as they were. Which lines are unsaved and when a question is asked is
// the unsaved lines' own table (UnsavedLinesTest).
void QuestionsTest::askBeforeLosingLines() {
    QFETCH(Action, action);
    QFETCH(bool, receiving);
    QFETCH(bool, answer);
    QFETCH(QString, question);
    Line line;
    WindowUnderTest window;
    window.devices["COM1"] = line.DevicePath();
    window.SelectInstrumentType(5);
    window->show();
    QVERIFY(window.Click("OpenCom"));
    QVERIFY(window.Click("ReceiveData"));
    window.PutLines(kLines);
    if (!receiving) {
        QVERIFY(window.Click("Stop"));
    }
    const Seen was = Look(window);
    window.questionAnswer = answer;

    Do(window, action);

    QCOMPARE(window.questions.size(), std::size_t{question.isEmpty() ? 0u : 1u});
    if (!question.isEmpty()) {
        QCOMPARE(window.questions.front(),
                 (BoxMessage{QStringLiteral("警告"), question, QMessageBox::Question}));
    }
    const bool goesAhead = question.isEmpty() || answer;
    if (!goesAhead) {
        QCOMPARE(Look(window), was);
        return;
    }
    const bool closes = action == Action::kCloseButton || action == Action::kExitItem ||
                        action == Action::kCloseBox || action == Action::kSessionEnds;
    QCOMPARE(window->isVisible(), !closes);
    QCOMPARE(window->Receiver().IsTerminated(), closes);
    // Lines given up leave no journal behind (on Windows once the sync after the stop has let
    // it go); at the session's end it stays.
    const qsizetype journals = action == Action::kSessionEnds ? 1 : 0;
    QVERIFY(
        RunEventsUntil([&] { return JournalFiles(window.JournalFolder()).size() == journals; }));
    if (!closes) {
        QCOMPARE(window->TextPane().LineCount(), std::size_t{0});
        QCOMPARE(window->Unsaved().Count(), std::size_t{0});
    }
    if (action == Action::kChangeType) {
        QVERIFY(window.Button(QStringLiteral("InstrTypeItem2"))->isChecked());
        QCOMPARE(window->Receiver().IsRunning(), receiving);
    }
    if (action == Action::kReceiveAgain) {
        QVERIFY(window->Receiver().IsRunning());
    }
}

void QuestionsTest::offerLinesLeftBehind_data() {
    QTest::addColumn<bool>("answer");
    QTest::newRow("Yes: the lines in the pane, unsaved, under their type") << true;
    QTest::newRow("No: the journal goes") << false;
}

// An earlier run of type 5 was killed with two lines unsaved, the second half written.
void QuestionsTest::offerLinesLeftBehind() {
    QFETCH(bool, answer);
    QTemporaryDir folder;
    QVERIFY(WriteFile(folder.filePath("left.journal"),
                      "KVQ-TRANSFER UNSAVED LINES 1 TYPE 5\n1 12.5 3.20 10:30\r\n2 12.4 3.18"));
    WindowUnderTest window(folder.path());
    window.questionAnswer = answer;
    window->show();
    QVERIFY(RunEventsUntil([&] { return !window.questions.empty(); }));

    QCOMPARE(window.questions,
             (std::vector<BoxMessage>{{QStringLiteral("恢复数据"),
                                       QStringLiteral("上次接收的 1 行数据没有保存，要恢复吗？"),
                                       QMessageBox::Question, true}}));
    const auto& stored = window->TextPane().StoredLines();
    QCOMPARE((std::vector<std::string>{stored.begin(), stored.end()}),
             answer ? std::vector<std::string>{"1 12.5 3.20 10:30"} : std::vector<std::string>{});
    QCOMPARE(window->Unsaved().Count(), std::size_t{answer ? 1u : 0u});
    QCOMPARE(window.Button(QStringLiteral("InstrTypeItem5"))->isChecked(), answer);
    QCOMPARE(JournalFiles(folder.path()).size(), qsizetype{answer ? 1 : 0});
}

void QuestionsTest::realQuestionBox_data() {
    QTest::addColumn<BoxMessage>("asked");
    QTest::addColumn<bool>("enterAnswers");  // Yes
    QTest::newRow("before lines are lost: No")
        << kvq::UnsavedLinesQuestion(3, kvq::UnsavedLinesAction::kClear) << false;
    // No would remove the lines.
    QTest::newRow("lines left behind: Yes") << kvq::RestoreLinesQuestion(3) << true;
}

// The real box: Yes and No, Enter answers what loses nothing, and its text follows the
// question's.
void QuestionsTest::realQuestionBox() {
    QFETCH(BoxMessage, asked);
    QFETCH(bool, enterAnswers);
    kvq::OpenQuestion question(asked);
    QString textWhenAnswered;
    QTimer::singleShot(0, this, [&] {
        QMessageBox* box = nullptr;
        RunEventsUntil([&] {
            box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            return box != nullptr;
        });
        if (box == nullptr) {
            return;
        }
        question.SetText(QStringLiteral("changed"));
        textWhenAnswered = box->text();
        QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        // Enter presses the default button.
        QTest::keyClick(box, Qt::Key_Return);
        if (box->isVisible()) {
            box->done(QMessageBox::Cancel);  // never leave the test waiting
        }
    });
    QCOMPARE(kvq::AskQuestionBox(nullptr, question), enterAnswers);
    QCOMPARE(textWhenAnswered, QStringLiteral("changed"));
}

void QuestionsTest::replaceExistingFile_data() {
    QTest::addColumn<bool>("paneEmpty");
    QTest::newRow("L10.kvq exists, No: back to the dialog with the typed name") << false;
    QTest::newRow("L10.kvq exists, the pane empty: nothing to save, nothing asked") << true;
}

// The window's save goes through the save flow with its dialog and questions (the flow's
// rules are in SaveFlowTest): "L10.9" under "所有文件" writes L10.kvq, so the question names
// that file; with nothing in the pane there is nothing to save and no file is touched.
void QuestionsTest::replaceExistingFile() {
    QFETCH(bool, paneEmpty);
    QTemporaryDir folder;
    const QString l10 = folder.filePath("L10.kvq");
    const QByteArray firstLine("1 12.5 3.20 10:30\r\n");
    QVERIFY(WriteFile(l10, firstLine));
    WindowUnderTest window;
    window.SelectInstrumentType(5);
    if (!paneEmpty) {
        window.PutLines({"2 12.4 3.18 10:31"});
    }
    window.saveAnswer = folder.filePath("L10.9");
    window.questionAnswer = false;
    // After the No the user types another name.
    window.whileAsked = [&](const kvq::OpenQuestion&) {
        window.saveAnswer = folder.filePath("L11");
    };
    window->SaveDataClick();

    QCOMPARE(FileBytes(l10), firstLine);
    if (paneEmpty) {
        QVERIFY(window.questions.empty());
        QVERIFY(window.saveRequests.empty());
        QCOMPARE(window.messages, (std::vector<BoxMessage>{{QStringLiteral("保存数据"),
                                                            QStringLiteral("没有可保存的数据"),
                                                            QMessageBox::Information}}));
        return;
    }
    QCOMPARE(window.questions,
             (std::vector<BoxMessage>{{QStringLiteral("保存数据"),
                                       QStringLiteral("L10.kvq 已存在，要替换它吗？"),
                                       QMessageBox::Question}}));
    QCOMPARE(window.saveRequests.size(), std::size_t{2});
    QCOMPARE(window.saveRequests.back().proposedName, folder.filePath("L10.9"));
    QCOMPARE(FileBytes(folder.filePath("L11.kvq")), QByteArray("2 12.4 3.18 10:31\r\n"));
    QCOMPARE(window->SaveFileName(), QDir::toNativeSeparators(folder.filePath("L11.kvq")));
    QVERIFY(window.messages.empty());
}

QTEST_MAIN(QuestionsTest)
#include "QuestionsTest.moc"
