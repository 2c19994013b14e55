// The real program killed (SIGKILL) while lines arrive, at full speed and at 1,440 bytes a
// second: the next start offers back every line that had reached its pane, byte for byte.
// kvq-transfer runs on a private X server and session bus, with a home of its own; its COM1
// is kvq-sim's pseudo-terminal, bound over the device COM1 reaches in a mount namespace of the
// program's own. The test presses its buttons and reads its pane as a screen reader does
// (AT-SPI); the next start is the window in this process, on the killed program's data folder.

#include <signal.h>
#include <unistd.h>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <string>
#include <vector>

#include "AccessibleApp.h"
#include "DeviceMap.h"
#include "Files.h"
#include "Memo.h"
#include "Programs.h"
#include "ReferenceLines.h"
#include "SimProcess.h"
#include "WindowUnderTest.h"

namespace {

const QString kApplicationName = QStringLiteral("KVQ与计算机数据传输");

// Numbered lines with what the line's bytes may hold: GBK, a bell, a backspace, a zero byte,
// a carriage return of their own.
QByteArray Capture(int lines) {
    QByteArray bytes;
    for (int i = 0; i < lines; ++i) {
        bytes += QByteArray::number(i).rightJustified(7, '0') + " \xb2\xe2\xb5\xe3";
        bytes += i % 5 == 1 ? "\a 12.5" : i % 7 == 2 ? " 12.x\b5" : " 12.5";
        bytes += i % 9 == 3 ? QByteArray(" 3.20\0 noise", 12) : QByteArray(" 3.20");
        bytes += i % 11 == 4 ? "\r\r\n" : "\r\n";
    }
    return bytes;
}

// The lines the pane keeps of these bytes, by the rules written down on their own.
std::vector<std::string> PaneLinesOf(const QByteArray& bytes) {
    reference::LineBytes line;
    line.Feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    std::vector<std::string> stored;
    for (const std::string& handedOver : line.lines) {
        stored.push_back(reference::StoredInPane(handedOver));
    }
    return stored;
}

// A child that ends with the test: its process group is ended with it.
struct Child {
    QProcess process;
    ~Child() {
        if (process.state() != QProcess::NotRunning) {
            ::kill(-static_cast<pid_t>(process.processId()), SIGTERM);
            process.waitForFinished();
        }
    }
    // Starts it in a process group of its own.
    bool Start(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& env) {
        process.setProcessEnvironment(env);
        process.setChildProcessModifier([] { ::setpgid(0, 0); });
        process.start(program, arguments);
        return process.waitForStarted(kGuardMs);
    }
    // Starts it and waits for the first line it prints; that line, trimmed.
    QString StartForLine(const QString& program, const QStringList& arguments,
                         const QProcessEnvironment& env) {
        if (!Start(program, arguments, env)) {
            return {};
        }
        const QDeadlineTimer deadline(kGuardMs);
        while (!process.canReadLine() && !deadline.hasExpired() &&
               process.state() == QProcess::Running) {
            process.waitForReadyRead(200);
        }
        return QString::fromLocal8Bit(process.readLine()).trimmed();
    }
};

// A home, an X server and a session bus of their own, for one program.
struct PrivateSession {
    QTemporaryDir root;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    Child display;
    Child bus;
    QString busAddress;

