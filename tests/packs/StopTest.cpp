// The stop request: looked at before each entry. A stopped extraction drops
// its unfinished pack from the result log; a stopped rebuild leaves nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "packs/Driver.h"
#include "packs/Kinds.h"
#include "packs/PackFixtures.h"
#include "packs/TextLines.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

struct StopRun {
    TempDir dir;
    RecordingStatus status;
    RunContext ctx{status};
    std::string game = dir / "game", out = dir / "out";
    StopRun() { ::mkdir(game.c_str(), 0777); }
    PackPaths Pack(const std::string& name, int entries) {
        PackDesign pack;
        for (int k = 0; k < entries; ++k) pack.Entries.push_back({"e.txt", "entry " + std::to_string(k)});
        return WritePack(game + "/" + name, pack);
    }
    // Asks for a stop once Progress reaches `percent` in the pack whose
    // caption is `caption`.
    void StopAt(const std::string& caption, int percent) {
        status.OnProgress = [this, caption, percent](int p) {
            if (status.Status() == caption && p >= percent) ctx.RequestStop();
        };
    }
};

} // namespace

TEST(Stop, ExtractionDropsTheUnfinishedPackFromTheResultLog) {
    StopRun r;
    PackPaths a = r.Pack("A.fat", 4), b = r.Pack("B.fat", 4), c = r.Pack("C.fat", 4);
    r.StopAt("Processing B.fat...", 50); // after B's entries 0 to 2
    EXPECT_EQ(RunList(r.ctx, {a.Index, b.Index, c.Index}, KindPacks, "FAT", r.out), Outcome::Stopped);
    Lines expected = {"#Format: FAT", "#Source: " + a.Index};
    for (int k = 0; k < 4; ++k) expected.push_back(r.out + "/A/TXT/0000000" + std::to_string(k) + ".txt");
    EXPECT_EQ(r.ctx.ResultLines, expected);
    EXPECT_EQ(LoadLines(r.out + "/result.log"), expected);
    // B's finished entries stay on disk; C was never begun.
    EXPECT_EQ(ListTree(r.out + "/B"), (Lines{"TXT/", "TXT/00000000.txt", "TXT/00000001.txt",
                                             "TXT/00000002.txt"}));
    EXPECT_FALSE(FileExists(r.out + "/C"));
}

TEST(Stop, AStopDuringTheFirstPackLeavesNoResultLog) {
    StopRun r;
    PackPaths a = r.Pack("A.fat", 4);
    r.status.OnEvents = [&] { r.ctx.RequestStop(); }; // at the first chance
    EXPECT_EQ(RunList(r.ctx, {a.Index}, KindPacks, "FAT", r.out), Outcome::Stopped);
    EXPECT_TRUE(r.ctx.ResultLines.empty());
    EXPECT_EQ(ListTree(r.out), Lines{});
}

TEST(Stop, RebuildLeavesNoNewPackAndNoTemporaryFile) {
    StopRun r;
    PackPaths a = r.Pack("A.fat", 4), b = r.Pack("B.fat", 4);
    ::mkdir(r.out.c_str(), 0777);
    WriteFile(r.out + "/B.fat", "old index");
    WriteFile(r.out + "/B.mix", "old data");
    WriteFile(r.dir / "in.log", "#Format: FAT\n#Source: " + a.Index + "\nNULL\nNULL\nNULL\nNULL\n" +
                                    "#Format: FAT\n#Source: " + b.Index + "\nNULL\nNULL\nNULL\nNULL\n");
    r.StopAt("Processing B.fat...", 50);
    EXPECT_EQ(RunList(r.ctx, {r.dir / "in.log"}, KindLogs, "", r.out), Outcome::Stopped);
    EXPECT_EQ(ListTree(r.out), (Lines{"A.fat", "A.mix", "B.fat", "B.mix"}));
    EXPECT_EQ(ReadFile(r.out + "/B.fat"), "old index");
    EXPECT_EQ(ReadFile(r.out + "/B.mix"), "old data");
    EXPECT_EQ(ReadPack(r.out + "/A.fat").EntryData(3), "entry 3");
    EXPECT_FALSE(r.ctx.HeldSourceIndex.IsOpen());
}

TEST(Stop, ARunStartsWithTheRequestCleared) {
    StopRun r;
    PackPaths a = r.Pack("A.fat", 2);
    r.ctx.RequestStop();
    EXPECT_EQ(RunList(r.ctx, {a.Index}, KindPacks, "FAT", r.out), Outcome::Done);
    EXPECT_EQ(r.ctx.ResultLines.size(), 4u);
}
