#pragma once

#include <QHash>
#include <QObject>

class QAbstractButton;

namespace kvq {

class PortSnapshots;

// The tool tips of the port choices: what a choice reaches when the pointer comes to rest on
// it, read from the window's latest snapshot of the ports (PortTexts.h says how).
class PortToolTips : public QObject {
    Q_OBJECT
public:
    PortToolTips(PortSnapshots& ports, QObject* parent);

    // `choice` is the choice the button stands for (1: "COM1").
    void Watch(QAbstractButton* button, int choice);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PortSnapshots& ports_;
    QHash<const QObject*, int> choices_;
};

}  // namespace kvq
