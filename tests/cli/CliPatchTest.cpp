// diff, patch show, apply and verify --patch run as child processes: a
// modder's round trip, two patches together, a conflict and its settling.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/CliRunner.h"

using namespace pwtest;

namespace {

// The game's pack in game/, and a modder's pack made from an extraction
// with three entries edited, in mod/.
struct Modder {
    TempDir dir;
    std::string game = dir / "game/MENU.fat", mod = dir / "mod/MENU.fat";
    Modder() {
        MakeDir(dir / "game");
        PackDesign pack;
        pack.Entries = {{"a.txt", "hello"}, {"b.tga", Bytes(3000, 1)}, {"c.dat", ""}, {"d.ini", "x=1\n"}};
        WritePack(game, pack);
        EXPECT_EQ(RunCli({"extract", "-q", "--target", "x", game}, dir.Path()).Exit, 0);
        WriteFile(dir / "x/MENU/TXT/00000000.txt", "hello world!");
        WriteFile(dir / "x/MENU/TGA/00000001.tga", Bytes(2000, 2));
        WriteFile(dir / "x/MENU/INI/00000003.ini", "x=2\n");
        EXPECT_EQ(RunCli({"insert", "-q", "--target", "mod", "x/result.log"}, dir.Path()).Exit, 0);
    }
    // A second mod, of entries 0 and 3, both other than the first mod's.
    std::string SecondPatch() {
        MakeDir(dir / "y");
        EXPECT_EQ(RunCli({"extract", "-q", "--target", "y", game}, dir.Path()).Exit, 0);
        RemovePath(dir / "y/MENU/TXT/00000000.txt");
        RemovePath(dir / "y/MENU/TGA/00000001.tga");
        WriteFile(dir / "y/MENU/INI/00000003.ini", "x=3\n");
        WriteFile(dir / "y/MENU/TXT/00000000.txt", "goodbye");
        EXPECT_EQ(RunCli({"diff", "-q", "--output", "two.pwpatch", "--log", "y/result.log"}, dir.Path()).Exit, 0);
        return dir / "two.pwpatch";
    }
};

} // namespace

