#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

namespace kvq {

// What the save command asks of its file dialog.
struct SaveDialogRequest {
    QString title;
    QStringList filters;
    QString startFolder;
    QString proposedName;  // the name of the previous save of this run, or empty
};

// Asks for a file name; nothing when the user cancels. Tests answer without a dialog.
using SaveDialogFunction =
    std::function<std::optional<QString>(QWidget* owner, const SaveDialogRequest& request)>;

// Where the save dialog starts: the data folder if it is a folder the user may save in,
// otherwise the user's home folder, never the folder the program was started from.
QString SaveStartFolder(const QString& dataFolder);

// The real dialog: modal, no default extension, no question before replacing a file.
std::optional<QString> RunSaveDialog(QWidget* owner, const SaveDialogRequest& request);

}  // namespace kvq
