#include "app/browse/Paths.h"

#include <QFile>
#include <QFileInfo>

namespace pw {

std::string ToPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString FromPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString FileKey(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

} // namespace pw
