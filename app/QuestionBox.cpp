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
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    QObject::connect(&question, &OpenQuestion::textChanged, &box, &QMessageBox::setText);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace kvq
