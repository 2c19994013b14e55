#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <utility>

#include "Messages.h"

class QWidget;

namespace kvq {

// A question while its box is open. Read steps go on under a modal box, so what a question
// counts can change before it is answered: the window sets the text again and the box
// follows, so that Yes agrees to what the box says.
class OpenQuestion : public QObject {
    Q_OBJECT
public:
    explicit OpenQuestion(BoxMessage question) : question_(std::move(question)) {}

    const BoxMessage& Question() const { return question_; }
    void SetText(const QString& text);

signals:
    void textChanged(const QString& text);

private:
    BoxMessage question_;
};

// Asks with the buttons Yes and No, No the default (Escape and the box's close button answer
// No too; Yes for a question whose No would lose data); true when the user answers Yes. Tests
// answer instead.
using QuestionBoxFunction = std::function<bool(const OpenQuestion& question)>;

// The real box, owned by `owner`.
bool AskQuestionBox(QWidget* owner, const OpenQuestion& question);

}  // namespace kvq
