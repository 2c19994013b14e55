#include "SimRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <cerrno>

namespace {

// Generous: the machine may be busy; nothing here is a timing assertion.
constexpr int kStartMs = 20000;
constexpr int kReadAllMs = 120000;

}  // namespace

QByteArray ReadUntilHangup(int fd, qint64 limit) {
    QByteArray received;
    QDeadlineTimer deadline(kReadAllMs);
    char buffer[4096];
    while (!deadline.hasExpired() && (limit < 0 || received.size() < limit)) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 200) <= 0) {
            continue;
        }
        const qint64 want = limit < 0 ? qint64(sizeof buffer)
                                      : qMin<qint64>(sizeof buffer, limit - received.size());
        const ssize_t n = ::read(fd, buffer, static_cast<size_t>(want));
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        received.append(buffer, n);
    }
    return received;
}

int OpenPort(const QString& path, bool setRaw) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOCTTY);
    if (fd < 0) {
        return -1;
    }
    termios raw{};
    if (setRaw && ::tcgetattr(fd, &raw) == 0) {
        ::cfmakeraw(&raw);
        ::tcsetattr(fd, TCSANOW, &raw);
    }
    return fd;
}

QString SimProgram() {
    return QStringLiteral(KVQ_BIN_DIR "/kvq-sim");
}

QString ConvertProgram() {
    return QStringLiteral(KVQ_BIN_DIR "/kvq-convert");
}

SimRun RunSim(const QStringList& arguments, const SimReader& reader) {
    SimRun run;
    QProcess process;
    process.start(SimProgram(), arguments);
    if (process.waitForStarted(kStartMs)) {
        QDeadlineTimer deadline(kStartMs);
        while (!process.canReadLine() && !deadline.hasExpired() &&
               process.state() == QProcess::Running) {
            process.waitForReadyRead(200);
        }
        run.devicePath = QString::fromLocal8Bit(process.readLine()).trimmed();
        run.started = !run.devicePath.isEmpty();
    }
    if (run.started) {
        const int fd =
            OpenPort(reader.openPath.isEmpty() ? run.devicePath : reader.openPath, reader.setRaw);
        run.opened = fd >= 0;
        if (run.opened) {
            QThread::msleep(static_cast<unsigned long>(reader.readDelayMs));
            run.received = ReadUntilHangup(fd, reader.closeAfterBytes);
            ::close(fd);
        }
    }
    run.finished =
        process.waitForFinished(kReadAllMs) && process.exitStatus() == QProcess::NormalExit;
    if (!run.finished) {
        process.kill();
        process.waitForFinished();
    }
    run.exitCode = run.finished ? process.exitCode() : -1;
    run.standardError = process.readAllStandardError();
    return run;
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
