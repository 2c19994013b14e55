#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

class QProcess;

#include "EventLoop.h"

// A program of this build (kvq-sim, kvq-convert, kvq-transfer), from the build's bin/.
QString ProgramPath(const char* name);

struct ProgramRun {
    int exitCode = -1;  // -1: it crashed or did not end within the time
    QByteArray out;
    QByteArray err;
};

// Runs a program to its end with `input` on its standard input; killed if it does not end
// within the time. `prepare` may set up the process first (its files, limits, environment).
ProgramRun RunProgram(const QString& program, const QStringList& arguments,
                      const QByteArray& input = {},
                      const std::function<void(QProcess&)>& prepare = {});
