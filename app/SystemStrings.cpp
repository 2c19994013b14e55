#include "SystemStrings.h"

#include <QDir>
#include <QFile>

namespace kvq {

#ifdef _WIN32

QString FromSystem(const std::string& text) {
    return QString::fromStdString(text);
}

std::string ToSystemName(const QString& name) {
    return QDir::toNativeSeparators(name).toStdString();
}

#else

QString FromSystem(const std::string& text) {
    return QFile::decodeName(QByteArray::fromStdString(text));
}

std::string ToSystemName(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

#endif

}  // namespace kvq
