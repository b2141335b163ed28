#include "textobject/Misc.h"

#include <QFileInfo>

namespace pw {

char CharAt(const QByteArray& s, qsizetype index) {
    return index >= 0 && index < s.size() ? s.at(index) : '\0';
}

bool EntryExists(const QString& path) {
    if (path.isEmpty()) return false;
    // A link counts even when what it names is gone.
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace pw
