// The program's own code in an installed or unpacked tree: install-check.sh copies this test
// into the tree's bin\, so it finds the help file and the data folder from its own path as the
// program does. It runs in the installation of the setup and in a zip unpacked under a
// folder with a Chinese name, under an ANSI code page without Chinese, with the instrument on
// COM5 only (with-com-pair.sh --ports 5), so that the default "COM1" reaches it.
//   KVQ_SAVE_NAME          the name to save as in Data\, without ".kvq"
//   KVQ_FOREIGN_CODE_PAGE  set: the system's ANSI code page must not spell that name

#include <windows.h>

#include <QDir>
#include <QTest>
#include <QTextBrowser>

#include "Files.h"
#include "HelpWindow.h"
#include "WindowOnCable.h"

namespace {

QString TreeFolder(const char* name) {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../" + name);
}

// Whether the ANSI code page of this system has a byte for every character of `text`.
bool CodePageSpells(const QString& text) {
    const std::wstring wide = text.toStdWString();
    BOOL lost = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0, nullptr, &lost);
    return lost == FALSE;
}

}  // namespace

class InstallationTest : public QObject {
    Q_OBJECT
private slots:
    void helpFileOfTheTree();
    void saveLandsInData();
};

void InstallationTest::helpFileOfTheTree() {
    WindowUnderTest window;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(&window.Window()));
    window->N6Click();
    const kvq::HelpWindow* help = window->Help();
    QVERIFY(help != nullptr && help->isVisible());
    // A help file that cannot be read leaves no topics, and says so with its path.
    QVERIFY2(help->Topics().size() == 6, qPrintable(help->Browser()->toPlainText()));
    QVERIFY(help->Browser()->toPlainText().contains("设备管理器"));
}

void InstallationTest::saveLandsInData() {
    const QString name = qEnvironmentVariable("KVQ_SAVE_NAME", "测线数据");
    if (qEnvironmentVariableIsSet("KVQ_FOREIGN_CODE_PAGE")) {
        QVERIFY2(!CodePageSpells(name), qPrintable(QString("code page %1 spells %2: run this "
                                                           "where it cannot")
                                                       .arg(GetACP())
                                                       .arg(name)));
    }
    WindowUnderTest window(WindowUnderTest::PortsFrom::kSystem);
    const std::string line = "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20";
    QVERIFY(ReceivesThrough(window, "ComItem0", "COM5", line));
    QVERIFY(window.Click("Stop"));
    const QString data = TreeFolder("Data");
    window.saveAnswer = data + "/" + name;
    window->SaveDataClick();
    // The message is made before the check: only from a message that is there.
    QVERIFY2(window.messages.empty(),
             window.messages.empty() ? "" : qPrintable(window.messages.front().text));
    QCOMPARE(window.saveRequests.size(), std::size_t{1});
    QCOMPARE(QDir::fromNativeSeparators(window.saveRequests.front().startFolder), data + "/");
    QCOMPARE(FileBytes(data + "/" + name + ".kvq"), QByteArray::fromStdString(line + "\r\n"));
    // The next save proposes the name as it was given, not as the code page spells it.
    QCOMPARE(QDir::fromNativeSeparators(window->SaveFileName()), data + "/" + name + ".kvq");
}

QTEST_MAIN(InstallationTest)
#include "InstallationTest.moc"
