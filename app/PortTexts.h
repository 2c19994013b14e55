#pragma once

#include <QString>
#include <QStringList>

#include "PortList.h"

namespace kvq {

// What a choice (1: "COM1") reaches, as its tool tip says it: "COM1 → COM4 (USB-SERIAL
// CH340)", "COM1 → /dev/ttyUSB0", "COM1：本机没有可用的串口" when no port is there, or
// "COM1：没有对应的串口" followed by the port lines when ports are there but none is its.
QString PortToolTipText(int choice, const PortSnapshot& ports);

// One line per port: its name, its description, and which choice uses it or why none does,
// "COM3 (Standard Serial over Bluetooth link)：蓝牙，不会自动选用".
QStringList PortLines(const PortSnapshot& ports);

}  // namespace kvq
