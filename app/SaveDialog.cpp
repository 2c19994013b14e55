#include "SaveDialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace kvq {

std::optional<QString> RunSaveDialog(QWidget* owner, const SaveDialogRequest& request) {
    QFileDialog dialog(owner, request.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
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
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

}  // namespace kvq
