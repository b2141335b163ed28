#include "app/browse/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/FileNames.h"

namespace pw {

// The engine's paths as the file layer takes them: UTF-8 text where it
// says so (Qt's local 8-bit encoding would be the ANSI code page on
// Windows), else bytes in the file system's encoding, which QFile's name
// encoding gives. Either way a path leaves Qt with the system's own
// separators.
std::string ToPath(const QString& path) {
    const QString native = QDir::toNativeSeparators(path);
    return PathsAreUtf8 ? native.toUtf8().toStdString() : QFile::encodeName(native).toStdString();
}

QString FromPath(const std::string& path) {
    const QByteArray bytes = QByteArray::fromStdString(path);
    return QDir::toNativeSeparators(PathsAreUtf8 ? QString::fromUtf8(bytes) : QFile::decodeName(bytes));
}

QString FileKey(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

} // namespace pw
