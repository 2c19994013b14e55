#include "DcbMapping.h"

namespace kvq {

BYTE StopBitsCode(StopBits stopBits) {
    switch (stopBits) {
        case StopBits::kOneAndHalf:
            return ONE5STOPBITS;
        case StopBits::kTwo:
            return TWOSTOPBITS;
        case StopBits::kOne:
            break;
    }
    return ONESTOPBIT;
}

void ApplyLineSettings(DCB& dcb, const LineSettings& settings) {
    dcb.BaudRate = static_cast<DWORD>(settings.baudRate);
    dcb.ByteSize = static_cast<BYTE>(settings.dataBits);
    dcb.Parity = settings.oddParity ? ODDPARITY : NOPARITY;
    dcb.StopBits = StopBitsCode(settings.stopBits);
}

bool SettingsTaken(const DCB& wanted, const DCB& got) {
    return wanted.BaudRate == got.BaudRate && wanted.ByteSize == got.ByteSize &&
           wanted.Parity == got.Parity && wanted.StopBits == got.StopBits;
}

}  // namespace kvq
