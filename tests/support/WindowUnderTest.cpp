#include "WindowUnderTest.h"

#include <QAbstractButton>
#include <QListWidget>

#include "Memo.h"

WindowUnderTest::WindowUnderTest() {
    kvq::WindowSeams seams;
    seams.deviceMapper = [this](const std::string& portName) {
        portNamesMapped.push_back(portName);
        const auto it = devices.find(portName);
        return it != devices.end() ? it->second : "/nonexistent/" + portName;
    };
    seams.showMessage = [this](const kvq::BoxMessage& message) { messages.push_back(message); };
    seams.askQuestion = [this](const kvq::OpenQuestion& question) {
        if (whileAsked) {
            whileAsked(question);
        }
        questions.push_back(question.Question());
        return questionAnswer;
    };
    seams.saveDialog = [this](QWidget*, const kvq::SaveDialogRequest& request) {
        saveRequests.push_back(request);
        return saveAnswer;
    };
    window_ = std::make_unique<kvq::TRS232Form>(std::move(seams));
}

WindowUnderTest::~WindowUnderTest() = default;

bool WindowUnderTest::Enabled(kvq::Command command) const {
    const auto name = kvq::kCommandNames[static_cast<std::size_t>(command)];
    const QObject* control = window_->findChild<QObject*>(QString::fromLatin1(name));
    Q_ASSERT(control != nullptr);
    return control->property("enabled").toBool();
}

void WindowUnderTest::SetEnabled(kvq::Command command, bool enabled) {
    const auto name = kvq::kCommandNames[static_cast<std::size_t>(command)];
    QObject* control = window_->findChild<QObject*>(QString::fromLatin1(name));
    Q_ASSERT(control != nullptr);
    control->setProperty("enabled", enabled);
}

std::vector<bool> WindowUnderTest::CommandStates() const {
    std::vector<bool> states;
    for (std::size_t i = 0; i < kvq::kCommandCount; ++i) {
        states.push_back(Enabled(static_cast<kvq::Command>(i)));
    }
    return states;
}

QAbstractButton* WindowUnderTest::Button(const QString& name) const {
    return window_->findChild<QAbstractButton*>(name);
}

QListWidget* WindowUnderTest::List(const QString& name) const {
    return window_->findChild<QListWidget*>(name);
}

void WindowUnderTest::SelectInstrumentType(int index) {
    QAbstractButton* radio = Button(QStringLiteral("InstrTypeItem%1").arg(index));
    Q_ASSERT(radio != nullptr);
    radio->click();
}

void WindowUnderTest::PutLines(const std::vector<std::string>& lines) {
    window_->TextPane().AppendLines(lines);
}

bool WindowUnderTest::Click(const char* name) {
    QAbstractButton* button = Button(QString::fromLatin1(name));
    if (button == nullptr || !button->isEnabled()) {
        return false;
    }
    button->click();
    return true;
}
