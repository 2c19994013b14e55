#include "PortToolTips.h"

#include <QAbstractButton>
#include <QEvent>

#include "PortSnapshots.h"
#include "PortTexts.h"

namespace kvq {

PortToolTips::PortToolTips(PortSnapshots& ports, QObject* parent)
    : QObject(parent), ports_(ports) {}

void PortToolTips::Watch(QAbstractButton* button, int choice) {
    choices_.insert(button, choice);
    button->installEventFilter(this);
}

bool PortToolTips::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto choice = choices_.constFind(watched);
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (choice != choices_.cend() && button != nullptr) {
            // The button's own handling of the event shows its tool tip where the pointer is.
            button->setToolTip(PortToolTipText(*choice, ports_.Latest()));
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kvq
