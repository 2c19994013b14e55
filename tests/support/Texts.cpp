#include "Texts.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <QStringDecoder>
#endif

std::string Joined(const std::vector<std::string>& lines, const std::string& end) {
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line + end;
    }
    return bytes;
}

QString SystemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString FromGbk(const QByteArray& bytes) {
#ifdef _WIN32
    // A Qt without ICU has no GBK codec; the system's code page 936 is GBK.
    std::wstring wide(static_cast<std::size_t>(bytes.size()), L'\0');
    const int n = MultiByteToWideChar(936, 0, bytes.constData(), static_cast<int>(bytes.size()),
                                      wide.data(), static_cast<int>(wide.size()));
    return QString::fromWCharArray(wide.data(), n);
#else
    return QStringDecoder("GBK").decode(bytes);
#endif
}
