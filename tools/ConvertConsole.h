#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace kvq {

// kvq-convert's command line, one UTF-8 string an argument. On Windows it is read as UTF-16
// (GetCommandLineW), so a file name outside the ANSI code page arrives whole.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Writes UTF-8 text to standard output or error. A Windows console gets it as UTF-16
// (WriteConsoleW), whatever its code page, so Chinese shows as Chinese; a file or a pipe gets
// the bytes unchanged.
void WriteText(std::FILE* stream, std::string_view text);

}  // namespace kvq
