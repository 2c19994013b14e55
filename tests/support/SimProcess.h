#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "EventLoop.h"

// The real kvq-sim as a child process that runs alongside the test, so that a reader or the
// window in the same process can read what it sends. Killed if it is still running at the
// end.
class SimProcess {
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts the simulator and returns the terminal path it prints; empty on failure.
    QString Start(const QStringList& arguments);
    // Holds the simulator where it is (SIGSTOP); true once the system shows it stopped.
    bool Hold();
    // Lets a held simulator go on.
    void Continue();
    // Sends it a signal, as a user's kill or Ctrl+C does.
    bool Signal(int signal);
    bool Finished() const { return process_.state() == QProcess::NotRunning; }
    // Waits until it ends on its own; false, and killed, if it does not within the time.
    bool WaitFinished(int timeoutMs = kGuardMs);
    // Its exit code once it ended normally; -1 if it crashed or was killed.
    int ExitCode() const;
    // Everything it said on standard error so far.
    QByteArray Errors();
    // Everything it printed on standard output after the terminal path.
    QByteArray Output() { return process_.readAllStandardOutput(); }
    // For a caller that waits on its signals (finished) in an event loop of its own.
    const QProcess& Process() const { return process_; }

private:
    QProcess process_;
    QByteArray errors_;
};
