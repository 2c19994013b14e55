#include "QuestionBox.h"

#include <QMessageBox>

namespace kvq {

void OpenQuestion::SetText(const QString& text) {
    if (text != question_.text) {
        question_.text = text;
        emit textChanged(text);
    }
}

bool AskQuestionBox(QWidget* owner, const OpenQuestion& question) {
    const BoxMessage& asked = question.Question();
    QMessageBox box(asked.icon, asked.caption, asked.text, QMessageBox::Yes | QMessageBox::No,
                    owner);
    // The answer that loses nothing is the one a reflex gives.
    const QMessageBox::StandardButton safe = asked.yesIsSafe ? QMessageBox::Yes : QMessageBox::No;
    box.setDefaultButton(safe);
    box.setEscapeButton(safe);
    QObject::connect(&question, &OpenQuestion::textChanged, &box, &QMessageBox::setText);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace kvq
