// Reading a log: header words and their values, the format in force, the
// source packs it names, and the Total bar while the lines are examined.
#include <gtest/gtest.h>

#include "core/Error.h"
#include "core/FileIO.h"
#include "packs/Formathandlers.h"
#include "packs/PackFixtures.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

struct LogRun {
    TempDir dir;
    RecordingStatus status;
    RunContext ctx{status};
    std::string game = dir / "game", out = dir / "out", log = dir / "in.log";
    LogRun() {
        MakeDir(game);
        MakeDir(out);
        ctx.TargetDir = out;
    }
    PackPaths Pack(const std::string& name, const std::string& firstData) {
        PackDesign pack;
        pack.Entries = {{"a.txt", firstData}, {"b.txt", "second"}};
        return WritePack(game + P("/") + name, pack);
    }
    void Process(const std::string& text) {
        WriteFile(log, text);
        ProcessLogFile(ctx, log);
    }
};

} // namespace

TEST(LogReader, RebuildsEveryPackOfAFatBlock) {
    LogRun r;
    PackPaths a = r.Pack("A.fat", "aaa"), b = r.Pack("B.fat", "bbb");
    WriteFile(r.dir / "edit.txt", "edited");
    r.Process("#Format: FAT\r\n#Source: " + a.Index + "\r\n" + (r.dir / "edit.txt") + "\r\nNULL\r\n" +
              "#Format: FAT\r\n#Source: " + b.Index + "\r\nNULL\r\nNULL\r\n");
    EXPECT_EQ(ListTree(r.out), (Lines{"A.fat", "A.mix", "B.fat", "B.mix"}));
    EXPECT_EQ(ReadPack(r.out + P("/A.fat")).EntryData(0), "edited");
    EXPECT_EQ(ReadPack(r.out + P("/B.fat")).EntryData(0), "bbb");
    // Header lines are replaced by their values.
    EXPECT_EQ(r.ctx.LogLines[0], "FAT");
    EXPECT_EQ(r.ctx.LogLines[1], a.Index);
    EXPECT_EQ(r.ctx.SourcePackPath, b.Index);
    EXPECT_EQ(r.status.Captions.front(), "Processing in.log...");
    EXPECT_FALSE(r.ctx.HeldSourceIndex.IsOpen());
}

TEST(LogReader, HandlingGoesOnAtTheLineAfterTheEntryLines) {
    // The second "#Source:" directly follows the first pack's entry lines.
    LogRun r;
    PackPaths a = r.Pack("A.fat", "aaa"), b = r.Pack("B.fat", "bbb");
    r.Process("#Format: FAT\n#Source: " + a.Index + "\nNULL\nNULL\n#Source: " + b.Index + "\nNULL\nNULL");
    EXPECT_EQ(ListTree(r.out), (Lines{"A.fat", "A.mix", "B.fat", "B.mix"}));
}

TEST(LogReader, OnlyTheFatFormatRebuilds) {
    for (std::string format : {"#Format: ", "#Format: fat", "#Format:FAT", "#Format", "#format: FAT", ""}) {
        LogRun r;
        PackPaths a = r.Pack("A.fat", "aaa");
        r.Process(format + "\n#Source: " + a.Index + "\nNULL\nNULL\n");
        EXPECT_TRUE(ListTree(r.out).empty()) << format;
        EXPECT_EQ(r.ctx.SourcePackPath, a.Index) << format;
    }
    // The format carries over from block to block, and ends with the file.
    LogRun r;
    PackPaths a = r.Pack("A.fat", "aaa"), b = r.Pack("B.fat", "bbb");
    r.Process("#Format: FAT trailing words\n#Source: " + a.Index + "\nNULL\nNULL\n#Target x\n#Source: " +
              b.Index + "\nNULL\nNULL\n");
    EXPECT_EQ(ListTree(r.out).size(), 4u);
    WriteFile(r.dir / "second.log", "#Source: " + a.Index + "\nNULL\nNULL\n");
    RemovePath(r.out + P("/A.fat"));
    ProcessLogFile(r.ctx, r.dir / "second.log");
    EXPECT_FALSE(FileExists(r.out + P("/A.fat")));
}

