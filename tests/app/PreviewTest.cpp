// What the preview pane makes of an entry: the choice by type and content,
// decoding, and the bounds on reading.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "app/browse/Preview.h"

namespace {

using namespace pw;

QByteArray Tga(int width, int height, int depth, uint8_t descriptor = 0) {
    QByteArray b(18, '\0');
    b[2] = 2;
    b[12] = char(width);
    b[13] = char(width >> 8);
    b[14] = char(height);
    b[15] = char(height >> 8);
    b[16] = char(depth);
    b[17] = char(descriptor);
    return b;
}

TEST(PreviewChoice, ByTypeThenByContent) {
    const QByteArray binary("\x01\x02\x03\x00\xFF", 5);
    const QByteArray picture = Tga(2, 1, 24) + QByteArray(6, 'x');
    EXPECT_EQ(ChoosePreview("TGA", binary), PreviewChoice::Targa);
    EXPECT_EQ(ChoosePreview("DAT", picture), PreviewChoice::Targa);
    EXPECT_EQ(ChoosePreview("DAT", Tga(2, 1, 24)), PreviewChoice::Hex); // no room for its pixels
    EXPECT_EQ(ChoosePreview("DAT", Tga(2, 1, 24), 24), PreviewChoice::Targa); // the entry has it
    EXPECT_EQ(ChoosePreview("DAT", Tga(2, 1, 8) + QByteArray(2, 'x')), PreviewChoice::Hex);
    for (const char* type : {"TXT", "INI", "LOG", "CFG"}) EXPECT_EQ(ChoosePreview(type, binary), PreviewChoice::Text);
    EXPECT_EQ(ChoosePreview("DAT", "plain words\r\n\ttabbed\n"), PreviewChoice::Text);
    EXPECT_EQ(ChoosePreview("DAT", "caf\xC3\xA9 au lait"), PreviewChoice::Text);   // UTF-8
    EXPECT_EQ(ChoosePreview("DAT", "caf\xE9 cr\xE8me"), PreviewChoice::Text);      // Latin-1
    EXPECT_EQ(ChoosePreview("DAT", "bell\x07"), PreviewChoice::Hex);
    EXPECT_EQ(ChoosePreview("DAT", "\x81\x82 not UTF-8"), PreviewChoice::Hex);
    EXPECT_EQ(ChoosePreview("DAT", binary), PreviewChoice::Hex);
    // Only the first 4 KiB are looked at.
    EXPECT_EQ(ChoosePreview("DAT", QByteArray(4096, 'a') + binary), PreviewChoice::Text);
}

TEST(PreviewChoice, TextEncodingAndIniBlocks) {
    EXPECT_EQ(DecodeText("caf\xC3\xA9"), QStringLiteral("caf\u00E9"));
    EXPECT_EQ(DecodeText("caf\xE9"), QStringLiteral("caf\u00E9"));
    const QByteArray ini = "[0x00000000]\r\nHello\r\n[0x00000001]\r\nWorld\r\n";
    EXPECT_EQ(IniBlockCount(ini), 2);
    EXPECT_EQ(IniBlockCount("no blocks here"), -1);
    const Preview p = MakePreview("INI", ini, ini.size());
    EXPECT_EQ(p.kind, PreviewKind::Text);
    EXPECT_TRUE(p.info.contains("2 INI blocks")) << p.info.toStdString();
    EXPECT_EQ(p.text, QString::fromLatin1(ini));
}

TEST(PreviewChoice, ControlCodesReadAsInTheTranslationFiles) {
    const struct {
        const char* in;
        const char* shown;
    } cases[] = {
        {"\x01Red\x01", "{0x01}Red{0x01}"},
        {"a\r\nb\rc\x7F", "a\r\nb{0x0D}c{0x7F}"}, // a line end's carriage return stays
        {"tab\there\n", "tab\there\n"},
        {"{0x41} {not}", "{0x7B}0x41} {not}"}, // a brace that would read as a code
    };
    for (const auto& c : cases) EXPECT_EQ(ShowControlCodes(QString::fromLatin1(c.in)), QString::fromLatin1(c.shown));
    EXPECT_EQ(MakePreview("TXT", "\x01Red\x01", 5).text, "{0x01}Red{0x01}");
}

TEST(PreviewChoice, HexViewLines) {
    const QByteArray bytes("ABCDEFGHIJKLMNOP\x00\x7F\xFFz", 20);
    const QStringList lines = HexDump(bytes).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "00000000  41 42 43 44 45 46 47 48  49 4A 4B 4C 4D 4E 4F 50  ABCDEFGHIJKLMNOP");
    EXPECT_TRUE(lines[1].startsWith("00000010  00 7F FF 7A ")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith("...z"));
    const Preview big = MakePreview("DAT", QByteArray(int(HexLimit) + 100, '\x01'), HexLimit + 100);
    EXPECT_EQ(big.kind, PreviewKind::Hex);
    EXPECT_EQ(big.text.count(u'\n'), HexLimit / 16);
}

TEST(PreviewChoice, TargaIsDecodedTopRowFirst) {
    // Two rows of one pixel, stored bottom row first: blue below, red above.
    const QByteArray bytes = Tga(1, 2, 24) + QByteArray("\xFF\x00\x00\x00\x00\xFF", 6);
    const Preview p = MakePreview("TGA", bytes, bytes.size());
    ASSERT_EQ(p.kind, PreviewKind::Image);
    EXPECT_EQ(p.image.size(), QSize(1, 2));
    EXPECT_EQ(p.image.pixelColor(0, 0), QColor(255, 0, 0));
    EXPECT_EQ(p.image.pixelColor(0, 1), QColor(0, 0, 255));
    EXPECT_TRUE(p.info.startsWith("1 x 2 pixels, 24 bits")) << p.info.toStdString();
    // A descriptor with the top-first bit keeps the order.
    const QByteArray top = Tga(1, 2, 24, 0x20) + QByteArray("\xFF\x00\x00\x00\x00\xFF", 6);
    EXPECT_EQ(MakePreview("TGA", top, top.size()).image.pixelColor(0, 0), QColor(0, 0, 255));
    // A header asking for far more pixels than there are is not decoded.
    const QByteArray huge = Tga(60000, 60000, 32) + QByteArray(64, 'x');
    EXPECT_EQ(MakePreview("TGA", huge, huge.size()).kind, PreviewKind::Message);
}

TEST(PreviewLoad, ReadsOnlyWhatIsNeeded) {
    QTemporaryDir dir;
    const QString path = dir.filePath("D.mix");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(2048, 'z') + "hello\n");
    f.close();
    PreviewRequest r{path.toStdString(), 2048, 6, "DAT", true, {}};
    Preview p = LoadPreview(r);
    EXPECT_EQ(p.kind, PreviewKind::Text);
    EXPECT_EQ(p.text, "hello\n");

    r.inside = false;
    EXPECT_EQ(LoadPreview(r).text, "Stream read error");
    r.inside = true;
    r.size = 7; // claims a byte the file does not have
    EXPECT_EQ(LoadPreview(r).text, "Stream read error");
    r.size = PreviewLimit + 1;
    p = LoadPreview(r);
    EXPECT_EQ(p.text, "Too large to preview");
    EXPECT_TRUE(p.info.contains(QString::number(PreviewLimit + 1)));
    r.size = 0;
    EXPECT_EQ(LoadPreview(r).text, "Empty entry");
    r.size = 6;
    r.dataPath = dir.filePath("none.mix").toStdString();
    EXPECT_EQ(LoadPreview(r).text.toStdString(), "Cannot open file " + r.dataPath);
}

} // namespace
