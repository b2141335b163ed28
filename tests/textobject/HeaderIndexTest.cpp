// The read pass finds its blocks through an index of header positions. Its
// answers must be those of a plain first-occurrence search of the file copy
// from its start, on files with every kind of irregularity: duplicate and
// missing numbers, lower-case digits, "[0x" inside texts, cut-off files,
// zero bytes.
#include <cstring>
#include <random>

#include "TextFiles.h"
#include "textobject/Textobject.h"

using pw::TTextObject;

namespace {

// First occurrence of needle at or after from, searching up to the first
// zero byte; buf ends with a zero byte.
qint64 PlainFind(const QByteArray& buf, qint64 from, const QByteArray& needle) {
    const char* p = std::strstr(buf.constData() + from, needle.constData());
    return p ? p - buf.constData() : -1;
}

int AnyCaseHex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

QByteArray Hex8(uint32_t n) { return QByteArray::number(n, 16).toUpper().rightJustified(8, '0'); }

struct Pass {
    QList<QByteArray> lines;
    QList<QByteArray> log;
    qint32 status = 0;
    int blockCount = 0;
};

Pass PlainPreload(const QByteArray& file, bool noErrors) {
    const QByteArray buf = file + QByteArray(1, '\0');
    Pass r;
    uint32_t expected = 0;
    qint64 scan = 0;
    for (;;) {
        const qint64 h = PlainFind(buf, scan, "[0x");
        if (h < 0) break;
        uint32_t n = 0;
        for (qint64 p = h + 3; AnyCaseHex(buf[p]) >= 0; ++p) n = n * 16 + uint32_t(AnyCaseHex(buf[p]));
        r.lines.append("0x" + Hex8(n));
        if (n != expected && !noErrors) {
            r.log.append("Block 0x" + Hex8(expected) + " not found!");
            expected = n;
            r.status |= TTextObject::StatusBlockMissing;
        }
        ++expected;
        ++r.blockCount;
        scan = h + 12;
        if (scan >= file.size()) break;
    }
    r.lines.append("0x" + Hex8(expected));
    if (r.status) r.lines.clear();
    return r;
}

QByteArray PlainCharString(const QByteArray& file, const QByteArray& header, const QByteArray& next) {
    const QByteArray buf = file + QByteArray(1, '\0');
    const qint64 h = PlainFind(buf, 0, header);
    if (h < 0) return "#NO_TEXT#";
    qint64 end = PlainFind(buf, h, next);
    if (end < 0) end = h + qint64(std::strlen(buf.constData() + h));
    const qint64 start = h + header.size() + 2;
    if (end - start >= 2) {
        if (buf[end - 2] == '\r')
            end -= 2;
        else if (buf[end - 1] == '\n')
            end -= 1;
    }
    return end <= start ? QByteArray("") : buf.mid(start, end - start);
}

// A file of numbered blocks with random faults.
QByteArray GenerateFile(std::mt19937& rng, int blocks) {
    auto chance = [&](int percent) { return int(rng() % 100) < percent; };
    const char* pieces[] = {"a", "text", "\r\n", "\n", "\r", "[0x", "[0x0000000", "]", "[", "0x", " "};
    QByteArray file;
    if (chance(10)) file += "junk [0x";
    uint32_t k = 0;
    for (int b = 0; b < blocks; ++b, ++k) {
        if (chance(5)) ++k;                  // gap
        if (chance(5) && k > 0) --k;         // repeated number
        QByteArray digits = Hex8(k);
        if (chance(5)) digits = digits.toLower();
        if (chance(3)) digits.chop(1 + rng() % 8); // short header
        file += "[0x" + digits + "]";
        file += chance(90) ? "\r\n" : (chance(50) ? "\n" : "");
        const int parts = int(rng() % 6);
        for (int i = 0; i < parts; ++i) {
            if (chance(10))
                file += "[0x" + Hex8(uint32_t(rng() % (blocks + 3))) + "]"; // header inside a text
            else
                file += pieces[rng() % std::size(pieces)];
        }
        if (chance(2)) file += '\0';
        file += "\r\n";
    }
    if (!file.isEmpty() && chance(20)) file.chop(int(rng() % qMin<qsizetype>(file.size(), 40))); // cut off
    return file;
}

} // namespace

TEST(HeaderIndex, ReadPassMatchesPlainSearch) {
    QTemporaryDir dir;
    const QString path = dir.filePath("gen.ini");
    std::mt19937 rng(20240611);
    TTextObject t;
    t.SetTextStyle(TTextObject::IniStyle);
    t.SetFileName(path);
    for (int round = 0; round < 400; ++round) {
        const int blocks = int(rng() % 40);
        const QByteArray file = GenerateFile(rng, blocks);
        pw::test::WriteBytes(path, file);
        t.SetNoErrors(round % 3 != 0);
        t.SetLinuxFormat(round % 2 == 0);
        t.SetAsciiZ(round % 5 == 0);
        SCOPED_TRACE(testing::Message() << "round " << round);

        const Pass plain = PlainPreload(file, t.GetNoErrors());
        ASSERT_EQ(t.New(TTextObject::omRead), plain.status);
        ASSERT_EQ(t.GetLines(), plain.lines);
        ASSERT_EQ(t.GetLog(), plain.log);
        ASSERT_EQ(t.GetBlockCount(), plain.blockCount);

        qint64 size = 0;
        for (int i = 0; plain.status == 0 && i < plain.blockCount; ++i) {
            const QByteArray text = PlainCharString(file, "[" + plain.lines[i] + "]", "[" + plain.lines[i + 1] + "]");
            const QByteArray expected = text == "#NO_TEXT#" ? text : t.MakeString(text);
            ASSERT_EQ(t.Read(), expected) << "block " << i;
            size += t.GetStringLength(text == "#NO_TEXT#" ? QByteArray() : expected);
        }
        EXPECT_EQ(t.Read(), "#OUT_OF_TEXT#");
        EXPECT_EQ(t.GetSize(), plain.status == 0 ? size : -1);

        // Any two headers, exact or not.
        for (int q = 0; q < 60; ++q) {
            auto header = [&] {
                QByteArray h = "[0x" + Hex8(uint32_t(rng() % (blocks + 4))) + "]";
                if (rng() % 8 == 0) h = h.toLower();
                if (rng() % 8 == 0) h.chop(1);
                return h;
            };
            const QByteArray a = header(), b = header();
            ASSERT_EQ(t.GetCharString(a, b), PlainCharString(file, a, b)) << a.data() << " " << b.data();
        }
    }
}
