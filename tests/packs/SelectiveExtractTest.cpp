// Extraction of chosen entries: only they are written, the result log still
// names every entry as a full extraction would, and a rebuild from that log
// keeps the unselected entries' data.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "packs/Driver.h"
#include "packs/Formathandlers.h"
#include "packs/PackFixtures.h"
#include "packs/TextLines.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

PackDesign FourEntries() {
    PackDesign pack;
    pack.Placement = Layout::Shuffled;
    pack.Entries = {{"a.txt", "hello"}, {"b.txt", "", {}, 99}, {"c.dat", "1234567"}, {"d.tga", Bytes(3000, 1)}};
    pack.Trailing = "tail";
    return pack;
}

} // namespace

TEST(ExtractSelected, WritesOnlyTheChosenEntriesAndTheWholeLog) {
    RunFolders x;
    PackPaths p = WritePack(x.game + "/MENU.fat", FourEntries());
    // Shorter than the index: d is not selected.
    EXPECT_EQ(ExtractSelected(x.ctx, p.Index, {true, true, false}, x.out), Outcome::Done);
    EXPECT_EQ(ListTree(x.out), (Lines{"MENU/", "MENU/TXT/", "MENU/TXT/00000000.txt", "result.log"}));
    EXPECT_EQ(ReadFile(x.out + "/MENU/TXT/00000000.txt"), "hello");
    const Lines log = {"#Format: FAT", "#Source: " + p.Index, x.out + "/MENU/TXT/00000000.txt", "NULL",
                       x.out + "/MENU/DAT/00000002.dat", x.out + "/MENU/TGA/00000003.tga"};
    EXPECT_EQ(LoadLines(x.out + "/result.log"), log);
    EXPECT_EQ(x.ctx.TotalBytes, 5);
    EXPECT_EQ(x.ctx.RunTally.Entries, 1u);
    EXPECT_EQ(x.status.Status(), ""); // the run ended as a run does

    // Another choice into the same folder: the same log, one more file.
    EXPECT_EQ(ExtractSelected(x.ctx, p.Index, {false, false, false, true}, x.out), Outcome::Done);
    EXPECT_EQ(LoadLines(x.out + "/result.log"), log);
    EXPECT_EQ(ReadFile(x.out + "/MENU/TGA/00000003.tga"), FourEntries().Entries[3].Data);
    EXPECT_FALSE(FileExists(x.out + "/MENU/DAT"));
    // A full extraction gives that log too.
    EXPECT_EQ(RunList(x.ctx, {p.Index}, 1, "FAT", x.out), Outcome::Done);
    EXPECT_EQ(LoadLines(x.out + "/result.log"), log);
}

TEST(ExtractSelected, NothingChosenStillNamesEveryEntry) {
    RunFolders x;
    PackPaths p = WritePack(x.game + "/MENU.fat", FourEntries());
    EXPECT_EQ(ExtractPack(x.ctx, p.Index, nullptr), Outcome::Done); // null: every entry
    EXPECT_EQ(x.ctx.TotalBytes, 3012);
    const Lines all = x.ctx.ResultLines;
    x.ctx.ResultLines.clear();
    x.ctx.TotalBytes = 0;
    const std::vector<bool> none;
    EXPECT_EQ(ExtractPack(x.ctx, p.Index, &none), Outcome::Done);
    EXPECT_EQ(x.ctx.ResultLines, all);
    EXPECT_EQ(x.ctx.TotalBytes, 0);
}

TEST(ExtractSelected, RebuildFromTheLogKeepsTheUnselectedEntries) {
    RunFolders x;
    PackDesign design = FourEntries();
    PackPaths p = WritePack(x.game + "/MENU.fat", design);
    ASSERT_EQ(ExtractSelected(x.ctx, p.Index, {false, false, true, false}, x.out), Outcome::Done);
    WriteFile(x.out + "/MENU/DAT/00000002.dat", "edited, and longer than the old data");

    const std::string fresh = x.dir / "new";
    ASSERT_EQ(RunList(x.ctx, {x.out + "/result.log"}, 2, "", fresh), Outcome::Done);
    ReadBack got = ReadPack(fresh + "/MENU.fat");
    ASSERT_EQ(got.Entries.size(), 4u);
    EXPECT_EQ(got.EntryData(0), "hello");
    EXPECT_EQ(got.Entries[1].Size, 0);
    EXPECT_EQ(got.EntryData(2), "edited, and longer than the old data");
    EXPECT_EQ(got.EntryData(3), design.Entries[3].Data);
    EXPECT_EQ(got.Trailing, "tail");
    EXPECT_EQ(got.Data.size(), 4u * 2048);
}

TEST(ExtractSelected, AnUnselectedEntryOutsideTheDataIsNotRead) {
    RunFolders x;
    PackDesign design = FourEntries();
    design.Entries[0].Size = 1 << 30; // far past the end of the data file
    PackPaths p = WritePack(x.game + "/MENU.fat", design);
    EXPECT_EQ(ExtractSelected(x.ctx, p.Index, {false, false, true, true}, x.out), Outcome::Done);
    EXPECT_EQ(LoadLines(x.out + "/result.log")[2], x.out + "/MENU/TXT/00000000.txt");
    EXPECT_FALSE(FileExists(x.out + "/MENU/TXT"));

    // Selected, it stops the run as in a full extraction: no result log, and
    // no file of a later entry.
    RunFolders y;
    p = WritePack(y.game + "/MENU.fat", design);
    EXPECT_EQ(ErrorOf([&] { ExtractSelected(y.ctx, p.Index, {true, false, true, true}, y.out); }),
              "Stream read error");
    EXPECT_EQ(ListTree(y.out), Lines{});
    EXPECT_TRUE(y.ctx.ResultLines.size() == 2u) << testing::PrintToString(y.ctx.ResultLines);
}

TEST(ExtractSelected, ErrorsAsInAFullExtraction) {
    RunFolders x;
    PackDesign design = FourEntries();
    design.Entries[3].Name = "d.t\nga"; // a line break could not stand in the log
    PackPaths p = WritePack(x.game + "/MENU.fat", design);
    EXPECT_EQ(ErrorOf([&] { ExtractSelected(x.ctx, p.Index, {true}, x.out); }),
              "Cannot create file " + x.out + "/MENU/T\nGA/00000003.t\nga");
    EXPECT_FALSE(FileExists(x.out + "/result.log"));

    ::unlink(p.Data.c_str());
    EXPECT_EQ(ErrorOf([&] { ExtractSelected(x.ctx, p.Index, {true}, x.out); }), "Cannot open file " + p.Data);
}

TEST(ExtractSelected, AStopLeavesNoResultLog) {
    RunFolders x;
    PackDesign design;
    for (int k = 0; k < 10; ++k) design.Entries.push_back({"e.txt", "entry " + std::to_string(k)});
    PackPaths p = WritePack(x.game + "/MENU.fat", design);
    x.status.OnProgress = [&](int percent) {
        if (percent >= 50) x.ctx.RequestStop();
    };
    std::vector<bool> odd(10);
    for (size_t k = 1; k < 10; k += 2) odd[k] = true;
    EXPECT_EQ(ExtractSelected(x.ctx, p.Index, odd, x.out), Outcome::Stopped);
    EXPECT_TRUE(x.ctx.ResultLines.empty());
    EXPECT_EQ(ListTree(x.out), (Lines{"MENU/", "MENU/TXT/", "MENU/TXT/00000001.txt", "MENU/TXT/00000003.txt",
                                      "MENU/TXT/00000005.txt"}));
}
