#include "WindowUnderTest.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QListWidget>
#include <QToolTip>

#include "Memo.h"

WindowUnderTest::WindowUnderTest(std::optional<QString> journalFolder)
    : journalFolderName_(journalFolder.value_or(journalFolder_.path())) {
    kvq::WindowSeams seams;
    seams.journalFolder = journalFolderName_;
    seams.deviceMapper = [this](const std::string& portName) {
        portNamesMapped.push_back(portName);
        if (mapper_) {
            return mapper_(portName);
        }
        const auto it = devices.find(portName);
        return it != devices.end() ? it->second : "/nonexistent/" + portName;
    };
    seams.ports.present = [this] {
        return ports_.present ? ports_.present() : std::vector<kvq::PresentPort>{};
    };
    seams.ports.reached = [this](const std::string& choice) -> std::optional<kvq::PresentPort> {
        if (ports_.reached) {
            return ports_.reached(choice);
        }
        const auto it = devices.find(choice);
        if (it == devices.end()) {
            return std::nullopt;
        }
        return kvq::PresentPort{it->second, it->second, {}};
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

void WindowUnderTest::UseDeviceFolder(const std::string& devRoot, const std::string& sysRoot) {
    mapper_ = [devRoot](const std::string& portName) {
        return kvq::DeviceForPortUnder(devRoot, portName);
    };
    ports_ = kvq::PortDirectoryUnder(devRoot, sysRoot);
}

void WindowUnderTest::UseSystemPorts() {
    mapper_ = kvq::DefaultDeviceForPort;
    ports_ = kvq::SystemPortDirectory();
}

QString WindowUnderTest::ToolTipOf(const QString& name) const {
    QWidget* widget = window_->findChild<QWidget*>(name);
    Q_ASSERT(widget != nullptr);
    const QPoint inside(2, 2);
    QHelpEvent rest(QEvent::ToolTip, inside, widget->mapToGlobal(inside));
    QCoreApplication::sendEvent(widget, &rest);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

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
    window_->Unsaved().AppendLines(lines);
}

bool WindowUnderTest::Click(const char* name) {
    QAbstractButton* button = Button(QString::fromLatin1(name));
    if (button == nullptr || !button->isEnabled()) {
        return false;
    }
    button->click();
    return true;
}
