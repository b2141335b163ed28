#pragma once
// Paths between Qt and the engine: the engine takes and gives paths as
// bytes in the file system's encoding, Qt as text.
#include <QString>
#include <string>

namespace pw {

std::string ToPath(const QString& path);
QString FromPath(const std::string& path);
// One text for every name of a file (its canonical path, or the absolute
// one while it does not exist), to know a file named twice.
QString FileKey(const QString& path);

} // namespace pw
