#pragma once
// Scratch files and byte-string printing for the text object tests.
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

#include "core/Error.h"

inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"';
    for (char c : bytes) {
        if (c == '\r') *os << "\\r";
        else if (c == '\n') *os << "\\n";
        else if (c == '\0') *os << "\\0";
        else *os << c;
    }
    *os << '"';
}

namespace pw::test {

template <size_t N> QByteArray Bytes(const char (&s)[N]) { return QByteArray(s, N - 1); }

inline void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

inline QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The message of the pw::Error that f raises ("" when none).
template <class F> std::string ErrorOf(F&& f) {
    try {
        f();
    } catch (const pw::Error& e) {
        return e.what();
    }
    return "";
}

} // namespace pw::test
