// The Windows half of the end-to-end run (e2e.sh plays the instrument with kvq-sim on the
// prefix's COM1): the main window opens COM1, receives the lines, stops and saves through its
// own commands. e2e.sh then compares the file with kvq-convert's of the bytes sent.
//   KVQ_E2E_TYPE     instrument type
//   KVQ_E2E_LINES    lines the simulator sends
//   KVQ_E2E_OUTPUT   file name to save as (Windows form, without ".kvq"); the texts of the
//                    boxes the save showed go to the same name with ".messages", one a line
//   KVQ_E2E_READY    file made once the port is open and set up and reception runs: e2e.sh
//                    holds the simulator until then, as a user starts the instrument after
//                    opening the port (setting up the port discards what waits)

#include <QFile>
#include <QTest>

#include "EventLoop.h"
#include "Memo.h"
#include "WindowUnderTest.h"

class WindowReceivesTest : public QObject {
    Q_OBJECT
private slots:
    void receivesAndSaves();
};

void WindowReceivesTest::receivesAndSaves() {
    const int type = qEnvironmentVariableIntValue("KVQ_E2E_TYPE");
    const auto lines = static_cast<std::size_t>(qEnvironmentVariableIntValue("KVQ_E2E_LINES"));
    const QString output = qEnvironmentVariable("KVQ_E2E_OUTPUT");
    QVERIFY2(lines > 0 && !output.isEmpty(), "KVQ_E2E_LINES and KVQ_E2E_OUTPUT must be set");

    WindowUnderTest window;
    window.devices["COM1"] = "COM1";
    window.SelectInstrumentType(type);
    QVERIFY(window.Click("OpenCom"));
    QVERIFY2(window->PortOpen(),
             window.messages.empty() ? "no port" : qPrintable(window.messages.front().text));
    QVERIFY(window.Click("ReceiveData"));
    QFile ready(qEnvironmentVariable("KVQ_E2E_READY"));
    QVERIFY(ready.open(QIODevice::WriteOnly));
    ready.close();
    // Under Wine on a busy machine the lines come slowly: a guard only.
    QTRY_COMPARE_WITH_TIMEOUT(window->TextPane().LineCount(), lines, 3 * kGuardMs);
    // The simulator's end is the instrument going away: at most that one report.
    QVERIFY(window.messages.size() <= 1);

    QVERIFY(window.Click("Stop"));
    const std::size_t messagesBeforeSave = window.messages.size();
    window.saveAnswer = output;
    QVERIFY(window.Click("SaveData"));
    QCOMPARE(window->SaveFileName(), output + ".kvq");
    // e2e.sh holds them against what kvq-convert reports of the same bytes.
    QFile told(output + ".messages");
    QVERIFY(told.open(QIODevice::WriteOnly));
    for (std::size_t i = messagesBeforeSave; i < window.messages.size(); ++i) {
        told.write(window.messages[i].text.toUtf8() + '\n');
    }
}

QTEST_MAIN(WindowReceivesTest)
#include "WindowReceivesTest.moc"
