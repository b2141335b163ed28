// The change plan of a log: the state of every entry, and agreement with
// what insertion then does (the same refusals, the new data file's size),
// all without writing anything.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/Error.h"
#include "core/FileIO.h"
#include "packs/Driver.h"
#include "packs/Kinds.h"
#include "packs/PackFixtures.h"
#include "packs/Plan.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

std::string Join(const Lines& lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    return text;
}

struct PlanRun : RunFolders {
    std::string log = dir / "in.log";
    std::string target = dir / "new"; // missing until insertion makes it

    void Log(const Lines& lines) { WriteFile(log, Join(lines)); }
    std::vector<PackPlan> Plan() {
        const Lines before = ListTree(dir.Path());
        std::vector<PackPlan> plan = PlanLog(ctx, log, target);
        EXPECT_EQ(ListTree(dir.Path()), before) << "the plan wrote something";
        return plan;
    }
    // Insertion of the log into `target`: its error, or "" when it succeeds.
    std::string Insert() {
        return ErrorOf([&] { RunList(ctx, {log}, KindLogs, "", target); });
    }
    // The plan, then insertion: they must agree on the outcome and the size.
    std::vector<PackPlan> PlanThenInsert() {
        std::vector<PackPlan> plan = Plan();
        const std::string error = Insert();
        EXPECT_EQ(PlanRefused(plan) ? plan.back().refusal : "", error);
        if (error.empty()) {
            for (const PackPlan& p : plan) {
                EXPECT_EQ(int64_t(ReadFile(p.targetData).size()), p.newDataSize) << p.targetData;
            }
        }
        return plan;
    }
};

PackDesign Entries(std::vector<FixtureEntry> entries) {
    PackDesign pack;
    pack.Entries = std::move(entries);
    return pack;
}

std::vector<EntryState> States(const PackPlan& p) {
    std::vector<EntryState> s;
    for (const EntryPlan& e : p.entries) s.push_back(e.state);
    return s;
}

} // namespace

TEST(Plan, EveryStateAndTheNewSizes) {
    PlanRun r;
    const std::string big = Bytes(3 << 20, 9); // compared in more than one piece
    PackDesign pack;
    pack.Placement = Layout::Sparse;
    pack.Entries = {{"kept.bin", "old"},   {"longer.txt", "short"}, {"onebyte.bin", big},
                    {"same.txt", "equal"}, {"empty.dat", ""},       {"emptied.dat", "gone soon"},
                    {"null.dat", ""}};
    PackPaths src = WritePack(r.game + "/MENU.fat", pack);
    std::string edited = big;
    edited.back() ^= 1;
    WriteFile(r.dir / "longer.txt", "a good deal longer");
    WriteFile(r.dir / "onebyte.bin", edited);
    WriteFile(r.dir / "same.txt", "equal");
    WriteFile(r.dir / "empty.dat", "");
    WriteFile(r.dir / "emptied.dat", "");
    r.Log({"#Format: FAT", "#Source: " + src.Index, r.dir / "missing.bin", r.dir / "longer.txt",
           r.dir / "onebyte.bin", r.dir / "same.txt", r.dir / "empty.dat", r.dir / "emptied.dat", "NULL"});

    std::vector<PackPlan> plan = r.PlanThenInsert();
    ASSERT_EQ(plan.size(), 1u);
    const PackPlan& p = plan[0];
    using S = EntryState;
    EXPECT_EQ(States(p), (std::vector<S>{S::Kept, S::Changed, S::Changed, S::Same, S::Same, S::Changed, S::Kept}));
    EXPECT_EQ(p.changed, 3u);
    EXPECT_EQ(p.same, 2u);
    EXPECT_EQ(p.kept, 2u);
    EXPECT_EQ(p.refused, 0u);
    EXPECT_EQ(p.entries[1].oldSize, 5);
    EXPECT_EQ(p.entries[1].newSize, 18);
    EXPECT_EQ(p.entries[5].newSize, 0);
    EXPECT_EQ(p.entries[1].file, r.dir / "longer.txt");
    EXPECT_EQ(p.entries[2].name, "onebyte.bin");
    EXPECT_EQ(p.sourceIndex, src.Index);
    EXPECT_EQ(p.targetIndex, r.target + "/MENU.fat");
    EXPECT_EQ(p.targetData, r.target + "/MENU.mix");
    EXPECT_EQ(p.sourceDataSize, int64_t(ReadFile(src.Data).size()));
    // kept 3, 18, 3 MiB, 5, nothing, nothing, nothing: one block each with data.
    EXPECT_EQ(p.newDataSize, 2048 + 2048 + (3 << 20) + 2048);
}

