// Extraction of generated packs: output names and folders, the lines of the
// result log, layouts the reader must cope with, and its progress steps.
#include <gtest/gtest.h>

#include <cstdio>

#include "core/Error.h"
#include "packs/Formathandlers.h"
#include "packs/PackFixtures.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

using Extraction = RunFolders;

PackDesign ThreeEntries(Layout layout) {
    PackDesign pack;
    pack.Placement = layout;
    pack.Entries = {{"a.txt", "hello"}, {"b.txt", "", {}, 99}, {"c.dat", "1234567"}};
    return pack;
}

} // namespace

TEST(Extract, WritesEachEntryWithDataAndOneLinePerEntry) {
    for (Layout layout : {Layout::Dense, Layout::Sparse, Layout::Shuffled}) {
        Extraction x;
        WritePack(x.game + P("/MENU.fat"), ThreeEntries(layout));
        EXPECT_EQ(ExtractPack(x.ctx, x.game + P("/MENU.fat")), Outcome::Done);
        EXPECT_EQ(x.ctx.ResultLines, (Lines{x.out + P("/MENU/TXT/00000000.txt"), "NULL",
                                            x.out + P("/MENU/DAT/00000002.dat")}));
        EXPECT_EQ(ReadFile(x.out + P("/MENU/TXT/00000000.txt")), "hello");
        EXPECT_EQ(ReadFile(x.out + P("/MENU/DAT/00000002.dat")), "1234567");
        EXPECT_EQ(ListTree(x.out), (Lines{"MENU/", "MENU/DAT/", "MENU/DAT/00000002.dat", "MENU/TXT/",
                                          "MENU/TXT/00000000.txt"}));
        EXPECT_EQ(x.ctx.TotalBytes, 12);
        EXPECT_EQ(x.status.Status(), "Processing MENU.fat...");
    }
}

TEST(Extract, TypesFoldByCaseAndNumbersKeepEntriesApart) {
    Extraction x;
    PackDesign pack;
    pack.Placement = Layout::Shuffled;
    for (int k = 0; k < 30; ++k)
        pack.Entries.push_back({k % 2 ? "x.TGA" : "DATA\\y.tga", Bytes(100 + 700 * size_t(k), unsigned(k))});
    pack.Entries.push_back({"ABCDEFGHIJKL.raw", "sixteen"});
    pack.Entries.push_back({"README", "plain"});
    // A type named like the digits of an entry without extension.
    pack.Entries.push_back({"z.0000001F", "typed"});
    WritePack(x.game + P("/MENU.old.fat"), pack);
    ExtractPack(x.ctx, x.game + P("/MENU.old.fat"));
    ASSERT_EQ(x.ctx.ResultLines.size(), 33u);
    EXPECT_EQ(x.ctx.ResultLines[26], x.out + P("/MENU/TGA/0000001A.tga"));
    for (size_t k = 0; k < 30; ++k)
        EXPECT_EQ(ReadFile(x.ctx.ResultLines[k]), pack.Entries[k].Data) << k;
    EXPECT_EQ(x.ctx.ResultLines[30], x.out + P("/MENU/RAW/0000001E.raw"));
    // Without an extension the file has no type folder; its name is the
    // digits and the dot, so it never meets a type folder of that name.
    EXPECT_EQ(x.ctx.ResultLines[31], x.out + P("/MENU/0000001F."));
    EXPECT_EQ(ReadFile(x.out + P("/MENU/0000001F.")), "plain");
    EXPECT_EQ(x.ctx.ResultLines[32], x.out + P("/MENU/0000001F/00000020.0000001f"));
    EXPECT_EQ(ReadFile(x.out + P("/MENU/0000001F/00000020.0000001f")), "typed");
}

TEST(Extract, EmptyAndNegativeCountsWriteNothingButNeedTheDataFile) {
    for (int32_t count : {0, -5}) {
        Extraction x;
        PackDesign pack = ThreeEntries(Layout::Dense);
        pack.EntryCount = count;
        WritePack(x.game + P("/MENU.fat"), pack);
        EXPECT_EQ(ExtractPack(x.ctx, x.game + P("/MENU.fat")), Outcome::Done);
        EXPECT_TRUE(x.ctx.ResultLines.empty());
        EXPECT_TRUE(ListTree(x.out).empty());
        EXPECT_EQ(x.status.Status(), "Processing MENU.fat...");
        RemovePath(x.game + P("/MENU.mix"));
        try {
            ExtractPack(x.ctx, x.game + P("/MENU.fat"));
            FAIL();
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot open file " + x.game + P("/MENU.mix"));
        }
    }
}

TEST(Extract, CompanionDataFileInAnotherLetterCase) {
    Extraction x;
    WritePack(x.game + P("/MENU.FAT"), ThreeEntries(Layout::Sparse));
    std::rename((x.game + P("/MENU.mix")).c_str(), (x.game + P("/MENU.MIX")).c_str());
    ExtractPack(x.ctx, x.game + P("/MENU.FAT"));
    EXPECT_EQ(ReadFile(x.out + P("/MENU/DAT/00000002.dat")), "1234567");
}

TEST(Extract, ScannedPacksKeepTheirPlaceBelowTheScanRoot) {
    for (std::string suffix : {std::string(), P("/")}) {
        Extraction x;
        MakeDir(x.game + P("/sub"));
        WritePack(x.game + P("/sub/MENU.fat"), ThreeEntries(Layout::Dense));
        x.ctx.ListFromScan = true;
        x.ctx.ScanRoot = x.game + suffix;
        ExtractPack(x.ctx, x.game + P("/sub/MENU.fat"));
        EXPECT_EQ(x.ctx.ResultLines[0], x.out + P("/sub/MENU/TXT/00000000.txt")) << "root " << x.ctx.ScanRoot;
        EXPECT_EQ(ReadFile(x.out + P("/sub/MENU/TXT/00000000.txt")), "hello");
    }
}

TEST(ExtractProgress, MovesOnlyWhenTheWholePercentChanges) {
    Extraction x;
    PackDesign three;
    three.Entries = {{"a.a", "1"}, {"b.b", "2"}, {"c.c", "3"}};
    WritePack(x.game + P("/THREE.fat"), three);
    std::vector<int> seen;
    x.status.OnEvents = [&] { seen.push_back(x.status.ProgressPosition()); };
    ExtractPack(x.ctx, x.game + P("/THREE.fat"));
    EXPECT_EQ(x.status.ProgressPosition(), 66);
    EXPECT_EQ(x.status.ProgressSets, (std::vector<int>{33, 66})); // 0 is already there
    EXPECT_EQ(seen, (std::vector<int>{0, 33, 66}));

    PackDesign many;
    for (int k = 0; k < 200; ++k) many.Entries.push_back({"e.bin", std::string(1, char(k))});
    WritePack(x.game + P("/MANY.fat"), many);
    x.status.SetProgressPosition(0);
    x.status.ProgressSets.clear();
    ExtractPack(x.ctx, x.game + P("/MANY.fat"));
    ASSERT_EQ(x.status.ProgressSets.size(), 99u); // 1 .. 99, each once
    for (int p = 1; p < 100; ++p) EXPECT_EQ(x.status.ProgressSets[size_t(p - 1)], p);
}
