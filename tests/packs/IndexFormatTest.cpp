// The index layout as the engine reads it: header, records, names, the
// guards against damaged indexes, and the names of extracted entries.
#include <gtest/gtest.h>

#include "core/FileIO.h"
#include "packs/Formathandlers.h"
#include "packs/PackFixtures.h"
#include "packs/PackIndex.h"

using namespace pw;
using namespace pwtest;

namespace {

std::vector<unsigned char> AsBytes(const std::string& s) { return {s.begin(), s.end()}; }

PackIndex IndexOf(const TempDir& dir, const PackDesign& pack) {
    PackPaths p = WritePack(dir / "MENU.fat", pack);
    return PackIndex(ReadWholeFile(p.Index), p.Index);
}

std::string DamagedMessage(const std::string& bytes) {
    return ErrorOf([&] { PackIndex index(AsBytes(bytes), "/game/MENU.fat"); }, "accepted");
}

} // namespace

TEST(PackIndexFormat, ReadsHeaderRecordsAndLittleEndianFields) {
    TempDir dir;
    PackDesign pack;
    pack.HeaderExtra = 0x11223344u;
    pack.Entries = {{"font.tga", "abc", {}, 0x102, 0xCAFEBABEu}, {"b.txt", "", 0, 7, 1}};
    PackIndex index = IndexOf(dir, pack);
    EXPECT_EQ(index.Header().EntryCount, 2);
    EXPECT_EQ(index.Header().HeaderExtra, 0x11223344u);
    ASSERT_EQ(index.Count(), 2u);
    FatEntry e = index.Entry(0);
    EXPECT_EQ(e.Name, "font.tga");
    EXPECT_EQ(e.StartBlock, 0x102);
    EXPECT_EQ(e.Size, 3);
    EXPECT_EQ(e.EntryExtra, 0xCAFEBABEu);
    EXPECT_EQ(index.Entry(1).Size, 0);
    EXPECT_EQ(index.Entry(1).StartBlock, 7);
    // Byte 8 + 28 * k + 16 holds StartBlock, little-endian.
    EXPECT_EQ(index.Bytes()[8 + 16], 0x02);
    EXPECT_EQ(index.Bytes()[8 + 17], 0x01);
}

TEST(PackIndexFormat, ANameFillingAllSixteenBytesEndsThere) {
    TempDir dir;
    PackDesign pack;
    pack.Entries = {{"ABCDEFGHIJKL.tga", "x", {}, {}, 0x41414141u}};
    PackIndex index = IndexOf(dir, pack);
    // The next field's bytes ("AAAA" in Extra, StartBlock 0) are not part of it.
    EXPECT_EQ(index.Entry(0).Name, "ABCDEFGHIJKL.tga");
}

TEST(PackIndexFormat, ZeroOrNegativeCountHasNoEntriesAndKeepsAllBytes) {
    std::string bytes = std::string("\x00\x00\x00\x00", 4) + "HEAD" + "trailing";
    PackIndex zero(AsBytes(bytes), "/x.fat");
    EXPECT_EQ(zero.Count(), 0u);
    bytes.replace(0, 4, "\xFF\xFF\xFF\xFF");
    PackIndex negative(AsBytes(bytes), "/x.fat");
    EXPECT_EQ(negative.Count(), 0u);
    EXPECT_EQ(negative.Header().EntryCount, -1);
    EXPECT_EQ(std::string(negative.Bytes().begin(), negative.Bytes().end()), bytes);
    bytes.replace(0, 4, std::string("\x00\x00\x00\x80", 4)); // INT32_MIN
    EXPECT_EQ(PackIndex(AsBytes(bytes), "/x.fat").Count(), 0u);
}

TEST(PackIndexFormat, IndexesShorterThanTheirRecordsAreRefused) {
    const std::string refused = "Damaged pack index /game/MENU.fat";
    EXPECT_EQ(DamagedMessage(""), refused);
    EXPECT_EQ(DamagedMessage("\x01\x00\x00"), refused);
    EXPECT_EQ(DamagedMessage(std::string("\x00\x00\x00\x00\x00\x00\x00", 7)), refused);
    // One record claimed, 27 of its 28 bytes present.
    EXPECT_EQ(DamagedMessage(std::string("\x01\x00\x00\x00", 4) + std::string(4 + 27, 'x')), refused);
    EXPECT_EQ(DamagedMessage(std::string("\x01\x00\x00\x00", 4) + std::string(4 + 28, 'x')), "accepted");
    // A huge count never makes the engine read or allocate by it.
    EXPECT_EQ(DamagedMessage(std::string("\xFF\xFF\xFF\x7F", 4) + std::string(4 + 28 * 3, 'x')), refused);
    EXPECT_EQ(DamagedMessage(std::string("\x00\x00\x00\x40", 4) + std::string(4, 'x')), refused);
}

TEST(EntryNaming, PackNameTypeFolderAndHexNumber) {
    EXPECT_EQ(PackName("/game/MENU.fat"), "MENU");
    EXPECT_EQ(PackName("/game/MENU.old.fat"), "MENU");
    EXPECT_EQ(PackName("/game.d/a.b.fat"), "a");
    EXPECT_EQ(RelativeEntryName("MENU", "title.tga", 26), P("MENU/TGA/0000001A.tga"));
    EXPECT_EQ(RelativeEntryName("MENU", "DATA\\FONT.Tga", 0), P("MENU/TGA/00000000.tga"));
    EXPECT_EQ(RelativeEntryName("MENU", "a.b", 255), P("MENU/B/000000FF.b"));
    // Only ASCII letters change case.
    EXPECT_EQ(RelativeEntryName("P", "x.t\xe9x", 1), P("P/T\xe9X/00000001.t\xe9x"));
}

TEST(EntryNaming, AnExtensionEndsAtEverySeparatorOfTheGame) {
    // No extension: the file stands in the pack folder, named by the digits.
    EXPECT_EQ(RelativeEntryName("MENU", "README", 3), P("MENU/00000003."));
    EXPECT_EQ(RelativeEntryName("MENU", "dir.d\\name", 3), P("MENU/00000003."));
    EXPECT_EQ(RelativeEntryName("MENU", "dir.d:name", 3), P("MENU/00000003."));
    EXPECT_EQ(RelativeEntryName("MENU", "dir.d/name", 3), P("MENU/00000003."));
    EXPECT_EQ(RelativeEntryName("MENU", "", 4), P("MENU/00000004."));
}

TEST(PackFiles, DataFileIsFoundWhateverItsLetterCase) {
    TempDir dir;
    WriteFile(dir / "MENU.FAT", "");
    WriteFile(dir / "MENU.MIX", "");
    EXPECT_EQ(DataPathFor(dir / "MENU.FAT"), dir / "MENU.MIX");
    WriteFile(dir / "menu.mix", "");
    // The exact name wins when it exists.
    EXPECT_EQ(DataPathFor(dir / "menu.fat"), dir / "menu.mix");
    EXPECT_EQ(DataPathFor(dir / "OTHER.fat"), dir / "OTHER.mix");
    EXPECT_EQ(DataPathFor(dir / "NOEXT"), dir / "NOEXT.mix");
}
