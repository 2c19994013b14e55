#include "DeviceFolder.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

DeviceFolder::DeviceFolder(const QStringList& entries) {
    std::error_code error;
    valid_ = dir_.isValid() && fs::create_directory(Dev(), error) &&
             fs::create_directories(Sys() + "/class/tty", error);
    for (const QString& entry : entries) {
        const QStringList link = entry.split(QStringLiteral("->"));
        const QStringList typed = entry.split(QLatin1Char('='));
        if (link.size() == 2) {
            fs::create_symlink(link[1].toStdString(), Path(link[0]), error);
        } else if (!std::ofstream(Path(typed[0]))) {
            valid_ = false;
        }
        if (typed.size() == 2) {
            const std::string folder = Sys() + "/class/tty/" + typed[0].toStdString();
            fs::create_directory(folder, error);
            std::ofstream(folder + "/type") << typed[1].toStdString() << '\n';
        }
        valid_ = valid_ && !error;
    }
}

std::string DeviceFolder::Dev() const {
    return dir_.filePath(QStringLiteral("dev")).toStdString();
}

std::string DeviceFolder::Sys() const {
    return dir_.filePath(QStringLiteral("sys")).toStdString();
}

std::string DeviceFolder::Path(const QString& entry) const {
    return Dev() + "/" + entry.toStdString();
}
