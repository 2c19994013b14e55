#pragma once

#include <string>
#include <string_view>

namespace kvq {

// Folder rules of the program, in two flavours. The Windows flavour takes "\" and ":" as
// separators and reads paths as UTF-8, the program's form of the UTF-16 names of Windows: any
// name the system can hold, and no byte of a multi-byte character is ever a separator (as
// in the ANSI code page GBK a second byte 0x5C must not be). The POSIX flavour, used on Linux,
// takes "/" as the only separator. Both are built on every platform: the program uses its own
// platform's (DataFolder and the others below), and the tests check both flavours on Linux
// too, where CI runs most often.

// The parent of the program's own folder followed by a sub-folder text that begins and
// ends with a separator: 'D:\Survey\Bin\prog.exe' + "\Data\" gives 'D:\Survey\Data\',
// 'C:\prog.exe' gives 'C:\Data\'.
std::string SiblingFolderWindows(std::string_view programPath, std::string_view subFolder);
std::string SiblingFolderPosix(std::string_view programPath, std::string_view subFolder);

std::string DataFolderWindows(std::string_view programPath);  // sub-folder "\Data\"
std::string DataFolderPosix(std::string_view programPath);    // sub-folder "/Data/"
std::string HelpFolderWindows(std::string_view programPath);  // sub-folder "\Help\"
std::string HelpFolderPosix(std::string_view programPath);    // sub-folder "/Help/"

// Forces the extension ".kvq": a last "." that comes after every separator is dropped with
// what follows it, then ".kvq" is appended ('a.b.c' gives 'a.b.kvq').
std::string ForceKvqExtensionWindows(std::string_view fileName);
std::string ForceKvqExtensionPosix(std::string_view fileName);

// The flavour of the platform the program is built for: paths as that system writes them
// (on Windows with "\" separators, in UTF-8).
#ifdef _WIN32
inline constexpr bool kWindowsPaths = true;
#else
inline constexpr bool kWindowsPaths = false;
#endif
inline std::string DataFolder(std::string_view programPath) {
    return kWindowsPaths ? DataFolderWindows(programPath) : DataFolderPosix(programPath);
}
inline std::string HelpFolder(std::string_view programPath) {
    return kWindowsPaths ? HelpFolderWindows(programPath) : HelpFolderPosix(programPath);
}
inline std::string ForceKvqExtension(std::string_view fileName) {
    return kWindowsPaths ? ForceKvqExtensionWindows(fileName) : ForceKvqExtensionPosix(fileName);
}

}  // namespace kvq
