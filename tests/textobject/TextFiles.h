#pragma once
// Scratch files for the text object tests.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

#include "core/Error.h"

// Byte strings print as C-escaped text in failure messages.
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"';
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') *os << '\\' << c;
        else if (c == '\r') *os << "\\r";
        else if (c == '\n') *os << "\\n";
        else if (u < 32 || u > 126) {
            static const char hex[] = "0123456789abcdef";
            *os << "\\x" << hex[u >> 4] << hex[u & 15];
        } else *os << c;
    }
    *os << '"';
}

namespace pw::test {

class ScratchDir {
public:
    QString Path(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

inline void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

inline QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray();
    return f.readAll();
}

// Runs f and gives back the pw::Error message it raised ("" when none).
template <class F> std::string ErrorOf(F&& f) {
    try {
        f();
    } catch (const pw::Error& e) {
        return e.what();
    }
    return "";
}

} // namespace pw::test
