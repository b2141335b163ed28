// The rebuild of a pack: the dense layout of the new data file, which bytes
// of the index change, and where each entry's data come from.
#include <gtest/gtest.h>

#include "core/Directory.h"
#include "packs/Formathandlers.h"
#include "packs/PackFixtures.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

struct Rebuild : RunFolders {
    // Rebuilds `source` into out/ with `entryLines` after one header line.
    size_t Run(const std::string& source, const Lines& entryLines, const std::string& name = "MENU.fat") {
        SetLogBlock(ctx, source, entryLines);
        return RebuildPack(ctx, out + P("/") + name, 1);
    }
};

PackDesign Sized(const std::vector<size_t>& sizes, Layout layout) {
    PackDesign pack;
    pack.Placement = layout;
    pack.Trailing = "trailing\x01\x02";
    for (size_t k = 0; k < sizes.size(); ++k)
        pack.Entries.push_back({"e" + std::to_string(k) + ".bin", Bytes(sizes[k], unsigned(k + 1)), {}, {},
                                0xE0000000u + uint32_t(k)});
    return pack;
}

} // namespace

TEST(Rebuild, KeptEntriesAreLaidOutDenselyOnBlockBoundaries) {
    for (Layout layout : {Layout::Dense, Layout::Sparse, Layout::Shuffled}) {
        Rebuild r;
        PackDesign pack = Sized({1, 2048, 2049}, layout);
        PackPaths src = WritePack(r.game + P("/MENU.fat"), pack);
        EXPECT_EQ(r.Run(src.Index, {"NULL", "NULL", "NULL"}), 4u);
        ReadBack got = ReadPack(r.out + P("/MENU.fat"));
        EXPECT_EQ(got.Data.size(), 8192u);
        ASSERT_EQ(got.Entries.size(), 3u);
        for (size_t k = 0; k < 3; ++k) {
            EXPECT_EQ(got.Entries[k].StartBlock, std::vector<int>({0, 1, 2})[k]);
            EXPECT_EQ(got.EntryData(k), pack.Entries[k].Data);
        }
        // Padding is zero bytes.
        EXPECT_EQ(got.Data.substr(1, 2047), std::string(2047, '\0'));
        EXPECT_EQ(got.Data.substr(4096 + 2049), std::string(2047, '\0'));
    }
}

TEST(Rebuild, OnlyStartBlockAndSizeOfTheIndexChange) {
    Rebuild r;
    PackDesign pack = Sized({10, 0, 3000, 5}, Layout::Shuffled);
    pack.Entries[1].StartBlock = 77; // empty entries point anywhere
    pack.Entries[2].Name = "SIXTEEN_BYTES.ab";
    PackPaths src = WritePack(r.game + P("/MENU.fat"), pack);
    WriteFile(r.dir / "edit.bin", "edited");
    r.Run(src.Index, {"NULL", "NULL", "NULL", r.dir / "edit.bin"});
    const std::string before = ReadFile(src.Index), after = ReadFile(r.out + P("/MENU.fat"));
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); ++i) {
        size_t inRecord = (i - 8) % 28;
        bool startOrSize = i >= 8 && i < 8 + 28 * 4 && inRecord >= 16 && inRecord < 24;
        if (!startOrSize) {
            EXPECT_EQ(before[i], after[i]) << "byte " << i;
        }
    }
    ReadBack got = ReadPack(r.out + P("/MENU.fat"));
    EXPECT_EQ(got.Trailing, pack.Trailing);
    EXPECT_EQ(got.HeaderExtra, pack.HeaderExtra);
    // Entry 1 is empty: it takes no room and starts where entry 2 starts.
    EXPECT_EQ(got.Entries[1].StartBlock, 1);
    EXPECT_EQ(got.Entries[1].Size, 0);
    EXPECT_EQ(got.Entries[2].StartBlock, 1);
    EXPECT_EQ(got.Entries[3].StartBlock, 3);
    EXPECT_EQ(got.EntryData(3), "edited");
    EXPECT_EQ(ReadFile(src.Index), before); // the source is never changed
}

