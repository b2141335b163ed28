// A rebuild killed at every stage (SIGKILL in a child process, through the
// engine's test hooks) over an earlier pack of the same name. Right after a
// kill the two target names hold the earlier pair or the new one, byte for
// byte, except between the commit's two renames, where the journal says so;
// once the pack has been opened or its folder written to again, they hold
// one whole pair and nothing else is left in the folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "core/Error.h"
#include "core/PairCommit.h"
#include "core/PendingFile.h"
#include "packs/Formathandlers.h"
#include "packs/PackFixtures.h"
#include "packs/PackReader.h"
#include "packs/Verify.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

CommitStep killStep;
void KillAtStep(CommitStep step) {
    if (step == killStep) ::raise(SIGKILL);
}

struct Pair {
    std::string Index, Data;
    bool operator==(const Pair&) const = default;
};

struct Sweep : RunFolders {
    PackPaths src;
    Lines entryLines;
    Pair earlier, fresh;

    Sweep() {
        PackDesign pack;
        for (unsigned k = 0; k < 24; ++k) {
            size_t size = k % 7 == 3 ? 300000 + k : 100 + 900 * k; // some take the kernel's copy
            pack.Entries.push_back({"e" + std::to_string(k) + ".bin", Bytes(size, k + 1)});
        }
        src = WritePack(game + "/MENU.fat", pack);
        for (unsigned k = 0; k < 24; ++k) {
            if (k % 3 != 0) {
                entryLines.push_back("NULL");
                continue;
            }
            const std::string edit = dir / ("edit" + std::to_string(k));
            WriteFile(edit, Bytes(5000 + k, 100 + k));
            entryLines.push_back(edit);
        }
        // The new pair, as an undisturbed rebuild writes it.
        TempDir ref;
        EXPECT_EQ(Rebuild(ref.Path()), "");
        fresh = {ReadFile(ref / "MENU.fat"), ReadFile(ref / "MENU.mix")};
        PackDesign old;
        old.Entries = {{"old.txt", "the earlier pack"}, {"old2.bin", Bytes(7000, 9)}};
        WritePack(out + "/MENU.fat", old);
        earlier = Current();
    }

    // Rebuilds the pack into `folder`, the run prepared by `arm`: "" or the
    // error's message.
    std::string Rebuild(const std::string& folder, const std::function<void(RunContext&)>& arm = {}) {
        RecordingStatus status;
        RunContext run(status);
        run.TargetDir = folder;
        SetLogBlock(run, src.Index, entryLines);
        if (arm) arm(run);
        return ErrorOf([&] { RebuildPack(run, folder + "/MENU.fat", 1); });
    }

