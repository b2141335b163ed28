#include "textobject/Misc.h"

#include <QFile>
#include <filesystem>
#include <system_error>

namespace pw {

char CharAt(const QByteArray& s, qsizetype index) {
    return index >= 0 && index < s.size() ? s.at(index) : '\0';
}

bool EntryExists(const QString& path) {
    if (path.isEmpty()) return false;
    std::error_code ec;
    const auto st = std::filesystem::symlink_status(QFile::encodeName(path).toStdString(), ec);
    return !ec && std::filesystem::exists(st);
}

} // namespace pw
