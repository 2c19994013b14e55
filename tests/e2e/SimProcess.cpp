#include "SimProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <csignal>

#include "SimRunner.h"

namespace {

// Generous: the machine may be busy.
constexpr int kStartMs = 30000;

// The state letter of /proc/PID/stat, after the command name in parentheses.
char ProcessState(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return '?';
    }
    const QByteArray line = stat.readAll();
    const qsizetype end = line.lastIndexOf(')');
    return end >= 0 && end + 2 < line.size() ? line[end + 2] : '?';
}

}  // namespace

SimProcess::~SimProcess() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished();
    }
}

QString SimProcess::Start(const QStringList& arguments) {
    process_.start(SimProgram(), arguments);
    if (!process_.waitForStarted(kStartMs)) {
        return {};
    }
    const QDeadlineTimer deadline(kStartMs);
    while (!process_.canReadLine() && !deadline.hasExpired() &&
           process_.state() == QProcess::Running) {
        process_.waitForReadyRead(200);
    }
    return QString::fromLocal8Bit(process_.readLine()).trimmed();
}

bool SimProcess::Hold() {
    const qint64 pid = process_.processId();
    if (pid <= 0 || ::kill(static_cast<pid_t>(pid), SIGSTOP) != 0) {
        return false;
    }
    const QDeadlineTimer deadline(kStartMs);
    while (ProcessState(pid) != 'T') {
        if (deadline.hasExpired() || process_.state() != QProcess::Running) {
            return false;
        }
        QThread::msleep(1);
    }
    return true;
}

void SimProcess::Continue() {
    const qint64 pid = process_.processId();
    if (pid > 0) {
        ::kill(static_cast<pid_t>(pid), SIGCONT);
    }
}

int SimProcess::ExitCode() const {
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

QByteArray SimProcess::Errors() {
    errors_ += process_.readAllStandardError();
    return errors_;
}
