#pragma once

#include <vector>

#include "PortList.h"

namespace kvq {

// The COM ports of this Windows system, by number: the "COMn" values under
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM (serial drivers enter their ports there while the device
// is plugged in) that open and answer GetCommState, or that another program holds (opening
// them fails with "access denied": there, but busy). Each with its friendly name from
// SetupAPI, without the "(COMn)" at its end, where the system has one.
std::vector<PresentPort> PresentComPorts();

}  // namespace kvq
