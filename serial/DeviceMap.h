#pragma once

#include <string>

#include "PortList.h"

namespace kvq {

// The Linux ports under devRoot (/dev, with the kernel's word from sysRoot, /sys) and what the
// choices reach among them. A choice "COMn" reaches the first present one of devRoot/COMn
// (a link of the user's, as a udev rule makes it), ttyUSB<n-1>, ttyACM<n-1>, ttyS<n-1>, and
// opening takes that very device. Present means there, following links, and for a ttyS node
// a UART behind it (sysRoot/class/tty/ttySn/type is not 0, PORT_UNKNOWN: most machines have
// ttyS0 to ttyS3 nodes whatever the hardware). A choice that reaches nothing opens the first
// of those that exists, else its ttyS node, so that the failure names a device.
//
// The ports listed: the COMn links of the choices that lead to a present device (each
// standing for that device, its target as description), then ttyUSBn, ttyACMn and the ttySn
// with a UART, each kind by number.
PortSnapshot PortSnapshotUnder(const std::string& devRoot, const std::string& sysRoot);

}  // namespace kvq
