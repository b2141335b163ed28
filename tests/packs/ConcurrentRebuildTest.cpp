// Two rebuilds of one pack into one folder at the same time: the pack's
// journal lets one through; the other waits for it a moment and is then
// refused ("Cannot create file"), so the folder ends with one whole pair,
// never a mix of the two.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "packs/Formathandlers.h"
#include "packs/PackFixtures.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

struct TwoSources : RunFolders {
    PackPaths a, b;
    TwoSources() {
        PackDesign pa, pb;
        for (unsigned k = 0; k < 40; ++k) {
            pa.Entries.push_back({"a" + std::to_string(k), Bytes(3000 + 500 * k, k + 1)});
            pb.Entries.push_back({"b" + std::to_string(k), Bytes(9000 + 100 * k, k + 50)});
        }
        ::mkdir((game + "/a").c_str(), 0777);
        ::mkdir((game + "/b").c_str(), 0777);
        a = WritePack(game + "/a/MENU.fat", pa);
        b = WritePack(game + "/b/MENU.fat", pb);
    }

    // Rebuilds `source` unchanged into `folder`: "" or the error's message.
    static std::string Rebuild(const PackPaths& source, const std::string& folder,
                               std::function<void(size_t)> hook = {}) {
        RecordingStatus status;
        RunContext run(status);
        run.TargetDir = folder;
        SetLogBlock(run, source.Index, Lines(40, "NULL"));
        run.AfterRebuildEntry = std::move(hook);
        return ErrorOf([&] { RebuildPack(run, folder + "/MENU.fat", 1); });
    }

    std::string Pair(const std::string& folder) {
        return ReadFile(folder + "/MENU.fat") + "|" + ReadFile(folder + "/MENU.mix");
    }
};

// Runs `work` in a child; its error message comes back through a pipe.
struct Child {
    pid_t pid = -1;
    int fd = -1;
    Child(int startFd, const std::function<std::string()>& work) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            char go;
            (void)!::read(startFd, &go, 1); // all children start together
            const std::string message = work();
            (void)!::write(fds[1], message.data(), message.size());
            ::_exit(0);
        }
        ::close(fds[1]);
        fd = fds[0];
    }
    std::string Wait() {
        std::string message;
        char buf[512];
        ssize_t n;
        while ((n = ::read(fd, buf, sizeof buf)) > 0) message.append(buf, size_t(n));
        ::close(fd);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? message : "child failed";
    }
};

} // namespace

TEST(ConcurrentRebuild, ASecondWriterOfThePackIsRefused) {
    TwoSources t;
    std::string second = "not run";
    const std::string first = TwoSources::Rebuild(t.a, t.out, [&](size_t k) {
        if (k == 2) second = TwoSources::Rebuild(t.b, t.out);
    });
    EXPECT_EQ(first, "");
    EXPECT_EQ(second, "Cannot create file " + t.out + "/MENU.mix");
    TempDir ref;
    EXPECT_EQ(TwoSources::Rebuild(t.a, ref.Path()), "");
    EXPECT_EQ(t.Pair(t.out), t.Pair(ref.Path()));
    EXPECT_EQ(ListTree(t.out), (Lines{"MENU.fat", "MENU.mix"}));
}

TEST(ConcurrentRebuild, TwoProcessesAtOnceLeaveOneWholePair) {
    TwoSources t;
    TempDir refA, refB;
    ASSERT_EQ(TwoSources::Rebuild(t.a, refA.Path()), "");
    ASSERT_EQ(TwoSources::Rebuild(t.b, refB.Path()), "");
    const std::string pairA = t.Pair(refA.Path()), pairB = t.Pair(refB.Path());
    const std::string refused = "Cannot create file " + t.out + "/MENU.mix";
    // 15 ms an entry: each run holds the pack longer than a second writer
    // waits for it (half a second), so one of the two is refused.
    auto slow = [](size_t) { ::usleep(15000); };
    int refusals = 0;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        int start[2];
        ASSERT_EQ(::pipe(start), 0);
        Child ca(start[0], [&] { return TwoSources::Rebuild(t.a, t.out, slow); });
        Child cb(start[0], [&] { return TwoSources::Rebuild(t.b, t.out, slow); });
        ASSERT_EQ(::write(start[1], "go", 2), 2); // a byte each: both start now
        ::close(start[0]);
        ::close(start[1]);
        const std::string ea = ca.Wait(), eb = cb.Wait();
        EXPECT_TRUE(ea == "" || ea == refused) << ea;
        EXPECT_TRUE(eb == "" || eb == refused) << eb;
        EXPECT_TRUE(ea == "" || eb == "");
        refusals += (ea == refused) + (eb == refused);
        const std::string now = t.Pair(t.out);
        EXPECT_TRUE(now == pairA || now == pairB);
        if (eb == refused) {
            EXPECT_EQ(now, pairA);
        }
        if (ea == refused) {
            EXPECT_EQ(now, pairB);
        }
        EXPECT_EQ(ListTree(t.out), (Lines{"MENU.fat", "MENU.mix"}));
    }
    EXPECT_GT(refusals, 0);
}
