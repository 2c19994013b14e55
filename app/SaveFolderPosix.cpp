#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "SaveDialog.h"

namespace kvq {

QString SaveStartFolder(const QString& dataFolder) {
    // The effective user decides, as it will when the file is created.
    const QByteArray path = QFile::encodeName(dataFolder);
    struct stat status {};
    if (::stat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode) &&
        ::faccessat(AT_FDCWD, path.constData(), W_OK | X_OK, AT_EACCESS) == 0) {
        return dataFolder;
    }
    return QDir::homePath();
}

}  // namespace kvq
