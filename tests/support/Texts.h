#pragma once

#include <QString>
#include <string>
#include <vector>

// The lines with `end` after each, as an instrument sends them.
std::string Joined(const std::vector<std::string>& lines, const std::string& end);
// The system's own text for an error number, as the program shows it.
QString SystemText(int error);
// Text in GBK, the ANSI code page of a Chinese Windows.
QString FromGbk(const QByteArray& bytes);
