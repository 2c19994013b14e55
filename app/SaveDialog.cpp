#include "SaveDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace kvq {

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
