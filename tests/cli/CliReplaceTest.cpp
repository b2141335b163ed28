// replace run as a child process: entries named by index, name and
// extracted file name give the pack insert builds; --patch gives the patch
// diff makes; mistakes in the arguments and in the files.
#include <gtest/gtest.h>

#include "cli/CliRunner.h"

using namespace pwtest;

namespace {

struct Game {
    TempDir dir;
    std::string pack = dir / "game/MENU.fat";
    Game() {
        MakeDir(dir / "game");
        PackDesign design;
        design.Entries = {{"a.txt", "hello"}, {"b.tga", Bytes(3000, 1)}, {"c.dat", ""}, {"d.ini", "x=1\n"}};
        WritePack(pack, design);
        WriteFile(dir / "a.txt", "hello world!");
        WriteFile(dir / "b.tga", Bytes(2000, 2));
        WriteFile(dir / "d.ini", "x=2\n");
    }
};

} // namespace

TEST(CliReplace, TheNewPackAndThePatchAreThoseOfAnExtractionRoundTrip) {
    Game g;
    // The round trip a modder makes today.
    ASSERT_EQ(RunCli({"extract", "-q", "--target", "x", g.pack}, g.dir.Path()).Exit, 0);
    WriteFile(g.dir / "x/MENU/TXT/00000000.txt", "hello world!");
    WriteFile(g.dir / "x/MENU/TGA/00000001.tga", Bytes(2000, 2));
    WriteFile(g.dir / "x/MENU/INI/00000003.ini", "x=2\n");
    ASSERT_EQ(RunCli({"insert", "-q", "--target", "ins", "x/result.log"}, g.dir.Path()).Exit, 0);

    CliResult r = RunCli({"replace", "--target", "new", "--verify", g.pack, "0=a.txt", "B.TGA=b.tga",
                          "00000003.ini=d.ini"},
                         g.dir.Path());
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(r.Err.rfind("Built 1 pack of 4 entries (3 replaced, ", 0), 0u) << r.Err;
    EXPECT_EQ(ReadFile(g.dir / "new/MENU.fat"), ReadFile(g.dir / "ins/MENU.fat"));
    EXPECT_EQ(ReadFile(g.dir / "new/MENU.mix"), ReadFile(g.dir / "ins/MENU.mix"));

    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    r = RunCli({"replace", "-q", "--patch", "r.pwpatch", "--title", "T", g.pack, "#0=a.txt", "1=b.tga", "3=d.ini"},
               g.dir.Path());
    ASSERT_EQ(r.Exit, 0) << r.Err;
    ASSERT_EQ(RunCli({"diff", "-q", "--output", "d.pwpatch", "--title", "T", g.pack, "ins/MENU.fat"}, g.dir.Path()).Exit,
              0);
    unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_EQ(ReadFile(g.dir / "r.pwpatch"), ReadFile(g.dir / "d.pwpatch"));
}

TEST(CliReplace, MistakesAreNamed) {
    Game g;
    const struct {
        std::vector<std::string> args;
        int exit;
        std::string err;
    } cases[] = {
        {{"replace", "--target", "new", g.pack}, 2, "packwright-cli: replace needs at least one ENTRY=FILE\n"},
        {{"replace", g.pack, "0=a.txt"}, 2, "packwright-cli: replace needs --target DIR or --patch MOD.pwpatch\n"},
        {{"replace", "--target", "new", g.pack, "a.txt"}, 2, "packwright-cli: replace takes ENTRY=FILE, not a.txt\n"},
        {{"replace", "--target", "new", g.pack, "9=a.txt"}, 1,
         "No entry 9 in " + g.pack + ": it has 4 entries."},
        {{"replace", "--target", "new", g.pack, "0=none.txt"}, 1, "Cannot open file " + (g.dir / "none.txt") + "."},
        {{"replace", "--target", "new", g.pack, "9=a.txt", "0=none.txt"}, 1,
         "No entry 9 in " + g.pack + ": it has 4 entries\nCannot open file " + (g.dir / "none.txt") + "."},
        {{"replace", "--target", "game", g.pack, "0=a.txt"}, 1, "Cannot create file " + (g.dir / "game/MENU.mix") + "."},
    };
    for (const auto& c : cases) {
        CliResult r = RunCli(c.args, g.dir.Path());
        EXPECT_EQ(r.Exit, c.exit) << c.args.back();
        EXPECT_EQ(r.Err.substr(0, c.err.size()), c.err) << c.args.back();
    }
    EXPECT_FALSE(FileExists(g.dir / "new/MENU.fat"));
}
