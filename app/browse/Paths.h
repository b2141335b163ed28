#pragma once
// Paths between Qt and the engine: the engine takes and gives paths as
// bytes in the file system's encoding, Qt as text.
#include <QString>
#include <string>

namespace pw {

std::string ToPath(const QString& path);
QString FromPath(const std::string& path);

} // namespace pw
