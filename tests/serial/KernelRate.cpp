#include "KernelRate.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

unsigned KernelCustomRate(int fd) {
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0) {
        return 0;
    }
    return (t.c_cflag & CBAUD) == BOTHER ? t.c_ospeed : 0;
}
