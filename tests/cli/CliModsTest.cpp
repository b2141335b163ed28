// mods deploy, status, verify and restore run as child processes: a mod
// list with one mod switched off, the plan and its exit status, the
// deployed list again, and the usage mistakes.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/CliRunner.h"

using namespace pwtest;

TEST(CliMods, AListDeployedPlannedStatedAndRestored) {
    TempDir dir;
    MakeDir(dir / "game");
    PackDesign pack;
    pack.Entries = {{"a.txt", "hello"}, {"b.tga", Bytes(3000, 1)}, {"d.ini", "x=1\n"}};
    WritePack(dir / "game/MENU.fat", pack);
    const std::string shipped = ReadFile(dir / "game/MENU.fat") + ReadFile(dir / "game/MENU.mix");
    ASSERT_EQ(RunCli({"extract", "-q", "--target", "x", dir / "game/MENU.fat"}, dir.Path()).Exit, 0);
    WriteFile(dir / "x/MENU/TXT/00000000.txt", "hello world!");
    ASSERT_EQ(RunCli({"diff", "-q", "--output", "one.pwpatch", "--log", "x/result.log"}, dir.Path()).Exit, 0);
    WriteFile(dir / "x/MENU/TXT/00000000.txt", "hi there");
    WriteFile(dir / "x/MENU/INI/00000002.ini", "x=2\n");
    ASSERT_EQ(RunCli({"diff", "-q", "--output", "two.pwpatch", "--log", "x/result.log"}, dir.Path()).Exit, 0);
    WriteFile(dir / "my.pwmods", "one.pwpatch\n# two.pwpatch\n");

    CliResult r = RunCli({"mods", "deploy", "--game", "game", "--plan", "--list", "my.pwmods"}, dir.Path());
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(r.Out, "MENU.fat\t0\tapplies\ta.txt\t" + (dir / "one.pwpatch") + "\npack MENU.fat\tmodify\t1 entries\n");
    EXPECT_EQ(ListTree(dir / "game"), (std::vector<std::string>{"MENU.fat", "MENU.mix"}));
    r = RunCli({"mods", "deploy", "--game", "game", "--list", "my.pwmods"}, dir.Path());
    ASSERT_EQ(r.Exit, 0) << r.Err;
    r = RunCli({"mods", "deploy", "--game", "game", "one.pwpatch"}, dir.Path());
    EXPECT_EQ(r.Err, "packwright-cli: These mods are deployed already: nothing to write\n");

    r = RunCli({"mods", "status", "--game", "game", "--json"}, dir.Path());
    ASSERT_EQ(r.Exit, 0) << r.Err;
    const auto j = nlohmann::json::parse(r.Out);
    EXPECT_EQ(j["mods"][0]["path"], dir / "one.pwpatch");
    EXPECT_EQ(j["mods"][0]["present"], true);
    EXPECT_EQ(j["packs"][0], (nlohmann::json{{"name", "MENU.fat"}, {"state", "modded"}, {"entries", 1}}));
    EXPECT_EQ(RunCli({"mods", "verify", "--game", "game"}, dir.Path()).Exit, 0);

    // Both mods change entry 0, each its own way.
    r = RunCli({"mods", "deploy", "--game", "game", "--plan", "one.pwpatch", "two.pwpatch"}, dir.Path());
    EXPECT_EQ(r.Exit, 1);
    EXPECT_NE(r.Err.find("MENU.fat entry 0 (a.txt) is changed differently by"), std::string::npos) << r.Err;

    r = RunCli({"mods", "restore", "--game", "game"}, dir.Path());
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(ReadFile(dir / "game/MENU.fat") + ReadFile(dir / "game/MENU.mix"), shipped);
    // The history stays, newest first; emptied, it takes Packwright's folder with it.
    r = RunCli({"mods", "history", "--game", "game", "--json"}, dir.Path());
    const auto h = nlohmann::json::parse(r.Out)["deployments"];
    ASSERT_EQ(h.size(), 2u) << r.Out;
    EXPECT_EQ(h[0]["mods"], nlohmann::json::array());
    EXPECT_EQ(h[1]["mods"][0]["path"], dir / "one.pwpatch");
    EXPECT_EQ(h[1]["current"], false);
    r = RunCli({"mods", "deploy", "--game", "game", "--revert", "2"}, dir.Path());
    EXPECT_EQ(r.Err, "packwright-cli: Deployment 2 is the current one: nothing to write\n");
    ASSERT_EQ(RunCli({"mods", "history", "--game", "game", "--keep", "0"}, dir.Path()).Exit, 0);
    EXPECT_EQ(ListTree(dir / "game"), (std::vector<std::string>{"MENU.fat", "MENU.mix"}));

    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"mods", "deploy", "one.pwpatch"}, {"mods", "deploy", "--game", "game"},
          {"mods", "restore", "--game", "game", "one.pwpatch"}, {"mods", "undo", "--game", "game"},
          {"mods", "bisect", "--game", "game"}, {"mods", "bisect", "later", "--game", "game"}})
        EXPECT_EQ(RunCli(wrong, dir.Path()).Exit, 2) << wrong[1];
}
