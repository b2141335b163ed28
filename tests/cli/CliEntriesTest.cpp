// Single entries through the command line: extract --only, cat, and list
// with --type, --only and --json.
#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/CliRunner.h"

using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

std::string AllBytes() {
    std::string s;
    for (int i = 0; i < 256; ++i) s += char(i);
    return s + "\r\n\n\r" + std::string(3, '\0');
}

PackDesign Entries() {
    PackDesign pack;
    pack.Placement = Layout::Shuffled;
    pack.Entries = {{"Font.TGA", AllBytes()},          {"empty.txt", ""},          {"readme.txt", "hello"},
                    {"big.bin", Bytes(3'000'000, 7)}, {"README.TXT", "twice"}, {"pic.tga", "pixels"}};
    return pack;
}

std::string Log(const std::string& out, const std::string& index) {
    return "#Format: FAT\r\n#Source: " + index + "\r\n" + out + "/MENU/TGA/00000000.tga\r\nNULL\r\n" + out +
           "/MENU/TXT/00000002.txt\r\n" + out + "/MENU/BIN/00000003.bin\r\n" + out + "/MENU/TXT/00000004.txt\r\n" +
           out + "/MENU/TGA/00000005.tga\r\n";
}

} // namespace

TEST(CliOnly, ExtractsTheMatchingEntriesOfEveryPackAndLogsAll) {
    TempDir dir;
    ::mkdir((dir / "other").c_str(), 0777);
    PackPaths a = WritePack(dir / "MENU.fat", Entries());
    PackPaths b = WritePack(dir / "other/MENU.fat", Entries());
    CliResult r = RunCli({"extract", "--target", "out", "--only", "*.tga", "MENU.fat", "--only", "#3",
                          "other/MENU.fat"},
                         dir.Path());
    ASSERT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(r.Err.rfind("Extracted 6 entries (" + std::to_string(2 * (AllBytes().size() + 6 + 3'000'000)) +
                              " bytes) from 2 packs into " + (dir / "out") + " in ",
                          0),
              0u)
        << r.Err;
    EXPECT_EQ(ListTree(dir / "out"), (Lines{"MENU/", "MENU/BIN/", "MENU/BIN/00000003.bin", "MENU/TGA/",
                                            "MENU/TGA/00000000.tga", "MENU/TGA/00000005.tga", "result.log"}));
    EXPECT_EQ(ReadFile(dir / "out/MENU/TGA/00000000.tga"), AllBytes());
    EXPECT_EQ(ReadFile(dir / "out/result.log"), Log(dir / "out", a.Index) + Log(dir / "out", b.Index));

    // A pattern that matches nothing: every entry logged, none written.
    r = RunCli({"extract", "-q", "--target", "none", "--only", "nothing.*", "MENU.fat"}, dir.Path());
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(ListTree(dir / "none"), Lines{"result.log"});
    EXPECT_EQ(ReadFile(dir / "none/result.log"), Log(dir / "none", a.Index));
}

TEST(CliOnly, ABadNumberIsAUsageError) {
    for (const Lines& args : std::vector<Lines>{{"extract", "--target", "o", "--only", "#0x", "a.fat"},
                                                {"list", "a.fat", "--only", "#twelve"},
                                                {"extract", "--target", "o", "a.fat", "--only"}}) {
        CliResult r = RunCli(args);
        EXPECT_EQ(r.Exit, 2) << testing::PrintToString(args);
        EXPECT_NE(r.Err.find("usage: packwright-cli list PACK.fat"), std::string::npos);
    }
    EXPECT_EQ(RunCli({"list", "a.fat", "--only", "#twelve"}).Err.rfind("packwright-cli: Bad entry number #twelve\n", 0),
              0u);
}

