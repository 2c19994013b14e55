#pragma once

#include <QStringList>
#include <QTemporaryDir>
#include <string>

// A fake /dev and /sys in a temporary folder, as the port rules of Linux read them. Entries:
// "ttyUSB0" a device node, "COM1->ttyUSB3" a link, "ttyS0=4" a ttyS node whose UART type the
// kernel reports as 4 (0: no UART).
class DeviceFolder {
public:
    explicit DeviceFolder(const QStringList& entries);

    bool IsValid() const { return valid_; }
    // The stand-ins of /dev and /sys.
    std::string Dev() const;
    std::string Sys() const;
    // The full path of an entry of Dev(), as the rules name it.
    std::string Path(const QString& entry) const;

private:
    QTemporaryDir dir_;
    bool valid_ = false;
};
