// Which commands are enabled after each handler: the table applied column by column, the
// usual course of a session with its states written out, and the odd entries on their own.

#include <QListWidget>
#include <QTest>
#include <set>

#include "Files.h"
#include "Memo.h"
#include "WindowOnLine.h"

using kvq::Command;
using kvq::CommandColumn;

namespace {

// Enabled states from the names of the commands that are on.
std::vector<bool> On(std::set<std::string_view> names) {
    std::vector<bool> states;
    for (const std::string_view name : kvq::kCommandNames) {
        states.push_back(names.count(name) > 0);
    }
    return states;
}

// The enabling table as the window's documentation gives it, one column a string in the order
// OpenCom ReceiveData Stop ClearData SaveData N3 X1 N5 S1 S2: '+' on, '-' off, '.' left as
// it was, 'm' on if the pane holds a line and else left as it was.
bool ExpectedState(QChar rule, bool before, bool paneHasLine) {
    switch (rule.toLatin1()) {
        case '+':
            return true;
        case '-':
            return false;
        case 'm':
            return paneHasLine || before;
        default:
            return before;
    }
}

void SetAll(WindowUnderTest& window, bool enabled) {
    for (std::size_t i = 0; i < kvq::kCommandCount; ++i) {
        window.SetEnabled(static_cast<Command>(i), enabled);
    }
}

// Opens COM1 through the handler the button and the menu item share.
bool OpenCom(WindowUnderTest& window) {
    window->OpenComClick();
    return window->PortOpen();
}

}  // namespace

class CommandTableTest : public QObject {
    Q_OBJECT
private slots:
    void initialColumnIsTheWindowDefinition();
    void eachHandlerAppliesItsColumn_data();
    void eachHandlerAppliesItsColumn();
    void usualCourse();
    void refusedSettingKeepsSave();
    void buttonAndMenuItemMoveApart();
    void stopWithEmptyPaneLeavesSave_data();
    void stopWithEmptyPaneLeavesSave();
    void closePortLeavesN5_data();
    void closePortLeavesN5();
    void handlersWithoutColumnChangeNothing_data();
    void handlersWithoutColumnChangeNothing();
};

void CommandTableTest::initialColumnIsTheWindowDefinition() {
    WindowUnderTest window;
    QCOMPARE(window.CommandStates(), On({"OpenCom", "N3"}));
}

void CommandTableTest::eachHandlerAppliesItsColumn_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("before");
    QTest::addColumn<bool>("paneHasLine");
    QTest::addColumn<QString>("rules");
    const struct {
        CommandColumn column;
        const char* name;
        const char* rules;
    } columns[] = {
        {CommandColumn::kOpenSucceeded, "OpenComClick succeeds", "-+....+++."},
        {CommandColumn::kSettingsNotWritten, "OpenComClick settings refused", ".-.-m....m"},
        {CommandColumn::kReceiveStarted, "ReceiveDataClick with a port", "--+-.---+."},
        {CommandColumn::kStopped, "StopClick", "++-+m++++m"},
        {CommandColumn::kCleared, "ClearDataClick", "...--....-"},
        {CommandColumn::kPortClosed, "X1Click", "+--..--.-."},
        {CommandColumn::kLinesRestored, "lines left unsaved restored at the start", "...++....+"},
    };
    for (const auto& c : columns) {
        for (const bool before : {false, true}) {
            for (const bool paneHasLine : {false, true}) {
                if (c.column == CommandColumn::kLinesRestored && paneHasLine) {
                    continue;  // offered only to an empty pane; it then holds the lines
                }
                QTest::addRow("%s, all %s before, pane %s", c.name, before ? "on" : "off",
                              paneHasLine ? "with a line" : "empty")
                    << static_cast<int>(c.column) << before << paneHasLine
                    << QString::fromLatin1(c.rules);
            }
        }
    }
}