TEST(CliCat, OneEntryByNumberOrName) {
    TempDir dir;
    WritePack(dir / "MENU.fat", Entries());
    for (const char* entry : {"0", "#0", "#0x0", "font.tga", "FONT.TGA"}) {
        CliResult r = RunCli({"cat", "MENU.fat", entry}, dir.Path());
        EXPECT_EQ(r.Exit, 0) << entry << r.Err;
        EXPECT_EQ(r.Out, AllBytes()) << entry;
        EXPECT_EQ(r.Err, "");
    }
    CliResult r = RunCli({"cat", "MENU.fat", "#3"}, dir.Path());
    EXPECT_EQ(r.Out, Bytes(3'000'000, 7)); // larger than any copy buffer
    r = RunCli({"cat", "MENU.fat", "empty.txt"}, dir.Path());
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(r.Out, "");
}

TEST(CliCat, ThroughAPipe) {
    TempDir dir;
    WritePack(dir / "MENU.fat", Entries());
    std::string command = std::string(CLI_PATH) + " cat '" + (dir / "MENU.fat") + "' 3";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string got;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) got.append(buf, n);
    EXPECT_EQ(::pclose(pipe), 0);
    EXPECT_EQ(got, Bytes(3'000'000, 7));
}

TEST(CliCat, ErrorsLeaveStdoutEmpty) {
    TempDir dir;
    PackDesign design = Entries();
    design.Entries[5].Size = 1 << 30; // past the end of the data file
    PackPaths p = WritePack(dir / "MENU.fat", design);
    const std::string at = " in " + p.Index;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"readme.txt", "Entry name \"readme.txt\" is ambiguous" + at + ": #2 readme.txt, #4 README.TXT; name one "
                       "by its number.\n"},
        {"nothing.txt", "No entry named \"nothing.txt\"" + at + ".\n"},
        {"6", "No entry 6" + at + ": it has 6 entries.\n"},
        {"#0x6", "No entry #0x6" + at + ": it has 6 entries.\n"},
        {"pic.tga", "Stream read error.\n"},
    };
    for (const auto& [entry, message] : cases) {
        CliResult r = RunCli({"cat", p.Index, entry});
        EXPECT_EQ(r.Exit, 1) << entry;
        EXPECT_EQ(r.Err, message);
        EXPECT_EQ(r.Out, "") << entry;
    }
    ::unlink(p.Data.c_str());
    CliResult r = RunCli({"cat", p.Index, "0"});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Err, "Cannot open file " + p.Data + ".\n");
    EXPECT_EQ(RunCli({"cat", p.Index}).Exit, 2);
}

TEST(CliList, ByTypeAndPattern) {
    TempDir dir;
    PackDesign design;
    design.Entries = {{"a.tga", "1"}, {"b.TXT", "22"}, {"c.Tga", "333"}, {"README", "4444"}};
    WritePack(dir / "MENU.fat", design);
    auto list = [&](const Lines& options) {
        Lines args = {"list", "MENU.fat"};
        args.insert(args.end(), options.begin(), options.end());
        CliResult r = RunCli(args, dir.Path());
        EXPECT_EQ(r.Exit, 0) << r.Err;
        return r.Out;
    };
    EXPECT_EQ(list({"--type", "TGA"}), "0\ta.tga\t0\t1\n2\tc.Tga\t2\t3\n");
    EXPECT_EQ(list({"--type", ".tga", "--only", "c*"}), "2\tc.Tga\t2\t3\n");
    EXPECT_EQ(list({"--only", "#0x1", "--only", "readme"}), "1\tb.TXT\t1\t2\n3\tREADME\t3\t4\n");
    EXPECT_EQ(list({"--type", ""}), "3\tREADME\t3\t4\n"); // entries without extension
    EXPECT_EQ(list({"--type", "wav"}), "");
    EXPECT_EQ(list({"--json", "--only", "B.txt"}),
              "{\n  \"pack\": \"" + (dir / "MENU.fat") +
                  "\",\n  \"entries\": [\n    {\n      \"index\": 1,\n      \"name\": \"b.TXT\",\n"
                  "      \"type\": \"TXT\",\n      \"startBlock\": 1,\n      \"size\": 2\n    }\n  ]\n}\n");
}

