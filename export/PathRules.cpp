#include "PathRules.h"

#include <cstddef>

namespace kvq {

namespace {

constexpr std::size_t kNone = std::string_view::npos;

bool IsGbkLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

// How one flavour reads a path: its separators and how it steps through the bytes.
struct Flavour {
    std::string_view separators;  // what ends a folder name
    char folderSeparator;
    bool gbk;  // a GBK lead byte takes the next byte with it

    // Position of the last byte that is one of `chars` and not the second byte of a character.
    std::size_t LastOf(std::string_view s, std::string_view chars) const {
        if (!gbk) {
            return s.find_last_of(chars);
        }
        std::size_t last = kNone;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (IsGbkLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
                ++i;
            } else if (chars.find(s[i]) != kNone) {
                last = i;
            }
        }
        return last;
    }

    // Whether the byte at `pos` is a separator standing on its own, not a character's second byte.
    bool IsSeparatorAt(std::string_view s, std::size_t pos) const {
        return LastOf(s.substr(0, pos + 1), separators) == pos;
    }
};

constexpr Flavour kWindows{"\\:", '\\', true};
constexpr Flavour kPosix{"/", '/', false};

// The program's folder: up to and including its last separator, without that separator
// unless it ends a root ("C:\\", "/").
std::string_view ProgramFolder(std::string_view path, const Flavour& f) {
    const std::size_t cut = f.LastOf(path, f.separators);
    std::string_view folder = cut == kNone ? std::string_view() : path.substr(0, cut + 1);
    if (folder.size() >= 2 && folder.back() == f.folderSeparator &&
        !f.IsSeparatorAt(folder, folder.size() - 2)) {
        folder.remove_suffix(1);
    }
    return folder;
}

std::string SiblingFolder(std::string_view programPath, std::string_view subFolder,
                          const Flavour& f) {
    const std::string_view folder = ProgramFolder(programPath, f);
    const std::size_t cut = f.LastOf(folder, std::string_view(&f.folderSeparator, 1));
    std::string result(cut == kNone ? std::string_view() : folder.substr(0, cut));
    result.append(subFolder);
    return result;
}

std::string ForceExtension(std::string_view fileName, const Flavour& f) {
    std::string stops(".");
    stops.append(f.separators);
    const std::size_t cut = f.LastOf(fileName, stops);
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
