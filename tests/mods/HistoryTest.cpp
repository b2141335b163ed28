// The history of deployments and the store of their patches: a revert
// after the downloads are gone, what --keep may delete, and the search for
// the mod that breaks the game, killed mid-step too.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/FileSync.h"
#include "mods/ModsFixture.h"
#include "packs/mods/Bisect.h"
#include "packs/mods/DeployJournal.h"

using namespace pw;
using namespace pw::mods;
using namespace pwtest;

namespace {

std::string Revert(ModsWork& w, uint64_t id) {
    return ErrorOf([&] {
        ModsSession s(w.game);
        DeployOptions o;
        const DeployPlan plan = s.PlanRecord(ReadHistoryRecord(s.Game(), id), o);
        s.Deploy(w.ctx, plan, o);
    });
}

size_t Stored(const ModsWork& w) { return ListTree(w.game + "/.packwright/store").size(); }

// Nine mods, each changing an entry of its own.
std::vector<std::string> NineMods(ModsWork& w) {
    std::vector<std::string> mods;
    for (size_t k = 0; k < 9; ++k)
        mods.push_back(w.MakePatch("m" + std::to_string(k), {{k < 5 ? "MENU" : "SOUND", {{k % 5, "mod " + std::to_string(k)}}}}));
    return mods;
}

int killAt = 0, calls = 0;
void KillAt(DeployMoment, size_t) {
    if (++calls == killAt) ::raise(SIGKILL);
}

} // namespace

TEST(ModsHistory, ARevertBringsBackDeletedPatchesByteForByte) {
    ModsWork w;
    const std::string a = w.MakePatch("a", {{"MENU", {{0, "menu by a"}}}});
    const std::string b = w.MakePatch("b", {{"SOUND", {{3, Bytes(5000, 7)}}}});
    ASSERT_EQ(w.Deploy({a, b}, {.preferLater = true}), "");
    const auto both = w.Packs();
    ASSERT_EQ(w.Deploy({b}), "");
    ASSERT_EQ(w.Deploy({a, b}, {.preferLater = true}), ""); // each patch stored once
    EXPECT_EQ(Stored(w), 2u);
    ASSERT_EQ(w.Deploy({}), "");
    // One download rewritten in place (as cp does), the other deleted.
    const std::string bytesOfA = ReadFile(a);
    WriteFile(a, ReadFile(b));
    RemovePath(b);
    ASSERT_EQ(Revert(w, 1), "");
    WriteFile(a, bytesOfA);
    EXPECT_EQ(w.Packs(), both);
    ModsSession s(w.game);
    EXPECT_EQ(s.Current(), 5u);
    EXPECT_TRUE(s.Deployed().preferLater);
    EXPECT_EQ(s.Deployed().mods[0].path, a);
    EXPECT_TRUE(s.Verify(w.ctx).empty());
    const std::vector<HistoryRecord> history = ReadHistory(s.Game());
    ASSERT_EQ(history.size(), 5u);
    EXPECT_TRUE(history[1].mods.empty()); // the restore
    EXPECT_EQ(history[2].packs.size(), 2u);
}