    // Rebuilds into out/ in a child that `arm` prepares for its crash; the
    // child's end: 128 + a signal, or its exit status.
    int RebuildInChild(const std::function<void(RunContext&)>& arm, bool unnamed = true) {
        pid_t child = ::fork();
        if (child == 0) {
            PendingFile::RefuseUnnamedFiles(!unnamed);
            ::_exit(Rebuild(out, arm).empty() ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    }

    Pair Current() {
        return {FileExists(out + "/MENU.fat") ? ReadFile(out + "/MENU.fat") : "",
                FileExists(out + "/MENU.mix") ? ReadFile(out + "/MENU.mix") : ""};
    }

    // The state right after a kill, then after what the next run does.
    void CheckAfterKill(const std::string& when) {
        SCOPED_TRACE(when);
        Pair now = Current();
        const bool whole = now == earlier || now == fresh;
        if (!whole) {
            // Only between the two renames: the new data beside the earlier
            // index, and a journal that says the commit is unfinished.
            EXPECT_EQ(now, (Pair{earlier.Index, fresh.Data}));
            EXPECT_TRUE(HasInterruptedCommit(out + "/MENU.fat"));
        }
        // Whoever opens the pack next finishes the commit first.
        FinishInterruptedCommit(out + "/MENU.fat");
        now = Current();
        EXPECT_TRUE(now == earlier || now == fresh);
        EXPECT_FALSE(HasInterruptedCommit(out + "/MENU.fat"));
        // The next write into the folder clears what is left.
        RemoveLeftovers(out + "/");
        EXPECT_EQ(ListTree(out), (Lines{"MENU.fat", "MENU.mix"}));
        EXPECT_EQ(Current(), now);
    }

    void ResetToEarlier() {
        WriteFile(out + "/MENU.fat", earlier.Index);
        WriteFile(out + "/MENU.mix", earlier.Data);
    }
};

void SweepKills(bool unnamed) {
    Sweep s;
    // Kills while the entries are written.
    for (size_t at : {size_t(0), size_t(1), size_t(3), size_t(12), size_t(23)}) {
        EXPECT_EQ(s.RebuildInChild([at](RunContext& run) {
            run.AfterRebuildEntry = [at](size_t k) {
                if (k == at) ::raise(SIGKILL);
            };
        }, unnamed), 128 + SIGKILL);
        // Unnamed files vanish with their writer; only the journal, empty,
        // and in the fallback the named temporary data file stay behind.
        Lines left = ListTree(s.out);
        ASSERT_EQ(left.size(), unnamed ? 3u : 4u);
        EXPECT_EQ(std::count(left.begin(), left.end(), ".MENU.packwright-commit"), 1);
        EXPECT_EQ(std::count_if(left.begin(), left.end(), PendingFile::IsTemporaryName), unnamed ? 0 : 1);
        s.CheckAfterKill("killed after entry " + std::to_string(at));
        EXPECT_EQ(s.Current(), s.earlier);
        s.ResetToEarlier();
    }
    // Kills at each step of the commit.
    for (CommitStep step : {CommitStep::DataStaged, CommitStep::IndexStaged, CommitStep::Recorded,
                            CommitStep::DataRenamed, CommitStep::IndexRenamed, CommitStep::Finished}) {
        killStep = step;
        EXPECT_EQ(s.RebuildInChild([](RunContext&) { SetCommitHook(KillAtStep); }, unnamed), 128 + SIGKILL);
        s.CheckAfterKill("killed at commit step " + std::to_string(int(step)));
        // Until the record is written the earlier pair stands; from then on the new one.
        EXPECT_EQ(s.Current(), step < CommitStep::Recorded ? s.earlier : s.fresh);
        s.ResetToEarlier();
    }
    // One more run after a kill leaves exactly the new pack.
    EXPECT_EQ(s.RebuildInChild([](RunContext& run) {
        run.AfterRebuildEntry = [](size_t k) {
            if (k == 5) ::raise(SIGKILL);
        };
    }, unnamed), 128 + SIGKILL);
    EXPECT_EQ(s.RebuildInChild([](RunContext&) {}, unnamed), 0);
    EXPECT_EQ(s.Current(), s.fresh);
    EXPECT_EQ(ListTree(s.out), (Lines{"MENU.fat", "MENU.mix"}));
}

} // namespace

TEST(CrashSweep, KilledAtAnyStageLeavesOneWholePair) { SweepKills(true); }

TEST(CrashSweep, NamedTemporaryFilesKeepEveryGuarantee) { SweepKills(false); }

TEST(CrashSweep, CrashBetweenTheRenamesIsFinishedByTheNextRun) {
    Sweep s;
    killStep = CommitStep::DataRenamed;
    EXPECT_EQ(s.RebuildInChild([](RunContext&) { SetCommitHook(KillAtStep); }), 128 + SIGKILL);
    EXPECT_EQ(s.Current(), (Pair{s.earlier.Index, s.fresh.Data}));
    EXPECT_TRUE(HasInterruptedCommit(s.out + "/MENU.fat"));
    // The next run crashes too, while it finishes that commit.
    killStep = CommitStep::RecoveryRenamed;
    EXPECT_EQ(s.RebuildInChild([](RunContext&) { SetCommitHook(KillAtStep); }), 128 + SIGKILL);
    EXPECT_TRUE(HasInterruptedCommit(s.out + "/MENU.fat"));
    // And the one after that leaves the new pair alone.
    EXPECT_EQ(s.RebuildInChild([](RunContext&) {}), 0);
    EXPECT_EQ(s.Current(), s.fresh);
    EXPECT_EQ(ListTree(s.out), (Lines{"MENU.fat", "MENU.mix"}));
}

TEST(CrashSweep, ExtractionFinishesAnInterruptedCommitBeforeReading) {
    Sweep s;
    killStep = CommitStep::DataRenamed;
    EXPECT_EQ(s.RebuildInChild([](RunContext&) { SetCommitHook(KillAtStep); }), 128 + SIGKILL);
    s.ctx.TargetDir = s.dir / "x";
    ::mkdir(s.ctx.TargetDir.c_str(), 0777);
    ASSERT_EQ(ErrorOf([&] { ExtractPack(s.ctx, s.out + "/MENU.fat"); }), "");
    EXPECT_EQ(s.Current(), s.fresh);
    EXPECT_EQ(s.ctx.ResultLines.size(), 24u);
}

TEST(CrashSweep, VerificationTellsAnUnfinishedCommit) {
    Sweep s;
    killStep = CommitStep::DataRenamed;
    EXPECT_EQ(s.RebuildInChild([](RunContext&) { SetCommitHook(KillAtStep); }), 128 + SIGKILL);
    Verification v = VerifyPack(s.out + "/MENU.fat");
    EXPECT_FALSE(v.Sound());
    ASSERT_FALSE(v.findings.empty());
    EXPECT_EQ(v.findings[0].kind, FindingKind::IndexDataMismatch);
    EXPECT_NE(v.findings[0].text.find("a rebuild was killed"), std::string::npos);
    EXPECT_EQ(s.Current(), (Pair{s.earlier.Index, s.fresh.Data})); // verification changes nothing
    FinishInterruptedCommit(s.out + "/MENU.fat");
    EXPECT_TRUE(VerifyPack(s.out + "/MENU.fat").Sound());
}

namespace {

std::vector<std::string> notices;
void KeepNotice(const std::string& text) { notices.push_back(text); }

} // namespace

// A kill between the renames, then the user puts a backup of the earlier
// pack back over both names (written over the files in place, or as new
// files): the next run that opens the pack must not roll the commit forward
// over that backup, on either file layer, and says once that it dropped it.
TEST(CrashSweep, RecoveryNeverWritesOverAPackPutBackAfterTheKill) {
    for (bool unnamed : {true, false}) {
        for (bool inPlace : {true, false}) {
            SCOPED_TRACE(std::string(unnamed ? "unnamed" : "named") + (inPlace ? ", in place" : ", new files"));
            Sweep s;
            killStep = CommitStep::DataRenamed;
            EXPECT_EQ(s.RebuildInChild([](RunContext&) { SetCommitHook(KillAtStep); }, unnamed), 128 + SIGKILL);
            ASSERT_EQ(s.Current(), (Pair{s.earlier.Index, s.fresh.Data}));
            if (!inPlace) {
                RemovePath(s.out + "/MENU.fat");
                RemovePath(s.out + "/MENU.mix");
            }
            s.ResetToEarlier();
            notices.clear();
            SetNoticeSink(KeepNotice);
            PackReader reader(s.out + "/MENU.fat"); // as `cat` opens it
            SetNoticeSink(nullptr);
            EXPECT_EQ(s.Current(), s.earlier);
            EXPECT_EQ(reader.Index().Count(), 2u);
            EXPECT_EQ(ListTree(s.out), (Lines{"MENU.fat", "MENU.mix"}));
            EXPECT_EQ(notices, Lines{s.out + "/MENU.fat was replaced after an unfinished commit; the commit was dropped"});
        }
    }
}

// Before either rename the staged pair waits beside the earlier one; a data
// file replaced by another program then is left alone too, while a journal
// whose names still hold what the commit left is finished as before.
TEST(CrashSweep, RecoveryFinishesOnlyWhatTheCommitLeft) {
    Sweep s;
    killStep = CommitStep::Recorded;
    EXPECT_EQ(s.RebuildInChild([](RunContext&) { SetCommitHook(KillAtStep); }), 128 + SIGKILL);
    WriteFile(s.out + "/MENU.mix", "another program's data file");
    notices.clear();
    SetNoticeSink(KeepNotice);
    FinishInterruptedCommit(s.out + "/MENU.fat");
    SetNoticeSink(nullptr);
    EXPECT_EQ(s.Current(), (Pair{s.earlier.Index, "another program's data file"}));
    EXPECT_EQ(ListTree(s.out), (Lines{"MENU.fat", "MENU.mix"}));
    EXPECT_EQ(notices.size(), 1u);

    s.ResetToEarlier();
    EXPECT_EQ(s.RebuildInChild([](RunContext&) { SetCommitHook(KillAtStep); }), 128 + SIGKILL);
    notices.clear();
    SetNoticeSink(KeepNotice);
    FinishInterruptedCommit(s.out + "/MENU.fat");
    SetNoticeSink(nullptr);
    EXPECT_EQ(s.Current(), s.fresh);
    EXPECT_TRUE(notices.empty());
}
