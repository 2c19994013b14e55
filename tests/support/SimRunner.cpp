#include "SimRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <cerrno>

#include "SimProcess.h"

QByteArray ReadUntilHangup(int fd, qint64 limit) {
    QByteArray received;
    QDeadlineTimer deadline(kGuardMs);
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
    if (deadline.hasExpired()) {
        qWarning("gave up waiting for the line to hang up after %d s (%lld bytes read)",
                 kGuardMs / 1000, static_cast<long long>(received.size()));
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

SimRun RunSim(const QStringList& arguments, const SimReader& reader) {
    SimRun run;
    SimProcess sim;
    run.devicePath = sim.Start(arguments);
    run.started = !run.devicePath.isEmpty();
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
    run.finished = sim.WaitFinished() && sim.ExitCode() >= 0;
    run.exitCode = sim.ExitCode();
    run.standardError = sim.Errors();
    return run;
}
