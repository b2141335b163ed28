// A hostile file system: a target folder without write permission, target
// paths that are a file, a FIFO or a dangling link, folders that vanish
// during a run, and a source pack locked by another process.
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "RobustnessSupport.h"
#include "core/Error.h"
#include "packs/Driver.h"
#include "packs/Kinds.h"

using namespace pwfuzz;
using namespace pwtest;

namespace {

// As root, permission bits stop nothing: the child runs as "nobody".
void BecomeUnprivileged() {
    if (!IsRoot()) return;
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
        throw std::runtime_error("cannot drop privileges");
}

void OpenUp(const std::string& root) {
    ::chmod(root.c_str(), 0755);
    // Files writable too: insertion opens its source index for writing.
    for (const std::string& rel : ListTree(root)) ::chmod((root + "/" + rel).c_str(), rel.back() == '/' ? 0755 : 0666);
}

} // namespace

TEST(FileSystemFaults, TargetFolderWithoutWritePermission) {
    PrivateDir ws("pwfs");
    const SamplePack pack = WriteSamplePack(ws.Path() + "/src");
    const std::string target = ws.Path() + "/out";
    ResetDir(target);
    WriteBytes(target + "/MENU.fat", "earlier index");
    WriteBytes(target + "/MENU.mix", "earlier data");
    const std::string log = ws.Path() + "/in.log";
    WriteBytes(log, "#Format: FAT\r\n#Source: " + ws.Path() + "/src/MENU.fat\r\nNULL\r\n" + "NULL\r\nNULL\r\nNULL\r\nNULL\r\n");
    OpenUp(ws.Path());
    ::chmod(target.c_str(), 0555);

    ChildOutcome extract = RunInChild(BecomeUnprivileged, [&] { Extract(ws.Path() + "/src/MENU.fat", target); });
    if (!extract.finished && extract.message.find("cannot drop privileges") != std::string::npos)
        GTEST_SKIP() << "running as root and cannot become another user";
    ASSERT_TRUE(extract.finished) << extract.message;
    EXPECT_EQ(extract.message, "Cannot create file " + target + "/MENU/TXT/00000000.txt");

    ChildOutcome insert = RunInChild(BecomeUnprivileged, [&] { Insert(log, target); });
    ASSERT_TRUE(insert.finished) << insert.message;
    EXPECT_EQ(insert.message, "Cannot create file " + target + "/MENU.mix");

    ::chmod(target.c_str(), 0755);
    EXPECT_EQ(ReadBytes(target + "/MENU.fat"), "earlier index");
    EXPECT_EQ(ReadBytes(target + "/MENU.mix"), "earlier data");
    EXPECT_EQ(ListTree(target).size(), 2u);
}