TEST(CliPatch, ARoundTripFromAnExtractionToAPatchAndBack) {
    Modder m;
    CliResult r = RunCli({"diff", "--output", "mod.pwpatch", "--title", "Bigger menu", "--author", "me", "--version",
                          "1.0", m.game, m.mod},
                         m.dir.Path());
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(r.Err.rfind("Wrote " + (m.dir / "mod.pwpatch") + " with 3 changed entries of 1 pack (", 0), 0u) << r.Err;
    // The same patch from the log, through the change plan.
    r = RunCli({"diff", "-q", "--output", "log.pwpatch", "--title", "Bigger menu", "--author", "me", "--version", "1.0",
                "--log", "x/result.log"},
               m.dir.Path());
    ASSERT_EQ(r.Exit, 0) << r.Err;

    r = RunCli({"patch", "show", "mod.pwpatch"}, m.dir.Path());
    EXPECT_EQ(r.Exit, 0);
    EXPECT_NE(r.Out.find("  title: Bigger menu\n  version: 1.0\n  author: me\n"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("pack MENU.fat (4 entries, 3 changed)\n  0\ta.txt\t5 -> 12 bytes\n  1\tb.tga\t3000 -> 2000 "
                         "bytes\n  3\td.ini\t4 -> 4 bytes\n"),
              std::string::npos)
        << r.Out;
    r = RunCli({"patch", "show", "--json", "log.pwpatch"}, m.dir.Path());
    const nlohmann::json j = nlohmann::json::parse(r.Out);
    EXPECT_EQ(j["manifest"]["title"], "Bigger menu");
    EXPECT_EQ(j["packs"][0]["entries"].size(), 3u);

    for (const char* patch : {"mod.pwpatch", "log.pwpatch"}) {
        const std::string out = std::string("out-") + patch;
        r = RunCli({"apply", "-q", "--verify", "--target", out, "--source", "game", patch}, m.dir.Path());
        ASSERT_EQ(r.Exit, 0) << r.Err;
        EXPECT_EQ(ReadFile(m.dir / (out + "/MENU.fat")), ReadFile(m.mod));
        EXPECT_EQ(ReadFile(m.dir / (out + "/MENU.mix")), ReadFile(m.dir / "mod/MENU.mix"));
        r = RunCli({"verify", out + "/MENU.fat", "--patch", patch, "--source", "game"}, m.dir.Path());
        EXPECT_EQ(r.Exit, 0) << r.Out;
        EXPECT_EQ(r.Out, (m.dir / (out + "/MENU.fat")) + ": sound\n");
    }
    r = RunCli({"verify", "game/MENU.fat", "--patch", "mod.pwpatch", "--source", "mod"}, m.dir.Path());
    EXPECT_EQ(r.Exit, 1);
}

TEST(CliPatch, TwoPatchesTogetherAndAConflictSettled) {
    Modder m;
    ASSERT_EQ(RunCli({"diff", "-q", "--output", "one.pwpatch", m.game, m.mod}, m.dir.Path()).Exit, 0);
    const std::string one = m.dir / "one.pwpatch";
    const std::string two = m.SecondPatch();

    CliResult r = RunCli({"apply", "--plan", "--target", "out", "--source", "game", "one.pwpatch", "two.pwpatch"},
                         m.dir.Path());
    EXPECT_EQ(r.Exit, 1);
    const std::string clash0 = "MENU.fat entry 0 (a.txt) is changed differently by " + one + " and " + two;
    const std::string clash3 = "MENU.fat entry 3 (d.ini) is changed differently by " + one + " and " + two;
    EXPECT_NE(r.Out.find("  0\tconflict\ta.txt\t" + two + "\t" + clash0 + "\n"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("  3 applies, 0 already, 2 conflict, 0 refused\n"), std::string::npos) << r.Out;
    EXPECT_EQ(r.Err, clash0 + "\n" + clash3 + ".\n");
    EXPECT_FALSE(FileExists(m.dir / "out"));

    r = RunCli({"apply", "--target", "out", "--source", "game", "one.pwpatch", "two.pwpatch"}, m.dir.Path());
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Err, clash0 + "\n" + clash3 + ".\n");
    EXPECT_FALSE(FileExists(m.dir / "out/MENU.fat"));

    r = RunCli({"apply", "--plan", "--json", "--prefer-later", "--target", "out", "--source", "game", "one.pwpatch",
                "two.pwpatch"},
               m.dir.Path());
    EXPECT_EQ(r.Exit, 0) << r.Err;
    const nlohmann::json j = nlohmann::json::parse(r.Out);
    EXPECT_EQ(j["ok"], true);
    EXPECT_EQ(j["packs"][0]["counts"]["conflict"], 2);
    EXPECT_EQ(j["packs"][0]["entries"][3]["wins"], true);

    r = RunCli({"apply", "--prefer-later", "--target", "out", "--source", "game", "one.pwpatch", "two.pwpatch"},
               m.dir.Path());
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(r.Err.rfind("packwright-cli: " + clash0 + ": " + two + " wins\npackwright-cli: " + clash3 + ": " + two +
                              " wins\nApplied 2 patches: built 1 pack of 4 entries (3 from patches, ",
                          0),
              0u)
        << r.Err;
    EXPECT_EQ(RunCli({"cat", "out/MENU.fat", "0"}, m.dir.Path()).Out, "goodbye");
    EXPECT_EQ(RunCli({"cat", "out/MENU.fat", "1"}, m.dir.Path()).Out, Bytes(2000, 2));
    EXPECT_EQ(RunCli({"cat", "out/MENU.fat", "3"}, m.dir.Path()).Out, "x=3\n");
    EXPECT_EQ(RunCli({"verify", "out/MENU.fat", "--patch", "one.pwpatch", "two.pwpatch", "--source", "game"},
                     m.dir.Path()).Exit,
              0);
}

TEST(CliPatch, RefusalsAndUsage) {
    Modder m;
    ASSERT_EQ(RunCli({"diff", "-q", "--output", "one.pwpatch", m.game, m.mod}, m.dir.Path()).Exit, 0);
    // The game's pack is another version: the patched entries are named.
    CliResult r = RunCli({"apply", "--target", "out", "--source", "mod", "x/../one.pwpatch"}, m.dir.Path());
    EXPECT_EQ(r.Exit, 0) << "the modded pack holds every new entry already: " << r.Err;
    WriteFile(m.dir / "x/MENU/INI/00000003.ini", "x=9\n");
    ASSERT_EQ(RunCli({"insert", "-q", "--target", "other", "x/result.log"}, m.dir.Path()).Exit, 0);
    r = RunCli({"apply", "--target", "out2", "--source", "other", "one.pwpatch"}, m.dir.Path());
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Err, "MENU.fat entry 3 (d.ini) is not the one " + (m.dir / "one.pwpatch") + " was made for.\n");
    r = RunCli({"apply", "--target", "out2", "--source", "x", "one.pwpatch"}, m.dir.Path());
    EXPECT_EQ(r.Err, "Cannot open file " + (m.dir / "x/MENU.fat") + ".\n");
    EXPECT_FALSE(FileExists(m.dir / "out2"));
    // A cut download.
    const std::string bytes = ReadFile(m.dir / "one.pwpatch");
    WriteFile(m.dir / "cut.pwpatch", bytes.substr(0, bytes.size() / 2));
    r = RunCli({"apply", "--target", "out2", "--source", "game", "cut.pwpatch"}, m.dir.Path());
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Err, "Damaged patch " + (m.dir / "cut.pwpatch") + ".\n");
    EXPECT_EQ(RunCli({"patch", "show", "cut.pwpatch"}, m.dir.Path()).Exit, 1);
    // Usage.
    EXPECT_EQ(RunCli({"diff", "--output", "p.pwpatch", m.game}, m.dir.Path()).Exit, 2);
    EXPECT_EQ(RunCli({"diff", m.game, m.mod}, m.dir.Path()).Exit, 2);
    EXPECT_EQ(RunCli({"apply", "--target", "o", "one.pwpatch"}, m.dir.Path()).Exit, 2);
    EXPECT_EQ(RunCli({"patch", "list", "one.pwpatch"}, m.dir.Path()).Exit, 2);
    EXPECT_EQ(RunCli({"verify", "out/MENU.fat", "--patch", "one.pwpatch"}, m.dir.Path()).Exit, 2);
    // Packs that are not copies of each other.
    r = RunCli({"diff", "--output", "p.pwpatch", m.game, m.dir / "x/../game/MENU.fat"}, m.dir.Path());
    EXPECT_EQ(r.Exit, 1);
}
