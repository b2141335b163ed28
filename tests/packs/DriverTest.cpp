// A run over a list: the header lines of each item, the Total bar, the
// target folder and the result log.
#include <gtest/gtest.h>

#include "core/Error.h"
#include "packs/Driver.h"
#include "packs/Kinds.h"
#include "packs/PackFixtures.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

PackPaths ThreeEntries(const std::string& path) {
    PackDesign pack;
    pack.Entries = {{"a.txt", "hello"}, {"b.txt", ""}, {"c.dat", "1234567"}};
    return WritePack(path, pack);
}

} // namespace

TEST(RunList, ResultLogOfTwoPacks) {
    TempDir dir;
    RecordingStatus status;
    RunContext ctx(status);
    MakeDir(dir / "d");
    PackPaths a = ThreeEntries(dir / "MENU.fat"), b = ThreeEntries(dir / "d/SND.fat");
    const std::string out = dir / "new/deep/out"; // created with its parents
    EXPECT_EQ(RunList(ctx, {a.Index, b.Index}, KindPacks, "FAT", out), Outcome::Done);
    EXPECT_EQ(ReadFile(out + P("/result.log")),
              "#Format: FAT\r\n#Source: " + a.Index + "\r\n" + out + P("/MENU/TXT/00000000.txt") +
                  "\r\nNULL\r\n" + out + P("/MENU/DAT/00000002.dat") + "\r\n#Format: FAT\r\n#Source: " +
                  b.Index + "\r\n" + out + P("/SND/TXT/00000000.txt") + "\r\nNULL\r\n" + out +
                  P("/SND/DAT/00000002.dat") + "\r\n");
    EXPECT_EQ(ctx.TargetDir, out);
    EXPECT_EQ(TotalBytesLine(ctx), "Total 24 bytes extracted.");
    // After the run: caption empty, both bars at 0.
    EXPECT_EQ(status.Status(), "");
    EXPECT_EQ(status.ProgressPosition(), 0);
    EXPECT_EQ(status.TotalPosition(), 0);
}

TEST(RunList, TotalAfterEachItem) {
    TempDir dir;
    RecordingStatus status;
    RunContext ctx(status);
    Lines packs;
    for (int i = 0; i < 4; ++i) packs.push_back(ThreeEntries(dir / ("P" + std::to_string(i) + ".fat")).Index);
    RunList(ctx, packs, KindPacks, "FAT", dir / "out");
    EXPECT_EQ(status.TotalSets, (std::vector<int>{0, 0, 25, 50, 75, 0}));
}

TEST(RunList, LogsLeaveNoResultLogAndOtherKindsDoNothing) {
    TempDir dir;
    PlainStatus status;
    RunContext ctx(status);
    PackPaths a = ThreeEntries(dir / "MENU.fat");
    WriteFile(dir / "in.log", "#Format: FAT\r\n#Source: " + a.Index + "\r\nNULL\r\nNULL\r\nNULL\r\n");
    for (uint8_t kind : {KindLogs, KindProjectLists}) {
        RunList(ctx, {dir / "in.log"}, kind, "", dir / "out");
        EXPECT_EQ(ListTree(dir / "out"), (Lines{"MENU.fat", "MENU.mix"}));
        EXPECT_EQ(ctx.ResultLines, (Lines{"#Format: ", "#Source: " + (dir / "in.log")}));
    }
    RunList(ctx, {a.Index}, KindNone, "", dir / "none");
    EXPECT_EQ(ListTree(dir / "none"), (Lines{"result.log"}));
    EXPECT_EQ(ReadFile(dir / "none/result.log"), "#Format: \r\n#Source: " + a.Index + "\r\n");
}

TEST(RunList, ATargetThatCannotBeUsed) {
    TempDir dir;
    PlainStatus status;
    RunContext ctx(status);
    PackPaths a = ThreeEntries(dir / "MENU.fat");
    WriteFile(dir / "file", "");
    try {
        RunList(ctx, {a.Index}, KindPacks, "FAT", dir / "file/out");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + (dir / "file/out"));
    }
    // result.log in the way as a folder.
    MakeDir(dir / "out");
    MakeDir(dir / "out/result.log");
    try {
        RunList(ctx, {a.Index}, KindPacks, "FAT", dir / "out");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + (dir / "out/result.log"));
    }
}
