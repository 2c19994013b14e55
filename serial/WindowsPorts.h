#pragma once

#include "PortList.h"

namespace kvq {

// The COM ports of this Windows system and what the choices reach (PortChoice.h), found
// without opening any: the present devices of the ports class (SetupAPI) with their own
// instance IDs, services, "PortName" and problem codes, and the names serial drivers entered
// under HKLM\HARDWARE\DEVICEMAP\SERIALCOMM that no such device has. Under Wine, whose ports
// class is empty, the SERIALCOMM names that open and report their settings (or that another
// program holds): the one case where the program opens a port it was not asked to.
PortSnapshot SystemPortSnapshot();

}  // namespace kvq
