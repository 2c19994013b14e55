#include "Programs.h"

#include <QProcess>
#include <QtGlobal>

QString ProgramPath(const char* name) {
    return QStringLiteral(KVQ_BIN_DIR "/") + QLatin1String(name);
}

ProgramRun RunProgram(const QString& program, const QStringList& arguments, const QByteArray& input,
                      const std::function<void(QProcess&)>& prepare) {
    QProcess process;
    if (prepare) {
        prepare(process);
    }
    process.start(program, arguments);
    if (!process.waitForStarted(kGuardMs)) {
        qWarning("%s did not start: %s", qPrintable(program), qPrintable(process.errorString()));
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(kGuardMs) && process.state() != QProcess::NotRunning) {
        qWarning("gave up waiting for %s to end after %d s; killed", qPrintable(program),
                 kGuardMs / 1000);
        process.kill();
        process.waitForFinished();
    }
    const bool ended = process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}
