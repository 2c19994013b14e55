#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// The real kvq-sim as a child process that runs alongside the event loop, so that the window
// in the same process can read what it sends. Killed if it is still running at the end.
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
    bool Finished() const { return process_.state() == QProcess::NotRunning; }
    // 0 when it sent everything and the reader took it; -1 if it crashed.
    int ExitCode() const;
    // Everything it said on standard error so far.
    QByteArray Errors();

private:
    QProcess process_;
    QByteArray errors_;
};
