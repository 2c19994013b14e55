#include "Texts.h"

#include <cstring>

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