TEST(FileSystemFaults, TargetPathsThatAreNotFolders) {
    PrivateDir ws("pwfs");
    WriteSamplePack(ws.Path() + "/src");
    const std::string pack = ws.Path() + "/src/MENU.fat";

    // The target folder is a file.
    WriteBytes(ws.Path() + "/file", "x");
    EXPECT_EQ(ErrorOf([&] { Extract(pack, ws.Path() + "/file"); }), "Cannot open file " + ws.Path() + "/file");
    EXPECT_EQ(ReadBytes(ws.Path() + "/file"), "x");

    // The pack's folder, or a type folder, is a file.
    const std::string out = ws.Path() + "/out";
    ResetDir(out);
    WriteBytes(out + "/MENU", "not a folder");
    EXPECT_EQ(ErrorOf([&] { Extract(pack, out); }), "Cannot create file " + out + "/MENU/TXT/00000000.txt");
    EXPECT_EQ(ReadBytes(out + "/MENU"), "not a folder");

    // An entry's file is a FIFO nobody reads: refused, not waited on.
    ResetDir(out);
    ResetDir(out + "/MENU/TXT");
    ASSERT_EQ(::mkfifo((out + "/MENU/TXT/00000000.txt").c_str(), 0644), 0);
    ChildOutcome fifo = RunInChild([] {}, [&] { Extract(pack, out); });
    ASSERT_TRUE(fifo.finished) << fifo.message;
    EXPECT_EQ(fifo.message, "Cannot create file " + out + "/MENU/TXT/00000000.txt");

    // An entry's file is a dangling link: the link is replaced, nothing is
    // created where it points.
    ResetDir(out + "/MENU/TXT");
    const std::string elsewhere = ws.Path() + "/elsewhere";
    ASSERT_EQ(::symlink(elsewhere.c_str(), (out + "/MENU/TXT/00000000.txt").c_str()), 0);
    EXPECT_EQ(ErrorOf([&] { Extract(pack, out); }), "");
    EXPECT_FALSE(FileExists(elsewhere));
    struct stat st {};
    ASSERT_EQ(::lstat((out + "/MENU/TXT/00000000.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));

    // The new pack's names are a folder, a FIFO, a dangling link.
    const std::string log = ws.Path() + "/in.log";
    WriteBytes(log, "#Format: FAT\r\n#Source: " + pack + "\r\nNULL\r\nNULL\r\nNULL\r\nNULL\r\nNULL\r\n");
    ResetDir(out + "/MENU.mix");
    EXPECT_EQ(ErrorOf([&] { Insert(log, out); }), "Cannot create file " + out + "/MENU.mix");
    ResetDir(out);
    ASSERT_EQ(::mkfifo((out + "/MENU.fat").c_str(), 0644), 0);
    ASSERT_EQ(::symlink(elsewhere.c_str(), (out + "/MENU.mix").c_str()), 0);
    ChildOutcome pending = RunInChild([] {}, [&] { Insert(log, out); });
    ASSERT_TRUE(pending.finished) << pending.message;
    // Replacing names is done by renaming complete files over them.
    EXPECT_EQ(pending.message, "");
    EXPECT_FALSE(FileExists(elsewhere));
    EXPECT_EQ(TempFilesUnder(out), std::vector<std::string>{});
}

TEST(FileSystemFaults, EntryLinesNamingFifosAndDevices) {
    PrivateDir ws("pwfs");
    const SamplePack pack = WriteSamplePack(ws.Path() + "/src");
    const std::string fifo = ws.Path() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string out = ws.Path() + "/out";
    for (const std::string& entry : {fifo, std::string("/dev/null")}) {
        SCOPED_TRACE(entry);
        const std::string log = ws.Path() + "/in.log";
        WriteBytes(log, "#Format: FAT\r\n#Source: " + ws.Path() + "/src/MENU.fat\r\n" + entry + "\r\nNULL\r\nNULL\r\nNULL\r\nNULL\r\n");
        RemoveTree(out);
        ChildOutcome o = RunInChild([] {}, [&] { Insert(log, out); });
        ASSERT_TRUE(o.finished) << o.message;
        EXPECT_EQ(o.message, "Cannot open file " + entry);
        EXPECT_EQ(ListTree(out), std::vector<std::string>{});
    }
}

TEST(FileSystemFaults, FoldersThatVanishDuringARun) {
    PrivateDir ws("pwfs");
    const SamplePack pack = WriteSamplePack(ws.Path() + "/src");
    const std::string out = ws.Path() + "/out";

    // Extraction: the type folder goes after the first entry was written.
    for (int at = 1; at <= 6; ++at) {
        SCOPED_TRACE("folders removed at event " + std::to_string(at));
        RemoveTree(out);
        KeepCwd keep;
        HookStatus status(at, [&] { RemoveTree(out + "/MENU"); });
        pw::RunContext ctx(status);
        const std::string error = ErrorOf([&] { pw::RunList(ctx, {ws.Path() + "/src/MENU.fat"}, pw::KindPacks, "FAT", out); });
        EXPECT_TRUE(error.empty() || error.rfind("Cannot create file " + out + "/MENU/", 0) == 0) << error;
        EXPECT_EQ(TempFilesUnder(ws.Path()), std::vector<std::string>{});
    }

    // Rebuild: the target folder goes while the new data file is written,
    // and the source folder goes too.
    const std::string log = ws.Path() + "/in.log";
    WriteBytes(log, "#Format: FAT\r\n#Source: " + ws.Path() + "/src/MENU.fat\r\nNULL\r\nNULL\r\nNULL\r\nNULL\r\nNULL\r\n");
    for (int at = 1; at <= 8; ++at) {
        SCOPED_TRACE("target removed at event " + std::to_string(at));
        RemoveTree(out);
        KeepCwd keep;
        HookStatus status(at, [&] { RemoveTree(out); });
        pw::RunContext ctx(status);
        const std::string error = ErrorOf([&] { pw::RunList(ctx, {log}, pw::KindLogs, "", out); });
        EXPECT_TRUE(error.empty() || error.rfind("Cannot create file " + out + "/MENU.", 0) == 0) << error;
        if (FileExists(out + "/MENU.fat"))
            CheckRebuilt(ReadBytes(out + "/MENU.fat"), ReadBytes(out + "/MENU.mix"), pack.fat, nullptr, "rebuild");
        EXPECT_EQ(TempFilesUnder(ws.Path()), std::vector<std::string>{});
    }
    {
        RemoveTree(out);
        KeepCwd keep;
        const std::string moved = ws.Path() + "/gone";
        HookStatus status(2, [&] { std::filesystem::rename(ws.Path() + "/src", moved); });
        pw::RunContext ctx(status);
        const std::string error = ErrorOf([&] { pw::RunList(ctx, {log}, pw::KindLogs, "", out); });
        // The open source files still read: the pack is complete.
        EXPECT_EQ(error, "");
        CheckRebuilt(ReadBytes(out + "/MENU.fat"), ReadBytes(out + "/MENU.mix"), pack.fat, nullptr, "rebuild");
        EXPECT_EQ(ReadBytes(moved + "/MENU.mix"), pack.mix);
    }
}

TEST(FileSystemFaults, SourcePackLockedByAnotherProcess) {
    PrivateDir ws("pwfs");
    WriteSamplePack(ws.Path() + "/src");
    const std::string log = ws.Path() + "/in.log";
    WriteBytes(log, "#Format: FAT\r\n#Source: " + ws.Path() + "/src/MENU.fat\r\nNULL\r\nNULL\r\nNULL\r\nNULL\r\nNULL\r\n");
    const std::string out = ws.Path() + "/out";
    for (const char* locked : {"MENU.mix", "MENU.fat"}) {
        SCOPED_TRACE(locked);
        const std::string path = ws.Path() + "/src/" + locked;
        // Another process takes the lock and holds it until told to go.
        int ready[2], go[2];
        ASSERT_EQ(::pipe(ready), 0);
        ASSERT_EQ(::pipe(go), 0);
        pid_t holder = ::fork();
        ASSERT_GE(holder, 0);
        if (holder == 0) {
            ::close(go[1]); // so that the parent's close ends the wait below
            ::close(ready[0]);
            int fd = ::open(path.c_str(), O_RDONLY);
            char c = (fd >= 0 && ::flock(fd, LOCK_EX) == 0) ? 'y' : 'n';
            ssize_t ignored = ::write(ready[1], &c, 1);
            ignored = ::read(go[0], &c, 1);
            (void)ignored;
            ::_exit(0);
        }
        char c = 0;
        ASSERT_EQ(::read(ready[0], &c, 1), 1);
        ASSERT_EQ(c, 'y');
        RemoveTree(out);
        const std::string extractError = ErrorOf([&] { Extract(ws.Path() + "/src/MENU.fat", out); });
        const std::string insertError = ErrorOf([&] { Insert(log, out); });
        ::close(go[1]);
        ::waitpid(holder, nullptr, 0);
        for (int fd : {ready[0], ready[1], go[0]}) ::close(fd);
        if (std::string(locked) == "MENU.mix") {
            EXPECT_EQ(extractError, "Cannot open file " + path);
            EXPECT_EQ(insertError, "Cannot open file " + path);
        } else {
            // Extraction only reads the index; insertion holds it exclusively.
            EXPECT_EQ(extractError, "");
            EXPECT_EQ(insertError, "Cannot open file " + path);
        }
        EXPECT_FALSE(FileExists(out + "/MENU.fat"));
        EXPECT_EQ(TempFilesUnder(out), std::vector<std::string>{});
    }
}
