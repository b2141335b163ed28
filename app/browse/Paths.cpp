#include "app/browse/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace pw {

// The engine's paths are bytes in the file system's encoding on POSIX
// systems, which QFile's name encoding gives; on Windows they are UTF-8
// text (the file layer hands them to the system as UTF-16), and Qt's local
// 8-bit encoding would be the ANSI code page there. Either way a path
// leaves Qt with the system's own separators.
std::string ToPath(const QString& path) {
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(path).toUtf8().toStdString();
#else
    return QFile::encodeName(path).toStdString();
#endif
}

QString FromPath(const std::string& path) {
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(QString::fromUtf8(path.data(), qsizetype(path.size())));
#else
    return QFile::decodeName(QByteArray::fromStdString(path));
#endif
}

QString FileKey(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

} // namespace pw
