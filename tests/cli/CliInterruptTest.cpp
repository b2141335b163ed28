// Ctrl-C stops a run cleanly: status 130, finished packs kept, the
// unfinished one left out, no temporary file. To stop at a known point the
// second input is a FIFO: the tool blocks reading it, the test sends SIGINT
// while it waits there, and only then lets it read on.
//
// The progress bar is drawn only on a terminal, and --quiet silences it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>

#include "cli/CliRunner.h"

using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

// Opens the FIFO for writing once `cli` has opened it for reading; -1 when
// the tool ended before it did.
int OpenWhenReaderWaits(CliProcess& cli, const std::string& fifo) {
    for (;;) {
        int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            ::fcntl(fd, F_SETFL, 0);
            return fd;
        }
        if (errno != ENXIO || cli.Ended()) return -1;
        ::usleep(1000);
    }
}

// Whether `pid` sits in an open (openat: 257 on x86_64, open: 2), as a
// reader of a FIFO without a writer does; waits up to ten seconds for it.
bool WaitUntilInOpen(pid_t pid) {
    for (int i = 0; i < 200; ++i) {
        std::ifstream call("/proc/" + std::to_string(pid) + "/syscall");
        std::string number;
        if (call >> number && (number == "257" || number == "2")) return true;
        ::usleep(50000);
    }
    return false;
}

void WriteAndClose(int fd, const std::string& bytes) {
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    ::close(fd);
}

PackDesign Entries(const std::string& tag) {
    PackDesign pack;
    pack.Entries = {{"a.txt", tag + " a"}, {"b.txt", tag + " b"}};
    return pack;
}

} // namespace

TEST(CliInterrupt, ExtractionKeepsOnlyFinishedPacks) {
    TempDir dir;
    PackPaths a = WritePack(dir / "A.fat", Entries("A"));
    PackPaths b = WritePack(dir / "B.fat", Entries("B"));
    const std::string bIndex = ReadFile(b.Index);
    ::unlink(b.Index.c_str());
    ASSERT_EQ(::mkfifo(b.Index.c_str(), 0666), 0);

    CliProcess cli({"extract", "--target", dir / "out", a.Index, b.Index});
    int fd = OpenWhenReaderWaits(cli, b.Index);
    ASSERT_GE(fd, 0) << cli.Wait().Err;
    ASSERT_GT(cli.Pid(), 0); // never kill(-1): that signals every process
    ASSERT_EQ(::kill(cli.Pid(), SIGINT), 0);
    WriteAndClose(fd, bIndex);
    CliResult r = cli.Wait();

    EXPECT_EQ(r.Exit, 130);
    EXPECT_EQ(r.Err, "packwright-cli: stopped\n");
    const std::string out = dir / "out";
    EXPECT_EQ(ReadFile(out + "/result.log"), "#Format: FAT\r\n#Source: " + a.Index + "\r\n" + out +
                                                 "/A/TXT/00000000.txt\r\n" + out + "/A/TXT/00000001.txt\r\n");
    EXPECT_EQ(ListTree(out), (Lines{"A/", "A/TXT/", "A/TXT/00000000.txt", "A/TXT/00000001.txt", "result.log"}));
}

TEST(CliInterrupt, InsertionLeavesNoUnfinishedPack) {
    TempDir dir;
    PackPaths a = WritePack(dir / "A.fat", Entries("A"));
    PackPaths b = WritePack(dir / "B.fat", Entries("B"));
    WriteFile(dir / "a.log", "#Format: FAT\r\n#Source: " + a.Index + "\r\nNULL\r\nNULL\r\n");
    ASSERT_EQ(::mkfifo((dir / "b.log").c_str(), 0666), 0);
    ::mkdir((dir / "out").c_str(), 0777);
    WriteFile(dir / "out/B.fat", "old index");

    CliProcess cli({"insert", "--target", dir / "out", dir / "a.log", dir / "b.log"});
    int fd = OpenWhenReaderWaits(cli, dir / "b.log");
    ASSERT_GE(fd, 0) << cli.Wait().Err;
    ASSERT_GT(cli.Pid(), 0); // never kill(-1): that signals every process
    ASSERT_EQ(::kill(cli.Pid(), SIGINT), 0);
    WriteAndClose(fd, "#Format: FAT\r\n#Source: " + b.Index + "\r\nNULL\r\nNULL\r\n");
    CliResult r = cli.Wait();

    EXPECT_EQ(r.Exit, 130);
    EXPECT_EQ(ListTree(dir / "out"), (Lines{"A.fat", "A.mix", "B.fat"}));
    EXPECT_EQ(ReadFile(dir / "out/B.fat"), "old index");
    EXPECT_EQ(ReadPack(dir / "out/A.fat").EntryData(1), "A b");
}

