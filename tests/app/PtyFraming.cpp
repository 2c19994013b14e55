// Reads the line's framing through termios2, which carries rates such as 14400 that the
// B-codes of <termios.h> do not; the two headers cannot meet in one file.

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "PtyLine.h"

PtyLine::Framing PtyLine::CurrentFraming() const {
    termios2 t{};
    Framing framing;
    if (::ioctl(slave_, TCGETS2, &t) != 0) {
        return framing;
    }
    framing.baudRate = t.c_ispeed;
    switch (t.c_cflag & CSIZE) {
        case CS5:
            framing.dataBits = 5;
            break;
        case CS6:
            framing.dataBits = 6;
            break;
        case CS7:
            framing.dataBits = 7;
            break;
        default:
            framing.dataBits = 8;
            break;
    }
    framing.twoStopBits = (t.c_cflag & CSTOPB) != 0;
    framing.parity = (t.c_cflag & PARENB) != 0;
    framing.oddParity = (t.c_cflag & PARODD) != 0;
    return framing;
}
