// packwright-cli's commands: what they print, the files they write, and
// their exit status for success (0), file errors (1) and usage errors (2).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "cli/CliRunner.h"

using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

PackDesign ThreeEntries() {
    PackDesign pack;
    pack.Placement = Layout::Sparse;
    pack.Entries = {{"a.txt", "hello"}, {"b.txt", ""}, {"c.dat", "1234567"}};
    return pack;
}

} // namespace

TEST(CliUsage, MistakesGiveUsageAndStatus2) {
    const std::vector<Lines> mistakes = {
        {},
        {"frobnicate"},
        {"list"},
        {"list", "a.fat", "b.fat"},
        {"extract", "a.fat"},
        {"extract", "--target"},
        {"extract", "--target", "out"},
        {"extract", "--target", "out", "--scan", "root", "a.fat"},
        {"insert", "--target", "out"},
        {"insert", "--target", "out", "--list", "p.lst", "a.log"},
        {"scan", "--type", "exe", "dir"},
        {"extract", "--target", "out", "--bogus", "a.fat"},
    };
    for (const Lines& args : mistakes) {
        CliResult r = RunCli(args);
        EXPECT_EQ(r.Exit, 2) << testing::PrintToString(args);
        EXPECT_NE(r.Err.find("usage: packwright-cli list PACK.fat"), std::string::npos);
        EXPECT_EQ(r.Out, "");
    }
}

TEST(CliList, OneLinePerEntry) {
    TempDir dir;
    PackDesign pack = ThreeEntries();
    pack.Entries[1].StartBlock = -7;
    WritePack(dir / "MENU.fat", pack);
    CliResult r = RunCli({"list", "MENU.fat"}, dir.Path());
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(r.Out, "0\ta.txt\t0\t5\n1\tb.txt\t-7\t0\n2\tc.dat\t2\t7\n");
    EXPECT_EQ(r.Err, "");
}

TEST(CliList, FileErrorsGiveTheMessageAndStatus1) {
    TempDir dir;
    CliResult r = RunCli({"list", "missing.fat"}, dir.Path());
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Err, "Cannot open file " + (dir / "missing.fat") + ".\n");
    WriteFile(dir / "SHORT.fat", "\x05");
    r = RunCli({"list", dir / "SHORT.fat"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Err, "Damaged pack index " + (dir / "SHORT.fat") + ".\n");
}

TEST(CliScan, FullPathsInScanOrder) {
    TempDir dir;
    ::mkdir((dir / "D").c_str(), 0777);
    ::mkdir((dir / "D/S").c_str(), 0777);
    ::mkdir((dir / "D/.hidden").c_str(), 0777);
    WriteFile(dir / "D/a.fat", "");
    WriteFile(dir / "D/S/B.FAT", "");
    WriteFile(dir / "D/.hidden/c.fat", "");
    WriteFile(dir / "D/S/x.log", "");
    CliResult r = RunCli({"scan", "D"}, dir.Path());
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(r.Out, dir / "D/S/B.FAT\n" + (dir / "D/a.fat\n"));
    r = RunCli({"scan", "--type", "log", dir / "D/"});
    EXPECT_EQ(r.Out, dir / "D/S/x.log\n");
}

TEST(CliExtract, RelativePathsBecomeFullPathsInTheResultLog) {
    TempDir dir;
    ::mkdir((dir / "game").c_str(), 0777);
    WritePack(dir / "game/MENU.fat", ThreeEntries());
    CliResult r = RunCli({"extract", "--target", "out/new", "game/../game/MENU.fat"}, dir.Path());
    EXPECT_EQ(r.Exit, 0) << r.Err;
    const std::string out = dir / "out/new";
    EXPECT_EQ(r.Err.rfind("Extracted 2 entries (12 bytes) from 1 pack into " + out + " in ", 0), 0u) << r.Err;
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(ReadFile(out + "/result.log"), "#Format: FAT\r\n#Source: " + (dir / "game/MENU.fat") + "\r\n" + out +
                                                 "/MENU/TXT/00000000.txt\r\nNULL\r\n" + out +
                                                 "/MENU/DAT/00000002.dat\r\n");
    EXPECT_EQ(ReadFile(out + "/MENU/DAT/00000002.dat"), "1234567");
}

TEST(CliExtract, ScanPlacesOutputBelowTheTarget) {
    TempDir dir;
    ::mkdir((dir / "game").c_str(), 0777);
    ::mkdir((dir / "game/sub").c_str(), 0777);
    WritePack(dir / "game/sub/MENU.fat", ThreeEntries());
    WritePack(dir / "game/TOP.fat", ThreeEntries());
    CliResult r = RunCli({"extract", "--quiet", "--target", dir / "out", "--scan", dir / "game/"});
    EXPECT_EQ(r.Exit, 0) << r.Err;
    const std::string out = dir / "out";
    EXPECT_EQ(ReadFile(out + "/sub/MENU/TXT/00000000.txt"), "hello");
    EXPECT_EQ(ReadFile(out + "/TOP/TXT/00000000.txt"), "hello");
    Lines log = {"#Format: FAT", "#Source: " + (dir / "game/sub/MENU.fat"), out + "/sub/MENU/TXT/00000000.txt",
                 "NULL", out + "/sub/MENU/DAT/00000002.dat", "#Format: FAT", "#Source: " + (dir / "game/TOP.fat"),
                 out + "/TOP/TXT/00000000.txt", "NULL", out + "/TOP/DAT/00000002.dat"};
    std::string text;
    for (const std::string& l : log) text += l + "\r\n";
    EXPECT_EQ(ReadFile(out + "/result.log"), text);
}

