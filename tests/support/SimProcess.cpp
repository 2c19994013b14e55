#include "SimProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <csignal>

#include "Programs.h"

namespace {

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
    process_.start(ProgramPath("kvq-sim"), arguments);
    if (!process_.waitForStarted(kGuardMs)) {
        return {};
    }
    const QDeadlineTimer deadline(kGuardMs);
    while (!process_.canReadLine() && !deadline.hasExpired() &&
           process_.state() == QProcess::Running) {
        process_.waitForReadyRead(200);
    }
    return QString::fromLocal8Bit(process_.readLine()).trimmed();
}

bool SimProcess::Hold() {
    const qint64 pid = process_.processId();
    if (!Signal(SIGSTOP)) {
        return false;
    }
    const QDeadlineTimer deadline(kGuardMs);
    while (ProcessState(pid) != 'T') {
        if (deadline.hasExpired() || process_.state() != QProcess::Running) {
            return false;
        }
        QThread::msleep(1);
    }
    return true;
}

void SimProcess::Continue() {
    Signal(SIGCONT);
}

bool SimProcess::Signal(int signal) {
    const qint64 pid = process_.processId();
    return pid > 0 && ::kill(static_cast<pid_t>(pid), signal) == 0;
}

bool SimProcess::WaitFinished(int timeoutMs) {
    if (process_.state() == QProcess::NotRunning || process_.waitForFinished(timeoutMs)) {
        return true;
    }
    qWarning("gave up waiting for kvq-sim to end after %d ms; killed", timeoutMs);
    process_.kill();
    process_.waitForFinished();
    return false;
}

int SimProcess::ExitCode() const {
    const bool ended = process_.error() != QProcess::FailedToStart &&
                       process_.exitStatus() == QProcess::NormalExit;
    return ended ? process_.exitCode() : -1;
}

QByteArray SimProcess::Errors() {
    errors_ += process_.readAllStandardError();
    return errors_;
}
