#include "PortToolTips.h"

#include <QAbstractButton>
#include <QEvent>

#include "SystemStrings.h"

namespace kvq {

QString PortToolTipText(const QString& choice, const std::optional<PresentPort>& reached) {
    if (!reached) {
        return choice + QStringLiteral("：本机没有可用的串口");
    }
    QString text = choice + QStringLiteral(" → ") + FromSystem(reached->name);
    if (!reached->description.empty()) {
        text += QStringLiteral(" (") + FromSystem(reached->description) + QLatin1Char(')');
    }
    return text;
}

PortToolTips::PortToolTips(PortReacher reached, QObject* parent)
    : QObject(parent), reached_(std::move(reached)) {}

void PortToolTips::Watch(QAbstractButton* button, const QString& choice) {
    choices_.insert(button, choice);
    button->installEventFilter(this);
}

bool PortToolTips::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto choice = choices_.constFind(watched);
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (choice != choices_.cend() && button != nullptr) {
            // The button's own handling of the event shows its tool tip where the pointer is.
            button->setToolTip(PortToolTipText(*choice, reached_(choice->toStdString())));
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kvq
