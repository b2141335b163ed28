// plan, verify and insert --verify run as child processes: their output,
// their JSON, and their exit status.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/CliRunner.h"

using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

// A pack extracted into x/, its first entry edited, its third a folder
// when `refuse` is set.
struct Extracted {
    TempDir dir;
    std::string log = dir / "x/result.log";
    explicit Extracted(bool refuse = false) {
        PackDesign pack;
        pack.Entries = {{"a.txt", "hello"}, {"b.tga", Bytes(3000, 1)}, {"c.dat", ""}};
        WritePack(dir / "MENU.fat", pack);
        EXPECT_EQ(RunCli({"extract", "--quiet", "--target", "x", "MENU.fat"}, dir.Path()).Exit, 0);
        WriteFile(dir / "x/MENU/TXT/00000000.txt", "hello world!");
        if (refuse) {
            std::string text = ReadFile(log);
            text.replace(text.rfind("NULL"), 4, dir / "x");
            WriteFile(log, text);
        }
    }
};

} // namespace

TEST(CliPlan, LinesPerEntryAndASummary) {
    Extracted e;
    CliResult r = RunCli({"plan", "--target", "new", "x/result.log"}, e.dir.Path());
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(r.Out, "pack " + (e.dir / "MENU.fat") + "\n" +
                         "  new " + (e.dir / "new/MENU.fat") + ", " + (e.dir / "new/MENU.mix") + "\n" +
                         "  0\tchanged\t" + (e.dir / "x/MENU/TXT/00000000.txt") + "\t5 -> 12 bytes\n" +
                         "  1\tsame\t" + (e.dir / "x/MENU/TGA/00000001.tga") + "\n" +
                         "  2\tkept\tNULL\n" +
                         "  1 changed, 1 same, 1 kept; new data file 6144 bytes, +1096 against the source's 5048\n");
    EXPECT_EQ(r.Err, "");
    EXPECT_FALSE(FileExists(e.dir / "new")); // nothing written, not even the folder

    r = RunCli({"plan", "--changes", "--target", "new", "x/result.log"}, e.dir.Path());
    EXPECT_EQ(r.Out.find("\tsame\t"), std::string::npos);
    EXPECT_NE(r.Out.find("\tchanged\t"), std::string::npos);
}

TEST(CliPlan, ARefusalIsTheRebuildsOwnMessageAndStatus1) {
    Extracted e(true);
    CliResult plan = RunCli({"plan", "--target", "new", "--changes", "x/result.log"}, e.dir.Path());
    CliResult insert = RunCli({"insert", "--target", "new", "x/result.log"}, e.dir.Path());
    EXPECT_EQ(plan.Exit, 1);
    EXPECT_EQ(insert.Exit, 1);
    EXPECT_EQ(plan.Err, "Cannot open file " + (e.dir / "x") + ".\n");
    EXPECT_EQ(plan.Err, insert.Err);
    EXPECT_NE(plan.Out.find("  2\trefused\t" + (e.dir / "x") + "\tCannot open file " + (e.dir / "x") + "\n"),
              std::string::npos);

    CliResult missing = RunCli({"plan", "nowhere.log"}, e.dir.Path());
    EXPECT_EQ(missing.Exit, 1);
    EXPECT_EQ(missing.Err, "Cannot open file " + (e.dir / "nowhere.log") + ".\n");
    for (const Lines& args : {Lines{"plan"}, Lines{"plan", "--list", "p.lst", "a.log"}, Lines{"verify"},
                              Lines{"plan", "--bogus", "a.log"}})
        EXPECT_EQ(RunCli(args, e.dir.Path()).Exit, 2) << testing::PrintToString(args);
}

