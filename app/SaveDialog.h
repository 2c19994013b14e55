#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QFileDialog;
class QWidget;

namespace kvq {

// What the save command asks of its file dialog.
struct SaveDialogRequest {
    QString title;
    QStringList filters;  // made with NameFilter
    QString startFolder;
    QString proposedName;  // the name of the previous save of this run, or empty
};

// Asks for a file name; nothing when the user cancels. Tests answer without a dialog.
using SaveDialogFunction =
    std::function<std::optional<QString>(QWidget* owner, const SaveDialogRequest& request)>;

// Where the save dialog starts: the data folder if it is a folder the user may save in,
// otherwise the user's home folder (on Windows the Documents folder), never the folder the
// program was started from.
QString SaveStartFolder(const QString& dataFolder);

// A name filter that shows `text` and matches `patterns`: the dialog shows no patterns of
// its own (QFileDialog::HideNameFilterDetails).
QString NameFilter(const QString& text, const QString& patterns);

// Sets up the dialog as the request asks: save mode, no default extension, no question
// before replacing a file.
void ConfigureSaveDialog(QFileDialog& dialog, const SaveDialogRequest& request);

// The real dialog, modal.
std::optional<QString> RunSaveDialog(QWidget* owner, const SaveDialogRequest& request);

}  // namespace kvq
