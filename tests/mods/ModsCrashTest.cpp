// Deployments killed (SIGKILL, in a child process) at every moment the
// engine's hooks name and at random moments: the next session finishes or
// undoes the deployment, so that every pack holds the earlier deployment or
// every pack the new one, and a restore then gives the game's very files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "core/PairCommit.h"
#include "mods/ModsFixture.h"
#include "packs/mods/DeployJournal.h"

using namespace pw;
using namespace pw::mods;
using namespace pwtest;

namespace {

int killAt = 0, calls = 0;
void CountDeploy(DeployMoment, size_t) {
    if (++calls == killAt) ::raise(SIGKILL);
}
void CountCommit(CommitStep) {
    if (++calls == killAt) ::raise(SIGKILL);
}

struct Sweep : ModsWork {
    std::map<std::string, std::string> vanilla, earlier, next;
    std::vector<FileStamp> stamps;
    std::vector<std::string> first, second;

    Sweep() {
        vanilla = Packs();
        stamps = Stamps();
        // The first list changes MENU; the second changes MENU otherwise,
        // SOUND too, so that the switch moves both packs at once.
        const std::string a = MakePatch("a", {{"MENU", {{0, "menu by a"}, {3, Bytes(300000, 9)}}}});
        const std::string b = MakePatch("b", {{"MENU", {{1, Bytes(4000, 3)}}}, {"SOUND", {{3, Bytes(250000, 4)}}}});
        first = {a};
        second = {b};
        EXPECT_EQ(Deploy(second), "");
        next = Packs();
        EXPECT_EQ(Deploy(first), "");
        earlier = Packs();
    }

    // Deploys the second list in a child that `arm` prepares for its end:
    // 128 + a signal, or its exit status.
    int DeployInChild(const std::function<void()>& arm, int killAfterMicroseconds = -1) {
        pid_t child = ::fork();
        if (child == 0) {
            arm();
            ::_exit(Deploy(second).empty() ? 0 : 1);
        }
        if (killAfterMicroseconds >= 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(killAfterMicroseconds));
            ::kill(child, SIGKILL);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    }

    // After a kill: the next session recovers to one whole deployment, a
    // restore gives the game's own files, and the first list goes back.
    void Check(const std::string& when) {
        SCOPED_TRACE(when);
        {
            ModsSession session(game);
            const auto now = Packs();
            EXPECT_TRUE(now == earlier || now == next);
            EXPECT_TRUE(session.Status().Ok());
        }
        EXPECT_EQ(Deploy({}), "");
        EXPECT_EQ(Packs(), vanilla);
        EXPECT_EQ(Stamps(), stamps);
        EXPECT_EQ(Files(), (std::vector<std::string>{"MENU.fat", "MENU.mix", "SOUND.fat", "SOUND.mix"}));
        EXPECT_EQ(Deploy(first), "");
    }
};

} // namespace

TEST(ModsCrash, KilledAtEveryStepOfADeployment) {
    Sweep s;
    for (auto arm : {+[] { SetDeployHook(CountDeploy); }, +[] { SetCommitHook(CountCommit); }}) {
        for (killAt = 1;; ++killAt) {
            const int end = s.DeployInChild([arm] {
                calls = 0;
                arm();
            });
            if (end == 0) break; // past the last step
            ASSERT_EQ(end, 128 + SIGKILL);
            s.Check("killed at step " + std::to_string(killAt));
        }
        EXPECT_GT(killAt, 4);
        EXPECT_EQ(s.Packs(), s.next);
        EXPECT_EQ(s.Deploy(s.first), "");
    }
}

TEST(ModsCrash, KilledAtRandomMoments) {
    Sweep s;
    // How long an undisturbed deployment takes, to spread the kills over it.
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(s.DeployInChild([] {}), 0);
    const int span = int(std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                                started).count());
    ASSERT_EQ(s.Deploy(s.first), "");
    std::mt19937 random(24);
    for (int i = 0; i < 16; ++i) {
        const int at = int(random() % unsigned(span + 1));
        const int end = s.DeployInChild([] {}, at);
        EXPECT_TRUE(end == 0 || end == 128 + SIGKILL);
        s.Check("killed after " + std::to_string(at) + " us");
    }
}

TEST(ModsCrash, AFullDiskLeavesTheEarlierDeployment) {
    Sweep s;
    // The new packs cannot be written past 100,000 bytes: the disk is full.
    std::string message;
    const int end = s.DeployInChild([&s] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100000, 100000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::string error = s.Deploy(s.second);
        ::_exit(error.find("Stream write error") == 0 &&
                        error.ends_with("Nothing was deployed: the game's folder is as it was")
                    ? 3
                    : 4);
    });
    EXPECT_EQ(end, 3);
    EXPECT_EQ(s.Packs(), s.earlier);
    EXPECT_EQ(ListTree(s.game + "/.packwright/stage"), std::vector<std::string>{});
    s.Check("after a full disk");
}
