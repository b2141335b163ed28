#pragma once
// A count in words, as the windows write them: "1 entry", "3 entries".
#include <QString>
#include <cstddef>

namespace pw {

inline QString Counted(size_t n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromLatin1(n == 1 ? one : many));
}

} // namespace pw
