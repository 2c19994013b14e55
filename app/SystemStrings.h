#pragma once

#include <QString>
#include <string>

namespace kvq {

// The one place where names and texts of the system (file and device names, the system's
// error texts, port descriptions) become QString and back. On Windows the program holds them
// as UTF-8 (core/WideText.h turns them into the system's UTF-16); Linux names are bytes,
// read in the locale's encoding.
QString FromSystem(const std::string& text);
// A file name as the system and the folder rules take it: on Windows with "\" separators,
// since Qt hands out "/" there too.
std::string ToSystemName(const QString& name);

}  // namespace kvq
