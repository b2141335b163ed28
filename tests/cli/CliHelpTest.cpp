// --help and --version on stdout with status 0; the summary line after a
// finished run, and --quiet; options as CLI11 reads them.
#include <gtest/gtest.h>

#include <regex>

#include "cli/CliRunner.h"

using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

PackDesign TwoEntries() {
    PackDesign pack;
    pack.Entries = {{"a.txt", "hello"}, {"b.dat", "1234567"}, {"c.txt", ""}};
    return pack;
}

} // namespace

TEST(CliHelp, ToolAndVerbHelpOnStdout) {
    CliResult r = RunCli({"--help"});
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(r.Out.rfind("usage: packwright-cli list PACK.fat", 0), 0u) << r.Out;
    for (const char* verb : {"list", "scan", "extract", "insert"}) {
        EXPECT_NE(r.Out.find(std::string("packwright-cli ") + verb), std::string::npos) << verb;
        CliResult v = RunCli({verb, "--help"});
        EXPECT_EQ(v.Exit, 0) << verb;
        EXPECT_EQ(v.Err, "") << verb;
        EXPECT_EQ(v.Out.rfind(std::string("usage: packwright-cli ") + verb, 0), 0u) << v.Out;
        EXPECT_NE(v.Out.find("--quiet"), std::string::npos) << v.Out;
    }
    // Help wins over what is missing or wrong around it.
    EXPECT_EQ(RunCli({"extract", "--help"}).Exit, 0);
    EXPECT_EQ(RunCli({"-h"}).Exit, 0);
    EXPECT_NE(RunCli({"extract", "-h"}).Out.find("--target DIR"), std::string::npos);
}

TEST(CliHelp, Version) {
    CliResult r = RunCli({"--version"});
    EXPECT_EQ(r.Exit, 0);
    EXPECT_TRUE(std::regex_match(r.Out, std::regex("packwright-cli [0-9]+\\.[0-9]+(\\.[0-9]+)?\n"))) << r.Out;
    EXPECT_EQ(r.Err, "");
}

TEST(CliSummary, ExtractAndInsertSayWhatWasDone) {
    TempDir dir;
    PackPaths p = WritePack(dir / "MENU.fat", TwoEntries());
    CliResult r = RunCli({"extract", "--target", dir / "out", p.Index});
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_TRUE(std::regex_match(
        r.Err, std::regex("Extracted 2 entries \\(12 bytes\\) from 1 pack into " + (dir / "out") + " in [0-9]+\\.[0-9]{2} s\\.\n")))
        << r.Err;
    EXPECT_EQ(r.Out, "");

    WriteFile(dir / "out/MENU/TXT/00000000.txt", "edited");
    r = RunCli({"insert", "--target", dir / "new", dir / "out/result.log"});
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_TRUE(std::regex_match(r.Err, std::regex("Built 1 pack of 3 entries \\(2 from files, 4096 bytes\\) into " +
                                                   (dir / "new") + " in [0-9.]+ s\\.\n")))
        << r.Err;

    // --quiet, also as -q and anywhere among the arguments: nothing at all.
    r = RunCli({"extract", p.Index, "--target", dir / "out2", "-q"});
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(r.Err, "");
    r = RunCli({"insert", "--quiet", "--target", dir / "new2", dir / "out/result.log"});
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(ReadPack(dir / "new2/MENU.fat").EntryData(0), "edited");
}

TEST(CliSummary, NoneAfterAFailedRun) {
    TempDir dir;
    WriteFile(dir / "A.fat", std::string(8, '\0'));
    CliResult r = RunCli({"extract", "--target", dir / "out", dir / "A.fat"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Err, "Cannot open file " + (dir / "A.mix") + ".\n");
}

TEST(CliOptions, LastOfARepeatedOptionAndPathsAfterDoubleDash) {
    TempDir dir;
    PackPaths p = WritePack(dir / "-MENU.fat", TwoEntries());
    CliResult r = RunCli({"extract", "-q", "--target", "first", "--target=second", "--", "-MENU.fat"}, dir.Path());
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_FALSE(FileExists(dir / "first"));
    EXPECT_EQ(ReadFile(dir / "second/-MENU/DAT/00000001.dat"), "1234567");
    r = RunCli({"list", "--", "-MENU.fat"}, dir.Path());
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(r.Out, "0\ta.txt\t0\t5\n1\tb.dat\t1\t7\n2\tc.txt\t2\t0\n");
}

TEST(CliOptions, OptionsOfOneVerbAreMistakesOnAnother) {
    for (const Lines& args : std::vector<Lines>{{"list", "--target", "x", "a.fat"},
                                                {"insert", "--target", "x", "--scan", "r"},
                                                {"extract", "--target", "x", "--list", "p.lst"},
                                                {"scan", "--json", "d"}}) {
        CliResult r = RunCli(args);
        EXPECT_EQ(r.Exit, 2) << testing::PrintToString(args);
        EXPECT_NE(r.Err.find("usage: "), std::string::npos);
        EXPECT_EQ(r.Out, "");
    }
}
