#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "SaveDialog.h"

namespace kvq {

namespace {

bool FolderToSaveIn(const QString& folder) {
    // On NTFS a folder's read-only flag says nothing about who may write in it (a folder
    // under C:\Program Files is not writable for a user, yet has no such flag): only making a
    // file there tells. The file is removed at once.
    if (!QFileInfo(folder).isDir()) {
        return false;
    }
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("kvq-save-XXXXXX.tmp")));
    return probe.open();
}

}  // namespace

QString SaveStartFolder(const QString& dataFolder) {
    if (FolderToSaveIn(dataFolder)) {
        return dataFolder;
    }
    // Where a Windows user keeps files; the profile folder itself is full of the system's.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

}  // namespace kvq