// A named pipe that no writer ever opens: the run waits for one, as a pipe
// asks, and Ctrl-C ends that wait as it ends any other.
TEST(CliInterrupt, CtrlCEndsTheWaitForAPipeThatHasNoWriter) {
    TempDir dir;
    PackPaths a = WritePack(dir / "A.fat", Entries("A"));
    WriteFile(dir / "a.log", "#Format: FAT\r\n#Source: " + a.Index + "\r\nNULL\r\nNULL\r\n");
    WritePack(dir / "B.fat", Entries("B"));
    ::unlink((dir / "B.fat").c_str());
    ASSERT_EQ(::mkfifo((dir / "B.fat").c_str(), 0666), 0);
    ASSERT_EQ(::mkfifo((dir / "b.log").c_str(), 0666), 0);
    for (const Lines& args : {Lines{"extract", "--target", dir / "x", a.Index, dir / "B.fat"},
                              Lines{"insert", "--target", dir / "y", dir / "a.log", dir / "b.log"}}) {
        SCOPED_TRACE(args[0]);
        CliProcess cli(args);
        ASSERT_GT(cli.Pid(), 0); // never kill(-1): that signals every process
        ASSERT_TRUE(WaitUntilInOpen(cli.Pid()));
        ::usleep(100000); // the open of the pipe it waits in, not an earlier one
        ASSERT_TRUE(WaitUntilInOpen(cli.Pid()));
        ASSERT_EQ(::kill(cli.Pid(), SIGINT), 0);
        for (int i = 0; i < 100 && !cli.Ended(); ++i) ::usleep(100000);
        if (!cli.Ended()) ::kill(cli.Pid(), SIGKILL);
        CliResult r = cli.Wait();
        EXPECT_EQ(r.Exit, 130) << r.Err;
        EXPECT_EQ(r.Err, "packwright-cli: stopped\n");
    }
    // What was finished before the wait is kept.
    EXPECT_EQ(ListTree(dir / "x"), (Lines{"A/", "A/TXT/", "A/TXT/00000000.txt", "A/TXT/00000001.txt", "result.log"}));
    EXPECT_EQ(ListTree(dir / "y"), (Lines{"A.fat", "A.mix"}));
}

TEST(CliInterrupt, CommandsWithoutARunEndAtOnce) {
    // list has nothing to finish cleanly: Ctrl-C ends it as it ends any tool.
    TempDir dir;
    const std::string fifo = dir / "MENU.fat";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    CliProcess cli({"list", fifo});
    int fd = OpenWhenReaderWaits(cli, fifo);
    ASSERT_GE(fd, 0) << cli.Wait().Err;
    ASSERT_GT(cli.Pid(), 0); // never kill(-1): that signals every process
    ASSERT_EQ(::kill(cli.Pid(), SIGINT), 0);
    ::close(fd); // had the signal been caught, list would read on and fail
    CliResult r = cli.Wait();
    EXPECT_EQ(r.Exit, 128 + SIGINT);
    EXPECT_EQ(r.Out, "");
}

TEST(CliProgress, DrawnOnATerminalOnly) {
    TempDir dir;
    PackPaths a = WritePack(dir / "MENU.fat", Entries("A"));
    for (bool quiet : {false, true}) {
        int master = -1, slave = -1;
        if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) GTEST_SKIP() << "no terminals here";
        pid_t child = ::fork();
        if (child == 0) {
            ::dup2(slave, 2);
            int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            std::vector<const char*> argv = {CLI_PATH, "extract", "--target", nullptr, nullptr, nullptr};
            std::string out = dir / "out";
            argv[3] = out.c_str();
            argv[4] = quiet ? "--quiet" : a.Index.c_str();
            if (quiet) argv.insert(argv.end() - 1, a.Index.c_str());
            ::execv(CLI_PATH, const_cast<char* const*>(argv.data()));
            ::_exit(127);
        }
        ::close(slave);
        std::string shown;
        char buf[4096];
        ssize_t n;
        while ((n = ::read(master, buf, sizeof buf)) > 0) shown.append(buf, size_t(n)); // EIO at the end
        ::close(master);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        if (quiet) {
            EXPECT_EQ(shown, "");
        } else {
            EXPECT_NE(shown.find("Processing MENU.fat..."), std::string::npos) << shown;
            EXPECT_NE(shown.find("\r["), std::string::npos) << shown;
            EXPECT_EQ(shown.back(), '\n'); // the line is ended before the tool exits
        }
    }
}
