// A rebuild that fails leaves no partial or temporary file, keeps an earlier
// pack under the target names as it was, and never touches its source.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/Error.h"
#include "core/FileIO.h"
#include "packs/Formathandlers.h"
#include "packs/PackFixtures.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

struct Rebuild : RunFolders {
    PackDesign pack;
    PackPaths src;
    Rebuild() {
        pack.Entries = {{"a.txt", "first entry"}, {"b.txt", Bytes(3000, 7)}};
        pack.Placement = Layout::Sparse;
        src = WritePack(game + "/MENU.fat", pack);
    }
    // The message the rebuild of the source into `target` ends with.
    std::string Fails(const Lines& entryLines, const std::string& target = "") {
        SetLogBlock(ctx, src.Index, entryLines);
        return ErrorOf([&] { RebuildPack(ctx, target.empty() ? out + "/MENU.fat" : target, 1); }, "no error");
    }
};

} // namespace

TEST(RebuildErrors, FailuresKeepAnEarlierPackAndLeaveNoFiles) {
    Rebuild r;
    WriteFile(r.out + "/MENU.fat", "old index");
    WriteFile(r.out + "/MENU.mix", "old data");
    const Lines before = ListTree(r.out);
    EXPECT_EQ(r.Fails({"NULL"}), "List index out of bounds (2)");
    EXPECT_EQ(r.Fails({r.game}), "Cannot open file " + r.game);

    PackDesign past = r.pack;
    past.Entries[1].Size = 1 << 20;
    WritePack(r.src.Index, past);
    EXPECT_EQ(r.Fails({"NULL", "NULL"}), "Stream read error");
    // The same entry taken from a file is no error: its old data are not read.
    WriteFile(r.dir / "new.txt", "new");
    EXPECT_EQ(r.Fails({"NULL", r.dir / "new.txt"}), "no error");
    EXPECT_EQ(ReadPack(r.out + "/MENU.fat").EntryData(1), "new");
    WriteFile(r.out + "/MENU.fat", "old index");
    WriteFile(r.out + "/MENU.mix", "old data");

    WriteFile(r.src.Index, "short");
    EXPECT_EQ(r.Fails({}), "Damaged pack index " + r.src.Index);
    ::unlink(r.src.Data.c_str());
    EXPECT_EQ(r.Fails({}), "Cannot open file " + r.src.Data);

    EXPECT_EQ(ListTree(r.out), before);
    EXPECT_EQ(ReadFile(r.out + "/MENU.fat"), "old index");
    EXPECT_EQ(ReadFile(r.out + "/MENU.mix"), "old data");
}

TEST(RebuildErrors, NeverWrittenOverItsSource) {
    // The source's own folder, also spelt through a link or with "." and "..".
    Rebuild r;
    ::symlink(r.game.c_str(), (r.dir / "link").c_str());
    const std::string before = ReadFile(r.src.Index) + ReadFile(r.src.Data);
    for (std::string folder : {r.game, r.dir / "link", r.game + "/./../game"}) {
        EXPECT_EQ(r.Fails({"NULL", "NULL"}, folder + "/MENU.fat"), "Cannot create file " + folder + "/MENU.mix");
        EXPECT_EQ(ReadFile(r.src.Index) + ReadFile(r.src.Data), before);
        EXPECT_EQ(ListTree(r.game), (Lines{"MENU.fat", "MENU.mix"}));
    }
    // Another letter case of the same names.
    EXPECT_EQ(r.Fails({"NULL", "NULL"}, r.game + "/menu.FAT"), "Cannot create file " + r.src.Data);
    EXPECT_EQ(ReadFile(r.src.Index) + ReadFile(r.src.Data), before);
}

TEST(RebuildErrors, EntryLinesNamingThePackFilesAreRefused) {
    Rebuild r;
    const std::string newData = r.out + "/MENU.mix", newIndex = r.out + "/MENU.fat";
    for (const std::string& line : {r.src.Index, r.src.Data, newData, newIndex}) {
        EXPECT_EQ(r.Fails({"NULL", line}), "Cannot open file " + line) << "before a pack exists";
        EXPECT_FALSE(FileExists(newData));
    }
    WriteFile(newIndex, "old index");
    WriteFile(newData, "old data");
    for (const std::string& line : {newData, newIndex}) {
        EXPECT_EQ(r.Fails({"NULL", line}), "Cannot open file " + line) << "over an earlier pack";
        EXPECT_EQ(ReadFile(newData), "old data");
    }
    // Through a link to the source data.
    ::symlink(r.src.Data.c_str(), (r.dir / "alias").c_str());
    EXPECT_EQ(r.Fails({r.dir / "alias", "NULL"}), "Cannot open file " + (r.dir / "alias"));
    EXPECT_EQ(ListTree(r.out), (Lines{"MENU.fat", "MENU.mix"}));
}

TEST(RebuildErrors, AFileTooLargeForAnEntry) {
    Rebuild r;
    const std::string big = r.dir / "big.bin";
    int fd = ::open(big.c_str(), O_WRONLY | O_CREAT, 0666);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t(1) << 31), 0); // sparse: takes no room
    ::close(fd);
    EXPECT_EQ(r.Fails({"NULL", big}), "File " + big + " is too large for a pack entry");
    EXPECT_TRUE(ListTree(r.out).empty());
    ASSERT_EQ(::truncate(big.c_str(), (off_t(1) << 31) - 1), 0);
    // One byte less fits; it is not copied here (that would need 2 GB).
}

TEST(RebuildErrors, ASourceHeldByAnotherOpenerCannotBeRead) {
    Rebuild r;
    {
        File held = OpenReadNotShared(r.src.Data);
        EXPECT_EQ(r.Fails({"NULL", "NULL"}), "Cannot open file " + r.src.Data);
        EXPECT_TRUE(ListTree(r.out).empty());
    }
    {
        WriteFile(r.dir / "edit.txt", "edit");
        File held = OpenReadWriteNotShared(r.dir / "edit.txt");
        EXPECT_EQ(r.Fails({r.dir / "edit.txt", "NULL"}), "Cannot open file " + (r.dir / "edit.txt"));
        EXPECT_TRUE(ListTree(r.out).empty());
    }
    EXPECT_EQ(r.Fails({r.dir / "edit.txt", "NULL"}), "no error");
}

TEST(NotSharedOpens, ExcludeEachOtherUntilClosed) {
    TempDir dir;
    const std::string path = dir / "f.bin";
    WriteFile(path, "x");
    {
        File first = OpenReadNotShared(path);
        EXPECT_THROW(OpenReadNotShared(path), Error);
        EXPECT_THROW(OpenReadWriteNotShared(path), Error);
        try {
            CreateNotShared(path);
            FAIL();
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot create file " + path);
        }
        EXPECT_EQ(ReadFile(path), "x"); // the refused create changed nothing
        // Another process cannot take it either.
        pid_t child = ::fork();
        if (child == 0) {
            try {
                OpenReadNotShared(path);
                ::_exit(0);
            } catch (const Error&) {
                ::_exit(1);
            }
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    }
    EXPECT_NO_THROW(OpenReadWriteNotShared(path));
    try {
        OpenReadNotShared(dir.Path());
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + dir.Path());
    }
}
