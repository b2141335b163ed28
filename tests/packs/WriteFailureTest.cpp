// A write that the file system refuses ("Stream write error"), made with a
// file-size limit in a child process: the failed output leaves no partial
// or temporary file, and an earlier pack stays as it was.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "packs/Formathandlers.h"
#include "packs/PackFixtures.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

// Runs `work` in a child whose files may not grow beyond `limit` bytes and
// returns the message of the error it ended with ("" when none).
std::string MessageUnderSizeLimit(rlim_t limit, const std::function<void()>& work) {
    int fds[2];
    if (::pipe(fds) != 0) return "pipe failed";
    pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit r{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &r);
        const std::string message = ErrorOf(work);
        (void)!::write(fds[1], message.data(), message.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string message;
    char buf[512];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0) message.append(buf, size_t(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "child failed";
    return message;
}

struct Packs : RunFolders {
    PackDesign pack;
    PackPaths src;
    Packs() {
        pack.Entries = {{"a.txt", "small"}, {"b.bin", Bytes(10000, 3)}, {"c.txt", "after"}};
        src = WritePack(game + "/MENU.fat", pack);
    }
};

} // namespace

TEST(WriteFailure, ExtractionRemovesThePartialEntryFile) {
    Packs p;
    std::string message = MessageUnderSizeLimit(4096, [&] {
        PlainStatus status;
        RunContext ctx(status);
        ctx.TargetDir = p.out;
        ExtractPack(ctx, p.src.Index);
    });
    EXPECT_EQ(message, "Stream write error");
    EXPECT_EQ(ListTree(p.out), (Lines{"MENU/", "MENU/BIN/", "MENU/TXT/", "MENU/TXT/00000000.txt"}));
}

TEST(WriteFailure, RebuildKeepsTheEarlierPack) {
    Packs p;
    WriteFile(p.out + "/MENU.fat", "old index");
    WriteFile(p.out + "/MENU.mix", "old data");
    std::string message = MessageUnderSizeLimit(8192, [&] {
        PlainStatus status;
        RunContext ctx(status);
        ctx.TargetDir = p.out;
        ctx.SourcePackPath = p.src.Index;
        ctx.LogLines = {"#Source: x", "NULL", "NULL", "NULL"};
        RebuildPack(ctx, p.out + "/MENU.fat", 1);
    });
    EXPECT_EQ(message, "Stream write error");
    EXPECT_EQ(ListTree(p.out), (Lines{"MENU.fat", "MENU.mix"}));
    EXPECT_EQ(ReadFile(p.out + "/MENU.fat"), "old index");
    EXPECT_EQ(ReadFile(p.out + "/MENU.mix"), "old data");
    // Without the limit the same rebuild succeeds.
    EXPECT_EQ(MessageUnderSizeLimit(RLIM_INFINITY, [&] {
                  PlainStatus status;
                  RunContext ctx(status);
                  ctx.SourcePackPath = p.src.Index;
                  ctx.LogLines = {"#Source: x", "NULL", "NULL", "NULL"};
                  RebuildPack(ctx, p.out + "/MENU.fat", 1);
              }),
              "");
    EXPECT_EQ(ReadPack(p.out + "/MENU.fat").EntryData(1), p.pack.Entries[1].Data);
}

TEST(WriteFailure, PaddingThatCannotBeWritten) {
    // The entry fits under the limit; its padding to the block does not.
    Packs p;
    std::string message = MessageUnderSizeLimit(2000, [&] {
        PlainStatus status;
        RunContext ctx(status);
        ctx.SourcePackPath = p.src.Index;
        ctx.LogLines = {"#Source: x", "NULL", "NULL", "NULL"};
        RebuildPack(ctx, p.out + "/MENU.fat", 1);
    });
    EXPECT_EQ(message, "Stream write error");
    EXPECT_TRUE(ListTree(p.out).empty());
}
