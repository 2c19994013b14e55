#include "WindowUnderTest.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QListWidget>
#include <QToolTip>

#include "DeviceMap.h"
#include "Memo.h"

kvq::PortSnapshot SnapshotOf(const std::map<std::string, std::string>& devices) {
    kvq::PortSnapshot ports;
    for (int choice = 1; choice <= kvq::kPortChoices; ++choice) {
        const std::string name = "COM" + std::to_string(choice);
        ports.ownDevice[choice - 1] = "/nonexistent/" + name;
        const auto it = devices.find(name);
        if (it != devices.end()) {
            ports.reached[choice - 1] = ports.ports.size();
            ports.ports.push_back({it->second, it->second, {}});
        }
    }
    return ports;
}

WindowUnderTest::WindowUnderTest(std::optional<QString> journalFolder)
    : WindowUnderTest(PortsFrom::kDevices, std::move(journalFolder)) {}

WindowUnderTest::WindowUnderTest(PortsFrom from, std::optional<QString> journalFolder)
    : journalFolderName_(journalFolder.value_or(journalFolder_.path())) {
    kvq::WindowSeams seams;
    seams.journalFolder = journalFolderName_;
    seams.ports.keptUntilChange = from == PortsFrom::kDevicesKept;
    if (from == PortsFrom::kSystem) {
        seams.ports = kvq::SystemPortSource();
        takePorts_ = seams.ports.take;
    }
    seams.ports.take = [this] {
        ++snapshotsTaken;
        return takePorts_ ? takePorts_() : SnapshotOf(devices);
    };
    seams.showMessage = [this](const kvq::BoxMessage& message) {
        if (whileShown) {
            whileShown(message);
        }
        messages.push_back(message);
    };
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
    takePorts_ = [devRoot, sysRoot] { return kvq::PortSnapshotUnder(devRoot, sysRoot); };
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
