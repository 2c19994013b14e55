#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <optional>

#include "PortList.h"

class QAbstractButton;

namespace kvq {

// What a choice reaches, as its tool tip says it: "COM1 → COM4 (USB-SERIAL CH340)",
// "COM1 → /dev/ttyUSB0", or "COM1：本机没有可用的串口".
QString PortToolTipText(const QString& choice, const std::optional<PresentPort>& reached);

// The tool tips of the port choices. The port a choice reaches is looked up when the pointer
// comes to rest on it, not once: adapters are plugged in and pulled out while the program runs.
class PortToolTips : public QObject {
    Q_OBJECT
public:
    PortToolTips(PortReacher reached, QObject* parent);

    // `choice` is the port name the button stands for ("COM1").
    void Watch(QAbstractButton* button, const QString& choice);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PortReacher reached_;
    QHash<const QObject*, QString> choices_;
};

}  // namespace kvq
