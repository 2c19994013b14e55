#include "PortSnapshots.h"

namespace kvq {

// Linux reads /dev and /sys at every look, which is cheap: nothing to be told.
void WatchDeviceChanges(QObject*, const std::function<void()>&) {}

}  // namespace kvq