TEST(Plan, RefusesWhereInsertionDoesWithItsMessage) {
    struct Case {
        const char* what;
        std::function<Lines(PlanRun&, const PackPaths&)> setup;
    };
    const std::vector<Case> cases = {
        {"a folder on an entry line", [](PlanRun& r, const PackPaths& s) {
             return Lines{"#Format: FAT", "#Source: " + s.Index, "NULL", r.game};
         }},
        {"the log ends early", [](PlanRun&, const PackPaths& s) {
             return Lines{"#Format: FAT", "#Source: " + s.Index, "NULL"};
         }},
        {"the source data file itself", [](PlanRun&, const PackPaths& s) {
             return Lines{"#Format: FAT", "#Source: " + s.Index, s.Data, "NULL"};
         }},
        {"the new pack's data file", [](PlanRun& r, const PackPaths& s) {
             return Lines{"#Format: FAT", "#Source: " + s.Index, r.target + "/MENU.mix", "NULL"};
         }},
        {"the source folder as target", [](PlanRun& r, const PackPaths& s) {
             r.target = r.game;
             return Lines{"#Format: FAT", "#Source: " + s.Index, "NULL", "NULL"};
         }},
        {"kept data past the data file's end", [](PlanRun&, const PackPaths& s) {
             ::truncate(s.Data.c_str(), 100);
             return Lines{"#Format: FAT", "#Source: " + s.Index, "NULL", "NULL"};
         }},
        {"a missing data file", [](PlanRun&, const PackPaths& s) {
             ::unlink(s.Data.c_str());
             return Lines{"#Format: FAT", "#Source: " + s.Index, "NULL", "NULL"};
         }},
        {"a damaged index", [](PlanRun&, const PackPaths& s) {
             WriteFile(s.Index, "short");
             return Lines{"#Format: FAT", "#Source: " + s.Index, "NULL", "NULL"};
         }},
        {"the second of two blocks", [](PlanRun& r, const PackPaths& s) {
             PackPaths other = WritePack(r.dir / "OTHER.fat", Entries({{"x.txt", "x"}}));
             return Lines{"#Format: FAT", "#Source: " + s.Index, "NULL", "NULL",
                          "#Format: FAT", "#Source: " + other.Index, r.dir.Path()};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlanRun r;
        PackPaths src = WritePack(r.game + "/MENU.fat", Entries({{"a.txt", "first"}, {"b.txt", Bytes(3000, 2)}}));
        r.Log(c.setup(r, src));
        std::vector<PackPlan> plan = r.PlanThenInsert();
        ASSERT_TRUE(PlanRefused(plan));
        const PackPlan& last = plan.back();
        // Refused at an entry: that entry ends the pack's plan.
        if (!last.entries.empty()) {
            EXPECT_EQ(last.entries.back().state, EntryState::Refused);
            EXPECT_EQ(last.entries.back().message, last.refusal);
            EXPECT_EQ(last.refused, 1u);
        }
    }
}

TEST(Plan, FollowsTheLogAsInsertionReadsIt) {
    PlanRun r;
    PackPaths a = WritePack(r.game + "/A.fat", Entries({{"a.txt", "a"}, {"b.txt", "b"}}));
    PackPaths b = WritePack(r.dir / "B.fat", Entries({{"c.txt", "c"}}));
    WriteFile(r.dir / "b.txt", "bb");
    r.Log({"#Format: ", "#Source: " + a.Index, "NULL", "NULL", // not rebuilt: its lines are plain
           "#Format: FAT", "#Source: " + r.dir / "missing.fat", "NULL", "#Source: " + a.Index, "NULL",
           r.dir / "b.txt", "#Source: " + b.Index, "NULL", "#Target whatever"});
    std::vector<PackPlan> plan = r.PlanThenInsert();
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0].sourceIndex, a.Index);
    EXPECT_EQ(States(plan[0]), (std::vector<EntryState>{EntryState::Kept, EntryState::Changed}));
    EXPECT_EQ(plan[1].sourceIndex, b.Index);
    EXPECT_EQ(plan[1].targetIndex, r.target + "/B.fat");
}

TEST(Plan, RelativePathsAreTakenInTheTargetFolder) {
    PlanRun r;
    ::mkdir(r.target.c_str(), 0777);
    PackPaths src = WritePack(r.game + "/MENU.fat", Entries({{"a.txt", "first"}, {"b.txt", "second"}}));
    WriteFile(r.target + "/edit.txt", "edited");
    WriteFile(r.dir / "up.txt", "second");
    r.Log({"#Format: FAT", "#Source: ../game/MENU.fat", "edit.txt", "../up.txt"});
    std::vector<PackPlan> plan = r.PlanThenInsert();
    ASSERT_EQ(plan.size(), 1u);
    EXPECT_EQ(States(plan[0]), (std::vector<EntryState>{EntryState::Changed, EntryState::Same}));
    EXPECT_EQ(plan[0].sourceIndex, "../game/MENU.fat");

    // A message names a path as the log writes it.
    ::unlink(src.Data.c_str());
    plan = r.PlanThenInsert();
    ASSERT_TRUE(PlanRefused(plan));
    EXPECT_EQ(plan.back().refusal, "Cannot open file ../game/MENU.mix");
}