// Every command takes the table's value, and those the table leaves alone keep theirs,
// whether they were on or off before.
void CommandTableTest::eachHandlerAppliesItsColumn() {
    QFETCH(int, column);
    QFETCH(bool, before);
    QFETCH(bool, paneHasLine);
    QFETCH(QString, rules);
    WindowOnLine session;
    WindowUnderTest& window = session.window;
    const auto col = static_cast<CommandColumn>(column);
    if (col == CommandColumn::kReceiveStarted) {
        QVERIFY(OpenCom(window));
    }
    if (col == CommandColumn::kSettingsNotWritten) {
        window.List("BitSize")->setCurrentRow(3);
        window.List("StopBit")->setCurrentRow(1);  // 1.5 stop bits with 8 data bits
    }
    SetAll(window, before);
    if (paneHasLine) {
        window.PutLines({"1 2 3 4"});
    }
    switch (col) {
        case CommandColumn::kOpenSucceeded:
        case CommandColumn::kSettingsNotWritten:
            window->OpenComClick();
            break;
        case CommandColumn::kReceiveStarted:
            window->ReceiveDataClick();
            break;
        case CommandColumn::kStopped:
            window->StopClick();
            break;
        case CommandColumn::kCleared:
            window->ClearDataClick();
            break;
        case CommandColumn::kPortClosed:
            window->X1Click();
            break;
        case CommandColumn::kLinesRestored:
            QVERIFY(WriteFile(QDir(window.JournalFolder()).filePath("left.journal"),
                              "KVQ-TRANSFER UNSAVED LINES 1 TYPE 5\n1 2 3 4\n"));
            window->OfferLinesLeftBehind();
            break;
        case CommandColumn::kInitial:
            QFAIL("no handler");
    }
    // Receive and clear empty the pane before the table is applied.
    const bool lineWhenApplied =
        (paneHasLine && col != CommandColumn::kReceiveStarted && col != CommandColumn::kCleared) ||
        col == CommandColumn::kLinesRestored;
    QCOMPARE(window->TextPane().HasLine(), lineWhenApplied);
    for (std::size_t i = 0; i < kvq::kCommandCount; ++i) {
        const auto command = static_cast<Command>(i);
        const bool expected =
            ExpectedState(rules.at(static_cast<qsizetype>(i)), before, lineWhenApplied);
        QVERIFY2(window.Enabled(command) == expected, kvq::kCommandNames[i].data());
    }
}

// The states of a session as the user meets them.
void CommandTableTest::usualCourse() {
    WindowOnLine session;
    WindowUnderTest& window = session.window;
    QCOMPARE(window.CommandStates(), On({"OpenCom", "N3"}));

    QVERIFY(OpenCom(session.window));
    QCOMPARE(window.CommandStates(), On({"ReceiveData", "N3", "X1", "N5", "S1"}));

    window->ReceiveDataClick();
    QCOMPARE(window.CommandStates(), On({"Stop", "S1"}));

    QVERIFY(session.line.Send("1 2 3 4\n"));
    QVERIFY(RunEventsUntil([&] { return window->TextPane().LineCount() == 1; }));
    window->StopClick();
    QCOMPARE(window.CommandStates(),
             On({"OpenCom", "ReceiveData", "ClearData", "SaveData", "N3", "X1", "N5", "S1", "S2"}));

    window->ClearDataClick();
    QCOMPARE(window.CommandStates(), On({"OpenCom", "ReceiveData", "N3", "X1", "N5", "S1"}));

    window->X1Click();
    QCOMPARE(window.CommandStates(), On({"OpenCom", "N5"}));
    QVERIFY(!window->PortOpen());
}

// Received, stopped, a setting the port refuses, then the open again with settings it takes:
// saving stays on throughout, by the button and by the menu.
void CommandTableTest::refusedSettingKeepsSave() {
    WindowOnLine session;
    WindowUnderTest& window = session.window;
    QVERIFY(session.Receive("1 2 3 4\n", 1));
    window->StopClick();
    window.List("StopBit")->setCurrentRow(1);  // 1.5 stop bits with 8 data bits: refused
    window->OpenComClick();
    QVERIFY(!window->PortOpen());
    QCOMPARE(window.CommandStates(), On({"OpenCom", "SaveData", "N3", "X1", "N5", "S1", "S2"}));

    window.List("StopBit")->setCurrentRow(0);
    QVERIFY(OpenCom(window));
    QCOMPARE(window.CommandStates(), On({"ReceiveData", "SaveData", "N3", "X1", "N5", "S1", "S2"}));
}

