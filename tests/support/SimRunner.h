#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Runs the real kvq-sim and plays the program's part: opens the terminal it prints, reads
// everything until the simulator hangs up.
struct SimReader {
    int readDelayMs = 0;          // open at once, but start reading this much later
    qint64 closeAfterBytes = -1;  // close the port early, after this many bytes
    QString openPath;             // open this path instead of the printed one (a link)
    bool setRaw = true;           // false: change no terminal settings, as the program does
};

struct SimRun {
    bool started = false;   // the simulator printed a device path
    bool opened = false;    // the reader could open it
    bool finished = false;  // the simulator ended on its own (within the time limit)
    int exitCode = -1;
    QString devicePath;
    QByteArray received;
    QByteArray standardError;
};

SimRun RunSim(const QStringList& arguments, const SimReader& reader = {});

// Opens a terminal as the program does (read only, not as controlling terminal); with
// setRaw also as a careful reader would. -1 on failure.
int OpenPort(const QString& path, bool setRaw);
// Reads until the simulator closes its end (end of file or EIO), or until `limit` bytes.
QByteArray ReadUntilHangup(int fd, qint64 limit = -1);
