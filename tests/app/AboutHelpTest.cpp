// The Help menu: the help file in the program's own help window, and the About dialog.

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>

#include "About.h"
#include "HelpWindow.h"
#include "WindowUnderTest.h"

// Stands in for the desktop's web browser.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

class AboutHelpTest : public QObject {
    Q_OBJECT
private slots:
    void aboutTwiceGivesTwoFreshDialogs();
    void aboutTexts();
    void aboutLinkOpensTheWebAddress();
    void aboutWarningTakesTwoLines();
    void helpPath_data();
    void helpPath();
    void helpCommandShowsTheHelpFile();
    void topicsLeadToTheirText();
    void missingHelpFileIsReportedInTheWindow();
};

// Each choice of the About command makes its own dialog, shows it with the caption set by
// the command, and deletes it when it closes.
void AboutHelpTest::aboutTwiceGivesTwoFreshDialogs() {
    WindowUnderTest window;
    QList<QPointer<kvq::TAbout>> shown;
    QStringList captions;
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&] {
        auto* about = qobject_cast<kvq::TAbout*>(QApplication::activeModalWidget());
        if (about != nullptr && !shown.contains(about)) {
            shown << about;
            captions << about->windowTitle();
            QVERIFY(about->parent() == &window.Window());
            about->findChild<QPushButton*>("BitBtn1")->click();
        }
    });
    closer.start(10);
    window->N8Click();
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown[0].isNull());
    window->N8Click();
    closer.stop();
    QCOMPARE(shown.size(), 2);
    QVERIFY(shown[1].isNull());
    const QString caption = QStringLiteral("Orvane电法数据处理解释系统...");
    QCOMPARE(captions, (QStringList{caption, caption}));
    QVERIFY(kvq::TAbout().windowTitle() != caption);
}

void AboutHelpTest::aboutTexts() {
    kvq::TAbout about;
    const auto text = [&about](const char* name) { return about.findChild<QLabel*>(name)->text(); };
    QCOMPARE(text("Label6"), QStringLiteral("版本: 2004.04"));
    QCOMPARE(text("Label5"), QStringLiteral("最后日期:  2004-04-25"));
    QCOMPARE(text("StaticText4"), QStringLiteral("本软件由"));
    QVERIFY(text("StaticText10").contains("example.org"));
    QVERIFY(!about.findChild<QLabel*>("StaticText10")->toolTip().isEmpty());
    QCOMPARE(about.findChild<QPushButton*>("BitBtn1")->text(), QStringLiteral("确定"));
    about.show();
    about.findChild<QPushButton*>("BitBtn1")->click();
    QCOMPARE(about.result(), int(QDialog::Accepted));
}

// The label wraps its text as the painter does with these flags.
void AboutHelpTest::aboutWarningTakesTwoLines() {
    kvq::TAbout about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    const auto* warning = about.findChild<QLabel*>("StaticText1");
    const QFontMetrics metrics(warning->font());
    const QRect wrapped = metrics.boundingRect(
        warning->contentsRect(), Qt::TextWordWrap | warning->alignment(), warning->text());
    QCOMPARE(wrapped.height() / metrics.lineSpacing(), 2);
    QVERIFY(wrapped.height() <= warning->contentsRect().height());
}

void AboutHelpTest::aboutLinkOpensTheWebAddress() {
    UrlRecorder browser;
    QDesktopServices::setUrlHandler("https", &browser, "open");
    kvq::TAbout about;
    QLabel* link = about.findChild<QLabel*>("StaticText10");
    QVERIFY(QMetaObject::invokeMethod(link, "linkActivated",
                                      Q_ARG(QString, "https://www.example.org/")));
    about.StaticText10Click();
    QDesktopServices::unsetUrlHandler("https");
    QCOMPARE(browser.opened,
             (QList<QUrl>{QUrl("https://www.example.org/"), QUrl("https://www.example.org/")}));
}

void AboutHelpTest::helpPath_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("helpFile");
#ifdef _WIN32
    QTest::newRow("program in the drive's root") << "C:\\prog.exe"
                                                 << "C:\\Help\\rs232.hlp";
    QTest::newRow("installed") << "D:\\KVQ\\bin\\kvq-transfer.exe"
                               << "D:\\KVQ\\Help\\rs232.hlp";
    QTest::newRow("name of the own folder plays no part") << "C:\\Survey\\tools\\kvq.exe"
                                                          << "C:\\Survey\\Help\\rs232.hlp";
#else
    QTest::newRow("program in the root folder") << "/prog"
                                                << "/Help/rs232.hlp";
    QTest::newRow("program one folder down") << "/bin/prog"
                                             << "/Help/rs232.hlp";
    QTest::newRow("installed") << "/opt/kvq/bin/kvq-transfer"
                               << "/opt/kvq/Help/rs232.hlp";
    QTest::newRow("name of the own folder plays no part") << "/home/survey/tools/kvq-transfer"
                                                          << "/home/survey/Help/rs232.hlp";
#endif
}

void AboutHelpTest::helpPath() {
    QFETCH(QString, program);
    QFETCH(QString, helpFile);
    QCOMPARE(QString::fromStdString(kvq::HelpFilePath(program.toStdString())), helpFile);
}

// The test program stands in the build's tests/ folder, so its help folder is the build's
// Help/, where the build puts the help file.
void AboutHelpTest::helpCommandShowsTheHelpFile() {
    WindowUnderTest window;
    window->N6Click();
    kvq::HelpWindow* help = window->Help();
    QVERIFY(help != nullptr);
    QVERIFY(help->isVisible());
    QCOMPARE(help->Topics(), (QStringList{"连接仪器", "通信参数", "接收数据",
                                          "仪器类型与保存的内容", "保存数据", "故障排除"}));
    const QString text = help->Browser()->toPlainText();
#ifdef _WIN32
    // The Windows help: COM numbers and where the Device Manager shows them.
    QVERIFY(text.contains("设备管理器"));
    QVERIFY(text.contains("端口 (COM 和 LPT)"));
#else
    QVERIFY(text.contains("dialout"));
    QVERIFY(text.contains("/dev/COM1"));
#endif
    window->N6Click();
    QCOMPARE(window->Help(), help);
}

void AboutHelpTest::topicsLeadToTheirText() {
    kvq::HelpWindow help;
    help.ShowFile(QCoreApplication::applicationDirPath() + "/../Help/rs232.hlp");
    help.show();
    QVERIFY(QTest::qWaitForWindowExposed(&help));
    auto* topics = help.findChild<QListWidget*>();
    QScrollBar* bar = help.Browser()->verticalScrollBar();
    QCOMPARE(bar->value(), 0);
    topics->setCurrentRow(topics->count() - 1);
    QVERIFY(bar->value() > 0);
    const int top = help.Browser()->cursorForPosition(QPoint(4, 4)).block().blockNumber();
    QVERIFY(help.Browser()->document()->findBlockByNumber(top).text().contains("故障排除") ||
            bar->value() == bar->maximum());
    topics->setCurrentRow(0);
    QVERIFY(bar->value() < bar->maximum());
}

void AboutHelpTest::missingHelpFileIsReportedInTheWindow() {
    kvq::HelpWindow help;
    help.ShowFile("/nonexistent/Help/rs232.hlp");
    const QString text = help.Browser()->toPlainText();
    QVERIFY(text.contains("找不到帮助文件"));
    QVERIFY(text.contains("/nonexistent/Help/rs232.hlp"));
    QVERIFY(help.Topics().isEmpty());
}

QTEST_MAIN(AboutHelpTest)
#include "AboutHelpTest.moc"