TEST(CliList, JsonAsOneDocument) {
    TempDir dir;
    PackDesign design;
    design.Entries = {{"a.tga", "1"}, {"b\xE9.txt", "22"}, {"c.tga", "333"}};
    WritePack(dir / "MENU.fat", design);
    for (const std::string& type : {"tga", "txt", "wav"}) {
        CliResult r = RunCli({"list", "--json", "--type", type, dir / "MENU.fat"});
        ASSERT_EQ(r.Exit, 0) << r.Err;
        nlohmann::ordered_json doc = nlohmann::ordered_json::parse(r.Out);
        EXPECT_EQ(r.Out, doc.dump(2) + "\n"); // printed entry by entry, laid out as one dump
        EXPECT_EQ(doc["pack"], dir / "MENU.fat");
        for (const auto& e : doc["entries"]) EXPECT_TRUE(e["type"] == nlohmann::ordered_json(type == "tga" ? "TGA" : "TXT"));
        EXPECT_EQ(doc["entries"].size(), type == "tga" ? 2u : type == "txt" ? 1u : 0u);
    }
    // A byte that is not UTF-8 is replaced, not refused.
    CliResult r = RunCli({"list", "--json", "--only", "#1", dir / "MENU.fat"});
    EXPECT_EQ(nlohmann::json::parse(r.Out)["entries"][0]["name"], "b\xEF\xBF\xBD.txt");
}

TEST(CliList, OutputThatCannotBeWrittenIsAnError) {
    TempDir dir;
    WritePack(dir / "MENU.fat", Entries());
    for (const char* verb : {"list", "cat"}) {
        std::string command = std::string(CLI_PATH) + " " + verb + " '" + (dir / "MENU.fat") + "'" +
                              (std::string(verb) == "cat" ? " 3" : "") + " >/dev/full 2>'" + (dir / "err") + "'";
        int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << verb;
        EXPECT_EQ(ReadFile(dir / "err"), "Stream write error.\n") << verb;
    }
}

// list opens a pack as every other verb does: a commit that a killed rebuild
// left recorded is finished first, and an empty journal that such a run left
// goes.
TEST(CliList, FinishesAnUnfinishedCommitFirst) {
    TempDir dir;
    PackDesign fresh, old;
    fresh.Entries = {{"new.txt", "new"}};
    old.Entries = {{"old.txt", "old"}, {"old2.txt", "old"}};
    MakeDir(dir / "stage");
    WritePack(dir / "stage/MENU.fat", fresh);
    WritePack(dir / "MENU.fat", old);
    // The data file already renamed, the index still staged: a record of
    // the journal's first version, which names the two files only.
    ASSERT_EQ(std::rename((dir / "stage/MENU.mix").c_str(), (dir / "MENU.mix").c_str()), 0);
    ASSERT_EQ(std::rename((dir / "stage/MENU.fat").c_str(), (dir / ".MENU.packwright-new.fat").c_str()), 0);
    std::string record = "PWCOMMIT";
    for (std::string name : {"MENU.mix", "MENU.fat"}) record += std::string(1, char(name.size())) + std::string(3, '\0') + name;
    uint32_t h = 2166136261u;
    for (unsigned char c : record) h = (h ^ c) * 16777619u;
    for (int i = 0; i < 4; ++i) record += char(h >> (8 * i));
    WriteFile(dir / ".MENU.packwright-commit", record);
    CliResult r = RunCli({"list", dir / "MENU.fat"});
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(r.Out, "0\tnew.txt\t0\t3\n");
    EXPECT_EQ(ListTree(dir.Path()), (Lines{"MENU.fat", "MENU.mix", "stage/"}));

    WriteFile(dir / ".MENU.packwright-commit", "");
    EXPECT_EQ(RunCli({"list", dir / "MENU.fat"}).Exit, 0);
    EXPECT_EQ(ListTree(dir.Path()), (Lines{"MENU.fat", "MENU.mix", "stage/"}));
}
