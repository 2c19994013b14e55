#pragma once

// The custom (BOTHER) output rate the kernel holds for a terminal, 0 for a standard rate code.
// tcgetattr shows a custom rate only as its code. Kept apart: <termios.h> and the termios2
// header cannot meet in one file.
unsigned KernelCustomRate(int fd);
