// Entry patterns, types and the lookup of one entry by number or name.
#include <gtest/gtest.h>

#include "core/Bytes.h"
#include "packs/EntryFilter.h"
#include "packs/PackFixtures.h"

using namespace pw;
using namespace pwtest;

namespace {

// An index in memory with the given names (start blocks and sizes 0).
PackIndex IndexOf(const std::vector<std::string>& names) {
    std::vector<unsigned char> bytes(8 + 28 * names.size());
    WriteI32LE(bytes.data(), int32_t(names.size()));
    for (size_t k = 0; k < names.size(); ++k)
        std::copy(names[k].begin(), names[k].end(), bytes.begin() + std::ptrdiff_t(8 + 28 * k));
    return PackIndex(std::move(bytes), "/p/MENU.fat");
}

std::string FindError(const PackIndex& index, const std::string& entry) {
    return ErrorOf([&] { FindEntry(index, entry, "/p/MENU.fat"); });
}

} // namespace

TEST(EntryPattern, NumbersAndNames) {
    EXPECT_EQ(ParseEntryPattern("#12").Index, 12u);
    EXPECT_EQ(ParseEntryPattern("#0x1A").Index, 26u);
    EXPECT_EQ(ParseEntryPattern("#0X1a").Index, 26u);
    EXPECT_EQ(ParseEntryPattern("#99999999999999999999999").Index, UINT64_MAX); // matches no entry
    EXPECT_FALSE(ParseEntryPattern("12").Index);
    EXPECT_EQ(ParseEntryPattern("*.TGA").Mask, "*.TGA");
    for (const char* bad : {"#", "#0x", "#1a", "#-1", "#0x1G", "# 1", "#1.5"})
        EXPECT_EQ(ErrorOf([&] { ParseEntryPattern(bad); }), std::string("Bad entry number ") + bad);
}

TEST(EntryPattern, NamesMatchInAnyAsciiCase) {
    EntryPattern tga = ParseEntryPattern("*.tga");
    EXPECT_TRUE(Matches(tga, 0, "FONT.TGA"));
    EXPECT_TRUE(Matches(tga, 0, ".tga"));
    EXPECT_FALSE(Matches(tga, 0, "font.tga.bak"));
    EXPECT_TRUE(Matches(ParseEntryPattern("?.T*"), 0, "a.txt"));
    EXPECT_FALSE(Matches(ParseEntryPattern("?.T*"), 0, "ab.txt"));
    // Only a to z fold: other bytes must be equal.
    EXPECT_FALSE(Matches(ParseEntryPattern("\xE9t\xE9.txt"), 0, "\xC9T\xC9.TXT"));
    EXPECT_TRUE(Matches(ParseEntryPattern("\xE9t\xE9.txt"), 0, "\xE9T\xE9.TXT"));
    // A number matches the index, never the name.
    EXPECT_TRUE(Matches(ParseEntryPattern("#3"), 3, "x"));
    EXPECT_FALSE(Matches(ParseEntryPattern("#3"), 4, "#3"));
}

TEST(EntryType, ExtensionOfTheNameInAnyCase) {
    EXPECT_EQ(EntryType("DATA\\FONT.Tga"), "TGA");
    EXPECT_EQ(EntryType("a.b.c"), "C");
    EXPECT_EQ(EntryType("README"), "");
    EXPECT_EQ(EntryType("dir.x/file"), ""); // the dot is in a folder part
    EXPECT_TRUE(TypeMatches("font.tga", "TGA"));
    EXPECT_TRUE(TypeMatches("font.TGA", ".tga"));
    EXPECT_TRUE(TypeMatches("README", ""));
    EXPECT_FALSE(TypeMatches("font.tga", "tg"));
    EXPECT_FALSE(TypeMatches("font.tga", ""));
}

TEST(EntryFilter, TypeAndAnyOfThePatterns) {
    PackIndex index = IndexOf({"a.txt", "b.tga", "c.TXT", "d.dat"});
    EXPECT_EQ(EntryFilter().Select(index), (std::vector<bool>{true, true, true, true}));
    EXPECT_TRUE(EntryFilter().TakesAll());
    EXPECT_EQ(EntryFilter({}, "txt").Select(index), (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(EntryFilter({"#1", "#0x3"}).Select(index), (std::vector<bool>{false, true, false, true}));
    EXPECT_EQ(EntryFilter({"#1", "C*"}, "TXT").Select(index), (std::vector<bool>{false, false, true, false}));
    EXPECT_EQ(ErrorOf([] { EntryFilter({"*.txt", "#x"}); }), "Bad entry number #x");
}

TEST(FindEntry, ByNumberOrByName) {
    PackIndex index = IndexOf({"a.txt", "b.tga", "c.dat"});
    EXPECT_EQ(FindEntry(index, "2", "/p/MENU.fat"), 2u);
    EXPECT_EQ(FindEntry(index, "#2", "/p/MENU.fat"), 2u);
    EXPECT_EQ(FindEntry(index, "#0x1", "/p/MENU.fat"), 1u);
    EXPECT_EQ(FindEntry(index, "B.TGA", "/p/MENU.fat"), 1u);
    EXPECT_EQ(FindError(index, "3"), "No entry 3 in /p/MENU.fat: it has 3 entries");
    EXPECT_EQ(FindError(index, "#0x10"), "No entry #0x10 in /p/MENU.fat: it has 3 entries");
    EXPECT_EQ(FindError(index, "b.tg"), "No entry named \"b.tg\" in /p/MENU.fat");
    EXPECT_EQ(FindError(index, "*.tga"), "No entry named \"*.tga\" in /p/MENU.fat"); // names, not patterns
    EXPECT_EQ(FindError(index, "#b"), "Bad entry number #b");
    EXPECT_EQ(FindError(IndexOf({}), "0"), "No entry 0 in /p/MENU.fat: it has 0 entries");
}

TEST(FindEntry, AmbiguousNamesListTheMatches) {
    PackIndex index = IndexOf({"a.txt", "x", "A.TXT", "a.Txt"});
    EXPECT_EQ(FindError(index, "a.txt"),
              "Entry name \"a.txt\" is ambiguous in /p/MENU.fat: #0 a.txt, #2 A.TXT, #3 a.Txt; name one by its number");
    std::vector<std::string> many(25, "same.bin");
    EXPECT_EQ(FindError(IndexOf(many), "SAME.BIN"),
              "Entry name \"SAME.BIN\" is ambiguous in /p/MENU.fat: #0 same.bin, #1 same.bin, #2 same.bin, "
              "#3 same.bin, #4 same.bin, #5 same.bin, #6 same.bin, #7 same.bin, #8 same.bin, #9 same.bin "
              "and 15 more; name one by its number");
}
