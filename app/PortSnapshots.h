#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

#include "PortList.h"

namespace kvq {

// The window's view of the machine's ports. Where finding ports is costly (Windows) a
// snapshot is taken at start, kept, and taken again when the system reports a change of
// devices; elsewhere one is taken at every look. An open always takes a fresh one. Tool tips
// only read: resting on a choice never waits on a port.
class PortSnapshots : public QObject {
    Q_OBJECT
public:
    PortSnapshots(PortSource source, QObject* parent);

    // The ports as last seen, for a tool tip.
    const PortSnapshot& Latest();
    // The ports now, for an open; kept as the latest.
    const PortSnapshot& Fresh();
    // The system reported a change of devices: a fresh snapshot once its reports settle
    // (one plug-in brings several).
    void DevicesChanged();

private:
    PortSource source_;
    PortSnapshot latest_;
    QTimer settle_;
};

// Calls `changed` on the window's thread whenever the system reports a change of devices,
// for as long as `owner` lives. Windows: WM_DEVICECHANGE, which is broadcast to top-level
// windows. Linux has nothing to report: its ports are looked up at every look.
void WatchDeviceChanges(QObject* owner, const std::function<void()>& changed);

}  // namespace kvq