TEST(CliExtract, AFileErrorEndsTheRunWithoutAResultLog) {
    TempDir dir;
    WritePack(dir / "A.fat", ThreeEntries());
    WriteFile(dir / "B.fat", ReadFile(dir / "A.fat"));
    CliResult r = RunCli({"extract", "--target", dir / "out", dir / "A.fat", dir / "B.fat"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Err, "Cannot open file " + (dir / "B.mix") + ".\n");
    EXPECT_FALSE(FileExists(dir / "out/result.log"));
    EXPECT_TRUE(FileExists(dir / "out/A/TXT/00000000.txt")); // the finished pack stays
}

TEST(CliRoundTrip, ExtractEditInsert) {
    TempDir dir;
    ::mkdir((dir / "game").c_str(), 0777);
    PackDesign pack = ThreeEntries();
    pack.Placement = Layout::Shuffled;
    pack.Entries.push_back({"big.bin", Bytes(5000, 4)});
    pack.Trailing = "tail";
    WritePack(dir / "game/MENU.fat", pack);
    ASSERT_EQ(RunCli({"extract", "--target", "out", "game/MENU.fat"}, dir.Path()).Exit, 0);
    WriteFile(dir / "out/MENU/TXT/00000000.txt", "hello, edited and longer than before");
    ::unlink((dir / "out/MENU/BIN/00000003.bin").c_str());

    CliResult r = RunCli({"insert", "--target", "new", "out/result.log"}, dir.Path());
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(ListTree(dir / "new"), (Lines{"MENU.fat", "MENU.mix"})); // no result.log
    ReadBack got = ReadPack(dir / "new/MENU.fat");
    EXPECT_EQ(got.EntryData(0), "hello, edited and longer than before");
    EXPECT_EQ(got.Entries[1].Size, 0);
    EXPECT_EQ(got.EntryData(2), "1234567");
    EXPECT_EQ(got.EntryData(3), pack.Entries[3].Data); // deleted: kept from the source
    EXPECT_EQ(got.Trailing, "tail");
    EXPECT_EQ(got.Data.size(), 5u * 2048); // 36 and 7 bytes take a block each, 5000 three

    // The same through a project list, into the extraction's own folder.
    WriteFile(dir / "p.lst", (dir / "out/result.log") + "\r\n");
    r = RunCli({"insert", "--target", dir / "out", "--list", dir / "p.lst"});
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(ReadFile(dir / "out/MENU.fat"), ReadFile(dir / "new/MENU.fat"));
    EXPECT_EQ(ReadFile(dir / "out/MENU.mix"), ReadFile(dir / "new/MENU.mix"));
}

TEST(CliInsert, IntoTheSourceFolderIsRefused) {
    TempDir dir;
    PackPaths p = WritePack(dir / "MENU.fat", ThreeEntries());
    const std::string before = ReadFile(p.Index) + ReadFile(p.Data);
    WriteFile(dir / "in.log", "#Format: FAT\r\n#Source: " + p.Index + "\r\nNULL\r\nNULL\r\nNULL\r\n");
    CliResult r = RunCli({"insert", "--target", ".", "in.log"}, dir.Path());
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Err, "Cannot create file " + p.Data + ".\n");
    EXPECT_EQ(ReadFile(p.Index) + ReadFile(p.Data), before);
    EXPECT_EQ(ListTree(dir.Path()), (Lines{"MENU.fat", "MENU.mix", "in.log"}));
    r = RunCli({"insert", "--target", "out", "missing.log"}, dir.Path());
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Err, "Cannot open file " + (dir / "missing.log") + ".\n");
}

// Errors that do not come from a file operation (here: a relative path when
// the current folder was deleted) still end with a message and status 1.
TEST(CliExtract, OtherErrorsGiveAMessageNotAnAbort) {
    TempDir dir;
    PackPaths p = WritePack(dir / "MENU.fat", ThreeEntries());
    const std::string gone = dir / "gone";
    char* here = ::getcwd(nullptr, 0);
    ASSERT_EQ(::mkdir(gone.c_str(), 0777), 0);
    ASSERT_EQ(::chdir(gone.c_str()), 0);
    ASSERT_EQ(::rmdir(gone.c_str()), 0);
    CliResult r = RunCli({"extract", "--target", "out", p.Index});
    ASSERT_EQ(::chdir(here), 0);
    ::free(here);
    EXPECT_EQ(r.Exit, 1);
    EXPECT_FALSE(r.Err.empty());
}
