#pragma once

// The Linux kernel's own termios record (termios2): it carries any rate, which 14400 needs.
// Do not include <termios.h> beside this header; the two define the same names.
#include <asm/termbits.h>

#include "LineSettings.h"

namespace kvq {

// Pure functions from line settings to a termios2 record. Each changes only the bits of its
// own setting and leaves everything else as the port had it. Those that can refuse return an
// errno value (0 when done), as the port would report it.

// Standard rates get their B code, any other positive rate the custom code BOTHER.
int SetBaudRate(termios2& t, int baudRate);
int SetDataBits(termios2& t, int dataBits);
// One and a half stop bits exist only with 5 data bits (the two-stop-bits flag gives them
// there); with more data bits the setting is refused with EINVAL.
int SetStopBits(termios2& t, StopBits stopBits, int dataBits);
// Odd parity or none; mark and space parity left by another program are cleared.
void SetParity(termios2& t, bool odd);
// Raw bytes in, receiver on, modem control lines ignored, and nothing ever sent back
// (no echo, no XON/XOFF).
void SetRawReceive(termios2& t);

// All of the above; on a refusal t may be partly changed and must not be written.
int ApplyLineSettings(termios2& t, const LineSettings& settings);

// Bits per second the record stands for; 0 for B0 or an unknown code.
unsigned OutputBaudRate(const termios2& t);
unsigned InputBaudRate(const termios2& t);

// True if the record read back from the driver holds what was written: the rates (within
// the 2% the kernel itself treats as the same rate), framing, and the raw-receive bits.
bool SettingsTaken(const termios2& wanted, const termios2& got);

}  // namespace kvq
