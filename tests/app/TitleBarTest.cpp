// The title bars as the window system receives them: the real program on a private Xvfb
// display, its main window's _NET_WM_NAME read back with xprop.

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include "Programs.h"

namespace {

QProcessEnvironment OnDisplay(const QString& display) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    return env;
}

QString Run(const QString& program, const QStringList& arguments, const QString& display) {
    const auto onDisplay = [&](QProcess& process) {
        process.setProcessEnvironment(OnDisplay(display));
    };
    return QString::fromUtf8(RunProgram(program, arguments, {}, onDisplay).out);
}

// The window id of the program's top-level window whose name is set, or an empty string.
QString MainWindowId(const QString& display) {
    static const QRegularExpression line(
        QStringLiteral(R"(^\s*(0x[0-9a-f]+) ".*": \("kvq-transfer" )"),
        QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match =
        line.match(Run(QStringLiteral("xwininfo"), {"-root", "-tree"}, display));
    return match.hasMatch() ? match.captured(1) : QString();
}

}  // namespace

class TitleBarTest : public QObject {
    Q_OBJECT
private slots:
    void mainWindowTitleHasNoSuffix();
};

void TitleBarTest::mainWindowTitleHasNoSuffix() {
    for (const char* tool : {"Xvfb", "xprop", "xwininfo"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(tool)));
        }
    }
    // -noreset: left without clients (xwininfo comes and goes), Xvfb would reset, and a
    // program that connects meanwhile is refused and aborts.
    QProcess server;
    server.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-noreset", "-screen", "0",
                                          "1024x768x24", "-nolisten", "tcp"});
    QVERIFY(server.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), kGuardMs);
    const QString display = QLatin1Char(':') + QString::fromLatin1(server.readLine()).trimmed();

    QProcess program;
    QProcessEnvironment env = OnDisplay(display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    program.setProcessEnvironment(env);
    program.start(ProgramPath("kvq-transfer"));
    QVERIFY(program.waitForStarted());

    QString id;
    QTRY_VERIFY_WITH_TIMEOUT(
        !(id = MainWindowId(display)).isEmpty() || program.state() == QProcess::NotRunning,
        kGuardMs);
    QVERIFY2(!id.isEmpty(), program.readAllStandardError().constData());
    const QString name = Run(QStringLiteral("xprop"), {"-id", id, "_NET_WM_NAME"}, display);
    program.kill();
    program.waitForFinished();
    server.terminate();
    server.waitForFinished();
    QCOMPARE(
        name.trimmed(),
        QStringLiteral("_NET_WM_NAME(UTF8_STRING) = \"正在通过RS232接收多功能电测仪数据...\""));
}

QTEST_GUILESS_MAIN(TitleBarTest)
#include "TitleBarTest.moc"
