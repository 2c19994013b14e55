// The line's settings through termios2, which carries rates such as 14400 that the B-codes
// of <termios.h> do not; the two headers cannot meet in one file.

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "PtyLine.h"

namespace {

int DataBits(unsigned cflag) {
    switch (cflag & CSIZE) {
        case CS5:
            return 5;
        case CS6:
            return 6;
        case CS7:
            return 7;
        default:
            return 8;
    }
}

}  // namespace

PtyLine::Framing PtyLine::CurrentFraming() const {
    termios2 t{};
    Framing framing;
    if (::ioctl(slave_, TCGETS2, &t) != 0) {
        return framing;
    }
    framing.baudRate = t.c_ispeed;
    framing.dataBits = DataBits(t.c_cflag);
    framing.twoStopBits = (t.c_cflag & CSTOPB) != 0;
    framing.parity = (t.c_cflag & PARENB) != 0;
    framing.oddParity = (t.c_cflag & PARODD) != 0;
    return framing;
}

unsigned PtyLine::CustomRate() const {
    termios2 t{};
    if (::ioctl(slave_, TCGETS2, &t) != 0) {
        return 0;
    }
    return (t.c_cflag & CBAUD) == BOTHER ? t.c_ospeed : 0;
}