TEST(ModsHistory, KeepNeverDeletesAPatchAKeptDeploymentNeeds) {
    ModsWork w;
    const std::string a = w.MakePatch("a", {{"MENU", {{0, "menu by a"}}}});
    const std::string b = w.MakePatch("b", {{"MENU", {{1, "logo by b"}}}});
    const std::string c = w.MakePatch("c", {{"SOUND", {{0, "sound by c"}}}});
    for (const auto& list : {std::vector<std::string>{a, b}, {c}, {b}, {a}}) ASSERT_EQ(w.Deploy(list), "");
    const auto withC = [&] {
        EXPECT_EQ(Revert(w, 2), "");
        return w.Packs();
    }();
    ASSERT_EQ(Revert(w, 4), ""); // 6: the current one, as 4 was
    {
        ModsSession s(w.game);
        EXPECT_EQ(KeepHistory(s.Game(), SIZE_MAX, {}).records, 0u); // keeps all, however many
        // The newest two (5: c, 6: a, the current one) stay; b goes with
        // the records that named it.
        const Pruned pruned = KeepHistory(s.Game(), 2, {s.Current()});
        EXPECT_EQ(pruned.records, 4u);
        EXPECT_EQ(pruned.patches, 1u);
        EXPECT_EQ(HistoryIds(s.Game()), (std::vector<uint64_t>{5, 6}));
    }
    EXPECT_EQ(Stored(w), 2u);
    RemovePath(a);
    RemovePath(c);
    ASSERT_EQ(Revert(w, 5), ""); // c's deployment again, from the store
    EXPECT_EQ(w.Packs(), withC);
    EXPECT_NE(Revert(w, 3).find("No deployment 3 is recorded"), std::string::npos);
    ASSERT_EQ(w.Deploy({}), "");
    {
        ModsSession s(w.game);
        KeepHistory(s.Game(), 0, {s.Current()});
    }
    EXPECT_FALSE(NamePresent(w.G(".packwright")));
}

TEST(ModsHistory, BisectFindsAPlantedCulpritAndEndsWhereItStarted) {
    for (size_t culprit : {0u, 5u, 8u}) {
        SCOPED_TRACE(culprit);
        ModsWork w;
        const std::vector<std::string> mods = NineMods(w);
        ASSERT_EQ(w.Deploy(mods), "");
        const auto started = w.Packs();
        auto breaks = [&](const BisectView& v) {
            for (const HistoryMod* m : v.In())
                if (m->path == mods[culprit]) return true;
            return false;
        };
        BisectView view = [&] {
            ModsSession s(w.game);
            return BisectStart(s, w.ctx, {});
        }();
        size_t answers = 0;
        while (!view.found) {
            ASSERT_LT(answers++, 5u);
            ModsSession s(w.game);
            EXPECT_EQ(s.Deployed().mods.size(), 9 - view.state.out.size());
            view = BisectAnswer(s, w.ctx, {}, !breaks(view));
        }
        EXPECT_EQ(view.Suspects()[0]->path, mods[culprit]);
        EXPECT_LE(view.state.steps, 5u);
        EXPECT_EQ(w.Packs(), started);
        ModsSession s(w.game);
        EXPECT_EQ(BisectStatus(s).state.start, 0u);
        EXPECT_EQ(s.Deployed().mods.size(), 9u);
        // A sealed record naming a mod the start does not have is damaged.
        const std::string record = w.G(".packwright/bisect");
        WriteFile(record, SealedText("bisect", "{\"start\":" + std::to_string(s.Current()) +
                                                   ",\"steps\":1,\"suspects\":[9],\"out\":[]}\n"));
        EXPECT_EQ(ErrorOf([&] { BisectStatus(s); }), "Damaged search record " + record);
    }
}

TEST(ModsHistory, AKillDuringABisectStepLeavesAWholeDeployment) {
    ModsWork w;
    ASSERT_EQ(w.Deploy(NineMods(w)), "");
    const auto started = w.Packs();
    for (killAt = 1;; ++killAt) {
        const pid_t child = ::fork();
        if (child == 0) {
            calls = 0;
            SetDeployHook(KillAt);
            ModsSession s(w.game);
            BisectStart(s, w.ctx, {});
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ModsSession s(w.game);
        EXPECT_TRUE(s.Status().Ok());
        EXPECT_TRUE(s.Verify(w.ctx).empty()) << killAt;
        if (BisectStatus(s).state.start != 0) {
            // The answer to a step that did not get deployed deploys it first.
            const BisectView v = BisectAnswer(s, w.ctx, {}, true);
            EXPECT_EQ(s.Deployed().mods.size(), v.In().size());
            BisectReset(s, w.ctx, {});
        }
        EXPECT_EQ(w.Packs(), started);
        if (WIFEXITED(status)) break;
    }
    EXPECT_GT(killAt, 4);
}