TEST(CliPlan, JsonForScripts) {
    Extracted e(true);
    CliResult r = RunCli({"plan", "--json", "--target", "new", "x/result.log"}, e.dir.Path());
    EXPECT_EQ(r.Exit, 1);
    nlohmann::json doc = nlohmann::json::parse(r.Out);
    EXPECT_EQ(doc["target"], e.dir / "new");
    EXPECT_EQ(doc["error"], "Cannot open file " + (e.dir / "x"));
    ASSERT_EQ(doc["packs"].size(), 1u);
    const nlohmann::json& p = doc["packs"][0];
    EXPECT_EQ(p["source"], e.dir / "MENU.fat");
    EXPECT_EQ(p["counts"]["changed"], 1);
    EXPECT_EQ(p["counts"]["refused"], 1);
    ASSERT_EQ(p["entries"].size(), 3u);
    EXPECT_EQ(p["entries"][0]["state"], "changed");
    EXPECT_EQ(p["entries"][0]["oldSize"], 5);
    EXPECT_EQ(p["entries"][0]["newSize"], 12);
    EXPECT_EQ(p["entries"][2]["state"], "refused");
    EXPECT_EQ(p["entries"][2]["message"], "Cannot open file " + (e.dir / "x"));
}

TEST(CliVerify, SoundDamagedAndAgainstTheLog) {
    Extracted e;
    CliResult r = RunCli({"insert", "--verify", "--target", "new", "x/result.log"}, e.dir.Path());
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_NE(r.Err.find("verified"), std::string::npos);

    const std::string pack = e.dir / "new/MENU.fat";
    r = RunCli({"verify", "new/MENU.fat", "--log", "x/result.log"}, e.dir.Path());
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(r.Out, pack + ": layout: dense, with zero padding\n" + pack + ": sound\n");

    // An edit after the rebuild: the pack no longer holds what the log asks.
    WriteFile(e.dir / "x/MENU/TGA/00000001.tga", "shorter");
    r = RunCli({"verify", "new/MENU.fat", "--log", "x/result.log"}, e.dir.Path());
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Out, pack + ": entry 1 (b.tga) does not hold the bytes of " + (e.dir / "x/MENU/TGA/00000001.tga") +
                         "\n" + pack + ": layout: dense, with zero padding\n");
    // On its own it is still sound.
    EXPECT_EQ(RunCli({"verify", "new/MENU.fat"}, e.dir.Path()).Exit, 0);

    // A data file cut short.
    std::string data = ReadFile(e.dir / "new/MENU.mix");
    WriteFile(e.dir / "new/MENU.mix", data.substr(0, 2100));
    r = RunCli({"verify", "--json", "new/MENU.fat"}, e.dir.Path());
    EXPECT_EQ(r.Exit, 1);
    nlohmann::json doc = nlohmann::json::parse(r.Out);
    EXPECT_EQ(doc["sound"], false);
    ASSERT_GE(doc["findings"].size(), 2u);
    EXPECT_EQ(doc["findings"][0]["kind"], "indexDataMismatch");
    EXPECT_EQ(doc["findings"][1]["kind"], "outside");

    r = RunCli({"verify", "missing.fat"}, e.dir.Path());
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Err, "Cannot open file " + (e.dir / "missing.fat") + ".\n");
}

TEST(CliPlan, AProjectListsLogsAsInsertReadsThem) {
    Extracted e;
    // A relative log path in a list is taken in the target folder, as insert does.
    WriteFile(e.dir / "p.lst", "../x/result.log\n");
    CliResult plan = RunCli({"plan", "--target", "new", "--list", "p.lst"}, e.dir.Path());
    EXPECT_EQ(plan.Exit, 0) << plan.Err;
    EXPECT_NE(plan.Out.find("\tchanged\t"), std::string::npos);
    EXPECT_EQ(RunCli({"insert", "--target", "new", "--list", "p.lst"}, e.dir.Path()).Exit, 0);
    EXPECT_EQ(RunCli({"verify", "new/MENU.fat", "--log", "x/result.log"}, e.dir.Path()).Exit, 0);
}