TEST(Plan, FailuresBeforeAnyPackAreErrors) {
    PlanRun r;
    EXPECT_EQ(ErrorOf([&] { PlanLog(r.ctx, r.dir / "no.log", r.target); }), "Cannot open file " + r.dir / "no.log");
    WriteFile(r.dir / "file", "");
    r.Log({});
    EXPECT_EQ(ErrorOf([&] { PlanLog(r.ctx, r.log, r.dir / "file"); }), "Cannot open file " + r.dir / "file");
    EXPECT_EQ(ErrorOf([&] { PlanLog(r.ctx, r.log, r.dir / "file/sub"); }),
              "Cannot open file " + r.dir / "file/sub");
    EXPECT_FALSE(FileExists(r.target));
}

TEST(Plan, AHeldEntryFileIsRefusedAsInsertionRefusesIt) {
    PlanRun r;
    PackPaths src = WritePack(r.game + "/MENU.fat", Entries({{"a.txt", "first"}}));
    WriteFile(r.dir / "edit.txt", "edit");
    r.Log({"#Format: FAT", "#Source: " + src.Index, r.dir / "edit.txt"});
    File held = OpenReadWriteNotShared(r.dir / "edit.txt");
    std::vector<PackPlan> plan = r.PlanThenInsert();
    ASSERT_TRUE(PlanRefused(plan));
    EXPECT_EQ(plan.back().refusal, "Cannot open file " + r.dir / "edit.txt");
}

TEST(Plan, FoldersAndPacksTheRunMakesFirst) {
    // An entry line naming the target folder that insertion creates.
    PlanRun r;
    PackPaths src = WritePack(r.game + "/MENU.fat", Entries({{"a.txt", "first"}}));
    r.Log({"#Format: FAT", "#Source: " + src.Index, "."});
    std::vector<PackPlan> plan = r.PlanThenInsert();
    ASSERT_TRUE(PlanRefused(plan));
    EXPECT_EQ(plan.back().refusal, "Cannot open file .");

    // A later block takes the new data file of an earlier one as an entry:
    // planned as changed, with the size the earlier pack will have.
    PlanRun two;
    PackPaths a = WritePack(two.game + "/A.fat", Entries({{"a.txt", Bytes(5000, 1)}}));
    PackPaths b = WritePack(two.dir / "B.fat", Entries({{"b.txt", "b"}}));
    two.Log({"#Format: FAT", "#Source: " + a.Index, "NULL", "#Format: FAT", "#Source: " + b.Index, "A.mix"});
    plan = two.PlanThenInsert();
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[1].entries[0].state, EntryState::Changed);
    EXPECT_EQ(plan[1].entries[0].newSize, 3 * 2048);

    // ... or its new index as a source: refused as insertion refuses it.
    PlanRun again;
    a = WritePack(again.game + "/A.fat", Entries({{"a.txt", "a"}}));
    again.Log({"#Format: FAT", "#Source: " + a.Index, "NULL", "#Format: FAT", "#Source: A.fat", "NULL"});
    plan = again.PlanThenInsert();
    ASSERT_TRUE(PlanRefused(plan));
    EXPECT_EQ(plan.back().refusal, "Cannot create file " + again.target + "/A.mix");
}

TEST(Plan, SeveralLogsAsOneRun) {
    PlanRun r;
    PackPaths a = WritePack(r.game + "/A.fat", Entries({{"a.txt", "a"}}));
    WriteFile(r.dir / "first.log", Join({"#Format: FAT", "#Source: " + a.Index, "NULL"}));
    r.Log({"#Format: FAT", "#Source: A.fat", "NULL"});
    std::string error;
    std::vector<PackPlan> plan = PlanLogs(r.ctx, {r.dir / "first.log", r.log}, r.target, error);
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(error, "Cannot create file " + r.target + "/A.mix");
    EXPECT_EQ(ErrorOf([&] { RunList(r.ctx, {r.dir / "first.log", r.log}, KindLogs, "", r.target); }), error);
    plan = PlanLogs(r.ctx, {r.dir / "first.log", r.dir / "none.log"}, r.target, error);
    EXPECT_EQ(plan.size(), 1u);
    EXPECT_EQ(error, "Cannot open file " + r.dir / "none.log");
}
