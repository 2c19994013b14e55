#include "SimProcess.h"

#include <QDeadlineTimer>

#include "SimRunner.h"

namespace {

// Generous: the machine may be busy.
constexpr int kStartMs = 30000;

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

int SimProcess::ExitCode() const {
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

QByteArray SimProcess::Errors() {
    errors_ += process_.readAllStandardError();
    return errors_;
}
