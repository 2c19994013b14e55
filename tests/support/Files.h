#pragma once

#include <QByteArray>
#include <QString>

// A whole file's bytes; "<missing>" for a file that cannot be read, which no file a test
// expects holds, so a missing file never passes for an empty one.
QByteArray FileBytes(const QString& path);
// Writes a whole file; false if any byte could not be written.
bool WriteFile(const QString& path, const QByteArray& bytes);