void CommandTableTest::buttonAndMenuItemMoveApart() {
    WindowOnLine session;
    WindowUnderTest& window = session.window;
    QVERIFY(OpenCom(session.window));
    QVERIFY(!window.Enabled(Command::kOpenComButton));
    QVERIFY(window.Enabled(Command::kOpenPortItem));  // a second open from the menu stays possible
    QVERIFY(window.Enabled(Command::kStopItem));
    QVERIFY(!window.Enabled(Command::kStopButton));

    window->StopClick();
    QVERIFY(!window.Enabled(Command::kStopButton));
    QVERIFY(window.Enabled(Command::kStopItem));

    window->X1Click();
    QVERIFY(window.Enabled(Command::kOpenComButton));
    QVERIFY(!window.Enabled(Command::kOpenPortItem));
}

void CommandTableTest::stopWithEmptyPaneLeavesSave_data() {
    QTest::addColumn<bool>("before");
    QTest::newRow("save was enabled") << true;
    QTest::newRow("save was disabled") << false;
}

void CommandTableTest::stopWithEmptyPaneLeavesSave() {
    QFETCH(bool, before);
    WindowUnderTest window;
    window.SetEnabled(Command::kSaveDataButton, before);
    window.SetEnabled(Command::kSaveItem, before);
    window->StopClick();
    QCOMPARE(window.Enabled(Command::kSaveDataButton), before);
    QCOMPARE(window.Enabled(Command::kSaveItem), before);
}

void CommandTableTest::closePortLeavesN5_data() {
    QTest::addColumn<bool>("before");
    QTest::newRow("N5 was enabled") << true;
    QTest::newRow("N5 was disabled") << false;
}

void CommandTableTest::closePortLeavesN5() {
    QFETCH(bool, before);
    WindowOnLine session;
    QVERIFY(OpenCom(session.window));
    session.window.SetEnabled(Command::kReceiveItem, before);
    session.window->X1Click();
    QCOMPARE(session.window.Enabled(Command::kReceiveItem), before);
}

void CommandTableTest::handlersWithoutColumnChangeNothing_data() {
    QTest::addColumn<QString>("handler");
    QTest::addColumn<bool>("before");
    for (const char* handler : {"open fails", "settings cannot be read", "receive without port",
                                "save cancelled", "save", "instrument type"}) {
        QTest::addRow("%s, all on", handler) << handler << true;
        QTest::addRow("%s, all off", handler) << handler << false;
    }
}

void CommandTableTest::handlersWithoutColumnChangeNothing() {
    QFETCH(QString, handler);
    QFETCH(bool, before);
    QTemporaryDir folder;
    WindowUnderTest window;
    window.PutLines({"1 2 3 4"});
    SetAll(window, before);
    if (handler == "open fails") {
        window->OpenComClick();  // COM1 leads nowhere
        QCOMPARE(window.messages.size(), std::size_t{1});
    } else if (handler == "settings cannot be read") {
        window.devices["COM1"] = "/dev/null";
        window->OpenComClick();
        QVERIFY(window->PortOpen());
        QCOMPARE(window.messages.size(), std::size_t{1});
    } else if (handler == "receive without port") {
        window->ReceiveDataClick();
        QCOMPARE(window.messages.size(), std::size_t{1});
    } else if (handler == "save cancelled") {
        window->SaveDataClick();
    } else if (handler == "save") {
        window.saveAnswer = folder.filePath("out");
        window->SaveDataClick();
        QVERIFY(QFile::exists(folder.filePath("out.kvq")));
    } else if (handler == "instrument type") {
        window.SelectInstrumentType(5);
        QVERIFY(!window->TextPane().HasLine());
    }
    QCOMPARE(window.CommandStates(), std::vector<bool>(kvq::kCommandCount, before));
}

QTEST_MAIN(CommandTableTest)
#include "CommandTableTest.moc"
