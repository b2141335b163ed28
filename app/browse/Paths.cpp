#include "app/browse/Paths.h"

#include <QFile>

namespace pw {

std::string ToPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString FromPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace pw