TEST(LogReader, TheSourceIndexIsOpenedForWritingEvenWhenNotRebuilt) {
    LogRun r;
    PackPaths a = r.Pack("A.fat", "aaa");
    File held = OpenReadNotShared(a.Index);
    for (std::string format : {"#Format: ", "#Format: FAT"}) {
        try {
            r.Process(format + "\n#Source: " + a.Index + "\nNULL\nNULL\n");
            FAIL() << format;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot open file " + a.Index);
        }
        EXPECT_TRUE(ListTree(r.out).empty());
    }
}

TEST(LogReader, BlanksAroundHeaderWords) {
    LogRun r;
    PackPaths a = r.Pack("A.fat", "aaa");
    // Two blanks before the format name still name it; a blank line before.
    r.Process("\n#Format:  FAT\n#Source: " + a.Index + "\nNULL\nNULL\n");
    EXPECT_EQ(ListTree(r.out).size(), 2u);
    // Two blanks after "#Source:" give a path that begins with a blank.
    LogRun s;
    PackPaths b = s.Pack("B.fat", "bbb");
    s.Process("#Format: FAT\n#Source:  " + b.Index + "\nNULL\nNULL\n");
    EXPECT_TRUE(ListTree(s.out).empty());
    EXPECT_EQ(s.ctx.LogLines[1], " " + b.Index);
    // Header words after blanks: the value follows the word and one character.
    LogRun t;
    PackPaths c = t.Pack("C.fat", "ccc");
    t.Process("  #Format: FAT\n\t#Source: " + c.Index + "\nNULL\nNULL\n");
    EXPECT_EQ(ListTree(t.out).size(), 2u);
    EXPECT_EQ(t.ctx.LogLines[1], c.Index);
}

TEST(LogReader, PathsWithBlanksAndOfAnyLength) {
    LogRun r;
    std::string folder = r.game + P("/with blank ") + std::string(200, 'd');
    MakeDir(folder);
    folder += P("/") + std::string(200, 'e');
    MakeDir(folder);
    PackDesign pack;
    pack.Entries = {{"a.txt", "aaa"}};
    PackPaths a = WritePack(folder + P("/LONG.fat"), pack);
    const std::string edit = folder + P("/edited file.txt");
    WriteFile(edit, "edited");
    ASSERT_GT(a.Index.size(), 400u);
    r.Process("#Format: FAT\n#Source: " + a.Index + "\n" + edit + "\n");
    EXPECT_EQ(ReadPack(r.out + P("/LONG.fat")).EntryData(0), "edited");
}

TEST(LogReader, AMissingSourceIsNoError) {
    LogRun r;
    PackPaths b = r.Pack("B.fat", "bbb");
    WriteFile(r.dir / "edit.txt", "edited");
    r.Process("#Format: FAT\n#Source: " + r.game + P("/GONE.fat\n") + (r.dir / "edit.txt") + "\nNULL\n" +
              "#Format: FAT\n#Source: " + b.Index + "\nNULL\nNULL\n");
    EXPECT_EQ(ListTree(r.out), (Lines{"B.fat", "B.mix"}));
    EXPECT_EQ(r.ctx.SourcePackPath, b.Index);
}

TEST(LogReader, ErrorsOfTheLogItself) {
    LogRun r;
    try {
        ProcessLogFile(r.ctx, r.dir / "missing.log");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + (r.dir / "missing.log"));
    }
    PackPaths a = r.Pack("A.fat", "aaa");
    try {
        r.Process("#Format: FAT\n#Source: " + a.Index + "\nNULL");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "List index out of bounds (3)");
    }
    EXPECT_TRUE(ListTree(r.out).empty());
    // A folder named as the source exists but cannot be opened.
    try {
        r.Process("#Format: FAT\n#Source: " + r.game + "\n");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + r.game);
    }
}

TEST(LogReader, TotalFollowsTheExaminedLines) {
    LogRun r;
    r.Process("a\nb\nc\nd\ne\n");
    EXPECT_EQ(r.status.TotalSets, (std::vector<int>{0, 0, 25, 50, 75, 100}));
    EXPECT_EQ(r.status.ProgressPosition(), 5); // one step per examined line
    LogRun one;
    one.Process("only line");
    EXPECT_EQ(one.status.TotalSets, (std::vector<int>{0, 0}));
    // Entry lines of a rebuilt pack are not examined one by one.
    LogRun p;
    PackPaths a = p.Pack("A.fat", "aaa");
    p.Process("#Format: FAT\n#Source: " + a.Index + "\nNULL\nNULL\nlast\n");
    EXPECT_EQ(p.status.TotalSets, (std::vector<int>{0, 0, 25, 100}));
}
