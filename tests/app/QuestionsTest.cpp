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

namespace {

#ifdef _WIN32
// with-com-pair.sh puts a real line behind the prefix's COM1.
struct Line {
    std::string DevicePath() const { return "COM1"; }
};
#else
using Line = PtyLine;
#endif

enum class Action { kClear, kCloseButton, kExitItem, kCloseBox, kReceiveAgain, kChangeType };
// What became of the lines in the pane before the action.
enum class Before {
    kNone,
    kUnsaved,
    kSaved,
    kMoreAfterSave,
    kMoreAfterSaveAndClear,
    kFailedSave,
    kEmptySave
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
    }
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
Q_DECLARE_METATYPE(Before)

class QuestionsTest : public QObject {
    Q_OBJECT
private slots:
    void askBeforeLosingLines_data();
    void askBeforeLosingLines();
    void countFollowsLinesArrivingWhileAsked();
    void realQuestionBox();
    void replaceExistingFile_data();
    void replaceExistingFile();
};

void QuestionsTest::askBeforeLosingLines_data() {
    QTest::addColumn<Action>("action");
    QTest::addColumn<Before>("before");
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
        QTest::addRow("%s, nothing received", a.name)
            << a.action << Before::kNone << a.receiving << false << QString();
        QTest::addRow("%s, unsaved lines, Yes", a.name)
            << a.action << Before::kUnsaved << a.receiving << true << asked;
        QTest::addRow("%s, unsaved lines, No", a.name)
            << a.action << Before::kUnsaved << a.receiving << false << asked;
    }
    QTest::newRow("清除数据, all saved")
        << Action::kClear << Before::kSaved << false << false << QString();
    QTest::newRow("清除数据, two lines after the save")
        << Action::kClear << Before::kMoreAfterSave << false << false << Asked(2, "清除");
    QTest::newRow("清除数据, two lines after a save and a clear")
        << Action::kClear << Before::kMoreAfterSaveAndClear << false << false << Asked(2, "清除");
    QTest::newRow("清除数据, the save failed")
        << Action::kClear << Before::kFailedSave << false << false << Asked(3, "清除");
    QTest::newRow("another type after a save that found no line of the type")
        << Action::kChangeType << Before::kEmptySave << false << false << Asked(3, "改选仪器类型");
}

// Yes does what the command does; No leaves pane, port, receiver, commands and type as they
// were; nothing is asked when no line would be lost.
void QuestionsTest::askBeforeLosingLines() {
    QFETCH(Action, action);
    QFETCH(Before, before);
    QFETCH(bool, receiving);
    QFETCH(bool, answer);
    QFETCH(QString, question);
    Line line;
    QTemporaryDir folder;
    WindowUnderTest window;
    window.devices["COM1"] = line.DevicePath();
    window.SelectInstrumentType(before == Before::kEmptySave ? 0 : 5);
    window->show();
    QVERIFY(window.Click("OpenCom"));
    QVERIFY(window.Click("ReceiveData"));
    if (before != Before::kNone) {
        window.PutLines(kLines);
    }
    if (before == Before::kSaved || before == Before::kMoreAfterSave ||
        before == Before::kMoreAfterSaveAndClear || before == Before::kEmptySave) {
        window.saveAnswer = folder.filePath("saved");
    } else if (before == Before::kFailedSave) {
        window.saveAnswer = folder.filePath("missing/saved");
    }
    if (window.saveAnswer) {
        window->SaveDataClick();
    }
    if (before == Before::kMoreAfterSaveAndClear) {
        window->ClearDataClick();
    }
    if (before == Before::kMoreAfterSave || before == Before::kMoreAfterSaveAndClear) {
        window.PutLines({"4 12.5 3.19 10:33", "5 12.5 3.19 10:34"});
    }
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
                        action == Action::kCloseBox;
    QCOMPARE(window->isVisible(), !closes);
    QCOMPARE(window->Receiver().IsTerminated(), closes);
    if (!closes) {
        QCOMPARE(window->TextPane().LineCount(), std::size_t{0});
        QCOMPARE(window->UnsavedLines(), std::size_t{0});
    }
    if (action == Action::kChangeType) {
        QVERIFY(window.Button(QStringLiteral("InstrTypeItem2"))->isChecked());
        QCOMPARE(window->Receiver().IsRunning(), receiving);
    }
    if (action == Action::kReceiveAgain) {
        QVERIFY(window->Receiver().IsRunning());
    }
}

// Read steps go on under the open question: its number follows the lines that arrive, and
// what Yes agrees to is what the box says when it is answered.
void QuestionsTest::countFollowsLinesArrivingWhileAsked() {
    Line line;
    WindowUnderTest window;
    window.devices["COM1"] = line.DevicePath();
    window->show();
    QVERIFY(window.Click("OpenCom"));
    QVERIFY(window.Click("ReceiveData"));
    window.PutLines(kLines);
    QStringList shown;
    window.whileAsked = [&](const kvq::OpenQuestion& question) {
        shown << question.Question().text;
        window.PutLines({"4 12.5 3.19 10:33", "5 12.5 3.19 10:34"});
        shown << question.Question().text;
    };
    window.questionAnswer = false;
    QVERIFY(window->windowHandle()->close() == false);
    QCOMPARE(shown, (QStringList{Asked(3, "退出"), Asked(5, "退出")}));
    QCOMPARE(window->UnsavedLines(), std::size_t{5});
    QVERIFY(window->isVisible());
}

// The real box: Yes and No, No the default, and its text follows the question's.
void QuestionsTest::realQuestionBox() {
    kvq::OpenQuestion question(kvq::UnsavedLinesQuestion(3, kvq::UnsavedLinesAction::kClear));
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
        question.SetText(Asked(4, "清除"));
        textWhenAnswered = box->text();
        QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        // Enter presses the default button.
        QTest::keyClick(box, Qt::Key_Return);
        if (box->isVisible()) {
            box->done(QMessageBox::Yes);  // never leave the test waiting
        }
    });
    QVERIFY(!kvq::AskQuestionBox(nullptr, question));
    QCOMPARE(textWhenAnswered, Asked(4, "清除"));
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
