#pragma once
// Bounds-testing character access: a position outside the string reads as a
// zero byte, so a scan may look one step past either end without care.
#include <QByteArray>

namespace pw {

char CharAt(const QByteArray& s, qsizetype index);

} // namespace pw

#include <QString>

namespace pw {

// True when any directory entry (file, folder, link, even a dangling one)
// exists under path.
bool EntryExists(const QString& path);

} // namespace pw
