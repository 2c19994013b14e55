#include "TermiosMapping.h"

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace kvq {

namespace {

constexpr std::pair<unsigned, unsigned> kRateCodes[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

constexpr tcflag_t kInputRateBits = CBAUD << IBSHIFT;
constexpr tcflag_t kRawIflagOff =
    IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IXON | IXANY | IXOFF;
constexpr tcflag_t kRawLflagOff = ECHO | ECHONL | ICANON | ISIG | IEXTEN;
constexpr tcflag_t kFramingCflag = CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CREAD | CLOCAL;

unsigned CodeForRate(unsigned rate) {
    for (const auto& [r, code] : kRateCodes) {
        if (r == rate) {
            return code;
        }
    }
    return BOTHER;
}

unsigned RateForCode(unsigned code, unsigned customRate) {
    if (code == BOTHER) {
        return customRate;
    }
    for (const auto& [rate, c] : kRateCodes) {
        if (c == code) {
            return rate;
        }
    }
    return 0;
}

bool SameRate(unsigned wanted, unsigned got) {
    const long difference = std::labs(static_cast<long>(wanted) - static_cast<long>(got));
    return difference * 50 <= static_cast<long>(wanted);
}

}  // namespace

int SetBaudRate(termios2& t, int baudRate) {
    if (baudRate <= 0) {
        return EINVAL;
    }
    const auto rate = static_cast<unsigned>(baudRate);
    // Input rate bits zero: input runs at the output rate.
    t.c_cflag &= ~(CBAUD | kInputRateBits);
    t.c_cflag |= CodeForRate(rate);
    t.c_ispeed = rate;
    t.c_ospeed = rate;
    return 0;
}

int SetDataBits(termios2& t, int dataBits) {
    tcflag_t size = 0;
    switch (dataBits) {
        case 5:
            size = CS5;
            break;
        case 6:
            size = CS6;
            break;
        case 7:
            size = CS7;
            break;
        case 8:
            size = CS8;
            break;
        default:
            return EINVAL;
    }
    t.c_cflag = (t.c_cflag & ~CSIZE) | size;
    return 0;
}

int SetStopBits(termios2& t, StopBits stopBits, int dataBits) {
    switch (stopBits) {
        case StopBits::kOne:
            t.c_cflag &= ~CSTOPB;
            return 0;
        case StopBits::kOneAndHalf:
            if (dataBits != 5) {
                return EINVAL;
            }
            t.c_cflag |= CSTOPB;
            return 0;
        case StopBits::kTwo:
            t.c_cflag |= CSTOPB;
            return 0;
    }
    return EINVAL;
}

void SetParity(termios2& t, bool odd) {
    t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    if (odd) {
        t.c_cflag |= PARENB | PARODD;
    }
}

void SetRawReceive(termios2& t) {
    t.c_iflag &= ~kRawIflagOff;
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~kRawLflagOff;
    t.c_cflag |= CREAD | CLOCAL;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

int ApplyLineSettings(termios2& t, const LineSettings& settings) {
    SetRawReceive(t);
    SetParity(t, settings.oddParity);
    if (const int error = SetBaudRate(t, settings.baudRate)) {
        return error;
    }
    if (const int error = SetDataBits(t, settings.dataBits)) {
        return error;
    }
    return SetStopBits(t, settings.stopBits, settings.dataBits);
}

unsigned OutputBaudRate(const termios2& t) {
    return RateForCode(t.c_cflag & CBAUD, t.c_ospeed);
}

unsigned InputBaudRate(const termios2& t) {
    const unsigned code = (t.c_cflag & kInputRateBits) >> IBSHIFT;
    return code == B0 ? OutputBaudRate(t) : RateForCode(code, t.c_ispeed);
}

bool SettingsTaken(const termios2& wanted, const termios2& got) {
    return SameRate(OutputBaudRate(wanted), OutputBaudRate(got)) &&
           SameRate(InputBaudRate(wanted), InputBaudRate(got)) &&
           (wanted.c_cflag & kFramingCflag) == (got.c_cflag & kFramingCflag) &&
           (wanted.c_iflag & kRawIflagOff) == (got.c_iflag & kRawIflagOff) &&
           (wanted.c_oflag & OPOST) == (got.c_oflag & OPOST) &&
           (wanted.c_lflag & kRawLflagOff) == (got.c_lflag & kRawLflagOff);
}

}  // namespace kvq
