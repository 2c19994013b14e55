#include "PathRules.h"

#include <cstddef>

namespace kvq {

namespace {

constexpr std::size_t kNone = std::string_view::npos;

// How one flavour reads a path. Both read it byte by byte: in UTF-8 (Windows) and in the
// bytes of a Linux name no byte of a multi-byte character is an ASCII separator or a dot.
struct Flavour {
    std::string_view separators;  // what ends a folder name
    char folderSeparator;
};

constexpr Flavour kWindows{"\\:", '\\'};
constexpr Flavour kPosix{"/", '/'};

// The program's folder: up to and including its last separator, without that separator
// unless it ends a root ("C:\\", "/").
std::string_view ProgramFolder(std::string_view path, const Flavour& f) {
    const std::size_t cut = path.find_last_of(f.separators);
    std::string_view folder = cut == kNone ? std::string_view() : path.substr(0, cut + 1);
    if (folder.size() >= 2 && folder.back() == f.folderSeparator &&
        f.separators.find(folder[folder.size() - 2]) == kNone) {
        folder.remove_suffix(1);
    }
    return folder;
}

std::string SiblingFolder(std::string_view programPath, std::string_view subFolder,
                          const Flavour& f) {
    const std::string_view folder = ProgramFolder(programPath, f);
    const std::size_t cut = folder.rfind(f.folderSeparator);
    std::string result(cut == kNone ? std::string_view() : folder.substr(0, cut));
    result.append(subFolder);
    return result;
}

std::string ForceExtension(std::string_view fileName, const Flavour& f) {
    std::string stops(".");
    stops.append(f.separators);
    const std::size_t cut = fileName.find_last_of(stops);
    std::string result(fileName);
    if (cut != kNone && fileName[cut] == '.') {
        result.resize(cut);
    }
    result.append(".kvq");
    return result;
}

}  // namespace

std::string SiblingFolderWindows(std::string_view programPath, std::string_view subFolder) {
    return SiblingFolder(programPath, subFolder, kWindows);
}

std::string SiblingFolderPosix(std::string_view programPath, std::string_view subFolder) {
    return SiblingFolder(programPath, subFolder, kPosix);
}

std::string DataFolderWindows(std::string_view programPath) {
    return SiblingFolderWindows(programPath, "\\Data\\");
}

std::string DataFolderPosix(std::string_view programPath) {
    return SiblingFolderPosix(programPath, "/Data/");
}

std::string HelpFolderWindows(std::string_view programPath) {
    return SiblingFolderWindows(programPath, "\\Help\\");
}

std::string HelpFolderPosix(std::string_view programPath) {
    return SiblingFolderPosix(programPath, "/Help/");
}

std::string ForceKvqExtensionWindows(std::string_view fileName) {
    return ForceExtension(fileName, kWindows);
}

std::string ForceKvqExtensionPosix(std::string_view fileName) {
    return ForceExtension(fileName, kPosix);
}

}  // namespace kvq