TEST(Rebuild, EditedDeletedAndEmptyFiles) {
    Rebuild r;
    PackDesign pack = Sized({100, 200, 300, 400}, Layout::Sparse);
    PackPaths src = WritePack(r.game + P("/MENU.fat"), pack);
    const std::string longer = Bytes(5000, 99);
    WriteFile(r.dir / "longer.bin", longer);
    WriteFile(r.dir / "empty.bin", "");
    r.Run(src.Index, {r.dir / "longer.bin", r.dir / "deleted.bin", r.dir / "empty.bin", "NULL"});
    ReadBack got = ReadPack(r.out + P("/MENU.fat"));
    EXPECT_EQ(got.Entries[0].Size, 5000);
    EXPECT_EQ(got.EntryData(0), longer);
    EXPECT_EQ(got.Entries[1].StartBlock, 3); // 5000 bytes take three blocks
    EXPECT_EQ(got.EntryData(1), pack.Entries[1].Data);
    EXPECT_EQ(got.Entries[2].Size, 0);
    EXPECT_EQ(got.Entries[2].StartBlock, 4);
    EXPECT_EQ(got.Entries[3].StartBlock, 4);
    EXPECT_EQ(got.EntryData(3), pack.Entries[3].Data);
    EXPECT_EQ(got.Data.size(), 5u * 2048);
}

TEST(Rebuild, RelativeEntryLinesAreFoundInTheCurrentFolder) {
    Rebuild r;
    PackPaths src = WritePack(r.game + P("/MENU.fat"), Sized({10}, Layout::Dense));
    WriteFile(r.out + P("/NULL"), "a file named NULL");
    ASSERT_TRUE(ChangeDirectory(r.out));
    r.Run(src.Index, {"NULL"});
    EXPECT_EQ(ReadPack(r.out + P("/MENU.fat")).EntryData(0), "a file named NULL");
}

TEST(Rebuild, EmptyOrNegativeCountCopiesTheIndexWhole) {
    for (int32_t count : {0, -3}) {
        Rebuild r;
        PackDesign pack = Sized({10, 20}, Layout::Sparse);
        pack.EntryCount = count;
        PackPaths src = WritePack(r.game + P("/MENU.fat"), pack);
        EXPECT_EQ(r.Run(src.Index, {"NULL", "NULL"}), 1u);
        EXPECT_EQ(ReadFile(r.out + P("/MENU.fat")), ReadFile(src.Index));
        EXPECT_EQ(ReadFile(r.out + P("/MENU.mix")), "");
    }
}

TEST(Rebuild, DottedPackNamesKeepTheirWholeName) {
    Rebuild r;
    PackPaths src = WritePack(r.game + P("/a.b.fat"), Sized({10}, Layout::Dense));
    r.Run(src.Index, {"NULL"}, "a.b.fat");
    EXPECT_EQ(ListTree(r.out), (Lines{"a.b.fat", "a.b.mix"}));
}

TEST(Rebuild, ReplacesAnEarlierPackAndLeavesNoTemporaryFile) {
    Rebuild r;
    WriteFile(r.out + P("/MENU.fat"), "old index");
    WriteFile(r.out + P("/MENU.mix"), "old data");
    PackPaths src = WritePack(r.game + P("/MENU.fat"), Sized({10, 3000}, Layout::Shuffled));
    r.Run(src.Index, {"NULL", "NULL"});
    EXPECT_EQ(ReadPack(r.out + P("/MENU.fat")).EntryData(1), Bytes(3000, 2));
    EXPECT_EQ(ListTree(r.out), (Lines{"MENU.fat", "MENU.mix"}));
    EXPECT_EQ(r.status.Captions.back(), "Processing MENU.fat...");
}

