#include "PortSnapshots.h"

#include <utility>

namespace kvq {

namespace {

// How long the reports of one plug-in take to settle.
constexpr int kSettleMs = 300;

}  // namespace

PortSnapshots::PortSnapshots(PortSource source, QObject* parent)
    : QObject(parent), source_(std::move(source)), latest_(source_.take()) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, [this] { Fresh(); });
    if (source_.keptUntilChange) {
        WatchDeviceChanges(this, [this] { DevicesChanged(); });
    }
}

const PortSnapshot& PortSnapshots::Latest() {
    return source_.keptUntilChange ? latest_ : Fresh();
}

const PortSnapshot& PortSnapshots::Fresh() {
    latest_ = source_.take();
    return latest_;
}

void PortSnapshots::DevicesChanged() {
    settle_.start();
}

}  // namespace kvq