    bool Start() {
        for (const char* folder : {"home", "data", "config", "cache", "runtime"}) {
            if (!QDir(root.path()).mkpath(folder)) {
                return false;
            }
        }
        QFile::setPermissions(root.filePath("runtime"), QFileDevice::ReadOwner |
                                                            QFileDevice::WriteOwner |
                                                            QFileDevice::ExeOwner);
        env.insert("HOME", root.filePath("home"));
        env.insert("XDG_DATA_HOME", root.filePath("data"));
        env.insert("XDG_CONFIG_HOME", root.filePath("config"));
        env.insert("XDG_CACHE_HOME", root.filePath("cache"));
        env.insert("XDG_RUNTIME_DIR", root.filePath("runtime"));
        env.insert("QT_QPA_PLATFORM", "xcb");
        const QString number = display.StartForLine(
            "Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, env);
        if (number.isEmpty()) {
            return false;
        }
        env.insert("DISPLAY", QLatin1Char(':') + number);
        busAddress =
            bus.StartForLine("dbus-daemon", {"--session", "--nofork", "--print-address=1"}, env);
        env.insert("DBUS_SESSION_BUS_ADDRESS", busAddress);
        return !busAddress.isEmpty() && AccessibleApp::TurnOn(busAddress);
    }
};

// How many lines the pane holds, by the number that begins its last line.
int LinesSeen(const AccessibleApp& app, const AccessibleApp::Node& pane) {
    const int characters = app.CharacterCount(pane);
    return characters > 0 ? app.LineAt(pane, characters - 1).section(' ', 0, 0).toInt() + 1 : 0;
}

// How unshare makes a mount namespace here: as root, or in a user namespace of its own;
// nothing if neither may be made.
QStringList NamespaceOptions() {
    for (const QStringList& options : {QStringList{"--mount", "--propagation", "private"},
                                       QStringList{"--user", "--map-root-user", "--mount"}}) {
        if (RunProgram("unshare", options + QStringList{"true"}).exitCode == 0) {
            return options;
        }
    }
    return {};
}

// The device the program opens for COM1, as it finds it.
QString Com1Device() {
    return QString::fromStdString(kvq::DeviceToOpen(kvq::PortSnapshotUnder("/dev", "/sys"), 1));
}

// What keeps the test from running here; empty when nothing does.
QString Missing() {
    for (const char* tool : {"Xvfb", "dbus-daemon", "unshare", "mount"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            return QStringLiteral("%1 is not installed").arg(tool);
        }
    }
    if (!QFileInfo::exists(Com1Device())) {
        return QStringLiteral("no device for COM1 to bind the line over");
    }
    return NamespaceOptions().isEmpty() ? QStringLiteral("no mount namespace may be made here")
                                        : QString();
}

// kvq-transfer with `line` where COM1 leads, in a mount namespace of its own.
QStringList InNamespace(const QString& line) {
    return NamespaceOptions() +
           QStringList{"sh", "-c",         "mount --bind \"$0\" \"$1\" && exec \"$2\"",
                       line, Com1Device(), ProgramPath("kvq-transfer")};
}

}  // namespace

class KillTest : public QObject {
    Q_OBJECT
private slots:
    void linesInThePaneAreOfferedBack_data();
    void linesInThePaneAreOfferedBack();
};

void KillTest::linesInThePaneAreOfferedBack_data() {
    QTest::addColumn<int>("rate");       // bytes a second; 0: as fast as the program takes them
    QTest::addColumn<int>("lines");      // sent in all
    QTest::addColumn<int>("seenLines");  // in the pane before the kill, at least
    QTest::newRow("full speed") << 0 << 1000000 << 200000;
    QTest::newRow("1,440 bytes a second") << 1440 << 2000 << 20;
}

void KillTest::linesInThePaneAreOfferedBack() {
    QFETCH(int, rate);
    QFETCH(int, lines);
    QFETCH(int, seenLines);
    if (const QString missing = Missing(); !missing.isEmpty()) {
        QSKIP(qPrintable(missing));
    }
    PrivateSession session;
    QVERIFY2(session.Start(), "no private X server and session bus with accessibility");
    QVERIFY(WriteFile(session.root.filePath("capture"), Capture(lines)));
    SimProcess sim;
    const QString line =
        sim.Start({"--replay", session.root.filePath("capture"), "--rate", QString::number(rate),
                   "--save-sent", session.root.filePath("sent")});
    QVERIFY2(!line.isEmpty(), sim.Errors().constData());
    AccessibleApp app(session.busAddress);
    QVERIFY2(app.WaitReady(), "the accessibility bus did not come up");
    Child program;
    QVERIFY(program.Start("unshare", InNamespace(line), session.env));
    QVERIFY2(app.WaitFor(kApplicationName), "the program's window never reached the screen reader");
    const auto open = app.Find("push button", "打开通信口");
    const auto receive = app.Find("push button", "接收数据");
    const auto pane = app.Find("text");
    QVERIFY(open && receive && pane);
    QVERIFY(app.Press(*open));
    // A press is a click a moment later (Qt animates it): 接收数据 is enabled after the open.
    QTRY_VERIFY_WITH_TIMEOUT(app.Press(*receive), kGuardMs);

    // Lines are arriving: the pane's last line says how many it holds, and the program dies.
    int seen = 0;
    QTRY_VERIFY_WITH_TIMEOUT((seen = LinesSeen(app, *pane)) >= seenLines, kGuardMs);
    ::kill(static_cast<pid_t>(program.process.processId()), SIGKILL);
    QVERIFY(program.process.waitForFinished(kGuardMs));
    sim.Signal(SIGTERM);
    sim.WaitFinished();
    QVERIFY2(seen < lines, "every line had arrived before the kill: send more");

    // The next start, on the killed program's data folder.
    WindowUnderTest next(QDir(session.env.value("XDG_DATA_HOME")).filePath(kApplicationName));
    next->show();
    QVERIFY(RunEventsUntil([&] { return !next.questions.empty(); }));
    const auto& restored = next->TextPane().StoredLines();
    QCOMPARE(next.questions.front().text,
             QStringLiteral("上次接收的 %1 行数据没有保存，要恢复吗？").arg(restored.size()));
    QVERIFY2(restored.size() >= std::size_t(seen),
             qPrintable(QStringLiteral("%1 lines offered back of %2 in the pane")
                            .arg(restored.size())
                            .arg(seen)));
    qInfo("%d lines in the pane before the kill, %zu offered back", seen, restored.size());
    const std::vector<std::string> sent = PaneLinesOf(FileBytes(session.root.filePath("sent")));
    QVERIFY(restored.size() <= sent.size());
    for (std::size_t i = 0; i < restored.size(); ++i) {
        if (restored[i] != sent[i]) {
            QFAIL(qPrintable(QStringLiteral("line %1 differs").arg(i)));
        }
    }
}

QTEST_MAIN(KillTest)
#include "KillTest.moc"
