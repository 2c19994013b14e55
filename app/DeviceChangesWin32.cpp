#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <utility>

// clang-format off
#include <windows.h>
#include <dbt.h>
// clang-format on

#include "PortSnapshots.h"

namespace kvq {

namespace {

// WM_DEVICECHANGE: a port's arrival and removal, and any change of the device tree, which is
// all that some drivers report. Windows broadcasts it to top-level windows; Qt hands it on as
// "windows_generic_MSG", as it does one posted to the thread. Qt removes the filter when it
// is destroyed with its owner.
class DeviceChangeFilter : public QObject, public QAbstractNativeEventFilter {
public:
    DeviceChangeFilter(QObject* owner, std::function<void()> changed)
        : QObject(owner), changed_(std::move(changed)) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        const auto* msg = static_cast<const MSG*>(message);
        if (eventType == "windows_generic_MSG" && msg->message == WM_DEVICECHANGE &&
            (msg->wParam == DBT_DEVICEARRIVAL || msg->wParam == DBT_DEVICEREMOVECOMPLETE ||
             msg->wParam == DBT_DEVNODES_CHANGED)) {
            changed_();
        }
        return false;  // the window's own handling goes on
    }

private:
    std::function<void()> changed_;
};

}  // namespace

void WatchDeviceChanges(QObject* owner, const std::function<void()>& changed) {
    new DeviceChangeFilter(owner, changed);
}

}  // namespace kvq
