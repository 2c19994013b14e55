#include "Programs.h"

#include <QProcess>

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
    process.waitForStarted(kGuardMs);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(kGuardMs)) {
        process.kill();
        process.waitForFinished();
    }
    const bool ended = process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}
