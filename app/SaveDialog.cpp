#include "SaveDialog.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace kvq {

namespace {

bool FolderToSaveIn(const QString& folder) {
#ifdef _WIN32
    // On NTFS a folder's read-only flag says nothing about who may write in it (a folder
    // under C:\Program Files is not writable for a user, yet has no such flag): only making a
    // file there tells. The file is removed at once.
    if (!QFileInfo(folder).isDir()) {
        return false;
    }
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("kvq-save-XXXXXX.tmp")));
    return probe.open();
#else
    // The effective user decides, as it will when the file is created.
    const QByteArray path = QFile::encodeName(folder);
    struct stat status {};
    return ::stat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode) &&
           ::faccessat(AT_FDCWD, path.constData(), W_OK | X_OK, AT_EACCESS) == 0;
#endif
}

}  // namespace

QString SaveStartFolder(const QString& dataFolder) {
    if (FolderToSaveIn(dataFolder)) {
        return dataFolder;
    }
#ifdef _WIN32
    // Where a Windows user keeps files; the profile folder itself is full of the system's.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty()) {
        return documents;
    }
#endif
    return QDir::homePath();
}

QString NameFilter(const QString& text, const QString& patterns) {
    return text + QStringLiteral(" (") + patterns + QLatin1Char(')');
}

void ConfigureSaveDialog(QFileDialog& dialog, const SaveDialogRequest& request) {
    dialog.setWindowTitle(request.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(request.filters);
    dialog.setDirectory(request.startFolder);
    if (!request.proposedName.isEmpty()) {
        // A proposed name with a folder opens the dialog in that folder.
        const QFileInfo proposed(request.proposedName);
        if (proposed.path() != QStringLiteral(".")) {
            dialog.setDirectory(proposed.absolutePath());
        }
        dialog.selectFile(proposed.fileName());
    }
}

std::optional<QString> RunSaveDialog(QWidget* owner, const SaveDialogRequest& request) {
    QFileDialog dialog(owner);
    ConfigureSaveDialog(dialog, request);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

}  // namespace kvq
