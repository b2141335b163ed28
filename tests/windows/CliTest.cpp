// packwright-cli.exe run as another process: commands, exit statuses, and
// what it prints, with Windows paths.
#include <gtest/gtest.h>

#include "WinSupport.h"
#include "packs/PackFixtures.h"

using namespace pwtest;

namespace {

std::string Cli() { return ProgramFolder() + "\\..\\..\\cli\\packwright-cli.exe"; }

PackDesign FourEntries() {
    PackDesign pack;
    pack.Placement = Layout::Shuffled;
    pack.Entries = {{"a.txt", "hello"}, {"b.txt", ""}, {"c.dat", std::string(5000, 'c')}, {"d.txt", "four"}};
    return pack;
}

} // namespace

TEST(WindowsCli, ListExtractAndInsert) {
    TempDir dir;
    MakeDir(dir / "game");
    PackPaths src = WritePack(dir / "game/MENU.fat", FourEntries());
    RunResult list = RunProgram(Cli(), {"list", src.Index});
    EXPECT_EQ(list.Exit, 0) << list.Err;
    EXPECT_EQ(list.Out.substr(0, 13), "0\ta.txt\t6\t5\r\n"); // text output: Windows line ends

    const std::string out = dir / "mods";
    RunResult extract = RunProgram(Cli(), {"extract", "--quiet", "--target", out, src.Index});
    EXPECT_EQ(extract.Exit, 0) << extract.Err;
    EXPECT_EQ(ReadFile(out + "\\result.log"), "#Format: FAT\r\n#Source: " + src.Index + "\r\n" + out +
                                                  "\\MENU\\TXT\\00000000.txt\r\nNULL\r\n" + out +
                                                  "\\MENU\\DAT\\00000002.dat\r\n" + out +
                                                  "\\MENU\\TXT\\00000003.txt\r\n");
    WriteFile(out + "\\MENU\\TXT\\00000003.txt", "edited");
    const std::string rebuilt = dir / "new";
    // --verify reads the new pack back through a mapping before it is put in place.
    RunResult insert = RunProgram(Cli(), {"insert", "--quiet", "--verify", "--target", rebuilt, out + "\\result.log"});
    EXPECT_EQ(insert.Exit, 0) << insert.Err;
    ReadBack pack = ReadPack(rebuilt + "\\MENU.fat");
    EXPECT_EQ(pack.EntryData(0), "hello");
    EXPECT_EQ(pack.EntryData(2), std::string(5000, 'c'));
    EXPECT_EQ(pack.EntryData(3), "edited");
    EXPECT_EQ(pack.Data.size(), 2048u * 5);
}

TEST(WindowsCli, APackHeldByAnotherProgram) {
    TempDir dir;
    PackPaths src = WritePack(dir / "MENU.fat", FourEntries());
    OtherHolder other(src.Data);
    ASSERT_TRUE(other.Holding());
    RunResult r = RunProgram(Cli(), {"extract", "--quiet", "--target", dir / "out", src.Index});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Err, "Cannot open file " + src.Data + ".\r\n");
    EXPECT_FALSE(FileExists(dir / "out/result.log"));
}

TEST(WindowsCli, FullPathsFromForwardSlashesAndDotDot) {
    TempDir dir;
    MakeDir(dir / "game");
    PackPaths src = WritePack(dir / "game/MENU.fat", FourEntries());
    std::string slashed = dir.Path() + "/game/../game/MENU.fat";
    const std::string out = dir / "out";
    RunResult r = RunProgram(Cli(), {"extract", "--quiet", "--target", out + "\\.\\", slashed});
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(ReadFile(out + "\\result.log").substr(0, 25 + src.Index.size()),
              "#Format: FAT\r\n#Source: " + src.Index + "\r\n");
}

TEST(WindowsCli, CatWritesAnEntryByteForByte) {
    TempDir dir;
    PackDesign pack;
    const std::string bytes("line\nnext\r\n\x1a\0end", 17);
    pack.Entries = {{"a.txt", "hello"}, {"b.bin", bytes}};
    PackPaths src = WritePack(dir / "MENU.fat", pack);
    RunResult r = RunProgram(Cli(), {"cat", src.Index, "1"});
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(r.Out, bytes); // no line ends translated, no end at ^Z
}
