// "Not shared" on Windows is share mode 0: a file this process or another
// holds is refused with the messages of the file layer, and nothing is left
// half-written. Files are told apart by volume serial and file index.
#include <gtest/gtest.h>

#include "WinSupport.h"
#include "core/Error.h"
#include "core/FileIO.h"
#include "core/PendingFile.h"
#include "packs/Formathandlers.h"
#include "packs/PackFixtures.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

PackDesign TwoEntries() {
    PackDesign pack;
    pack.Entries = {{"a.txt", "hello"}, {"c.dat", std::string(5000, 'c')}};
    return pack;
}

// Rebuilds `src` into out/ from a log of its entries, all kept.
std::string RebuildError(RunFolders& r, const PackPaths& src) {
    WriteFile(r.dir / "in.log", "#Format: FAT\r\n#Source: " + src.Index + "\r\nNULL\r\nNULL\r\n");
    return ErrorOf([&] { ProcessLogFile(r.ctx, r.dir / "in.log"); });
}

} // namespace

TEST(Sharing, WithinTheProcessAHeldFileIsRefused) {
    TempDir dir;
    const std::string path = dir / "MENU.mix";
    WriteFile(path, "data");
    File held = OpenReadNotShared(path);
    EXPECT_EQ(ErrorOf([&] { OpenReadNotShared(path); }), "Cannot open file " + path);
    EXPECT_EQ(ErrorOf([&] { OpenReadWriteNotShared(path); }), "Cannot open file " + path);
    EXPECT_EQ(ErrorOf([&] { CreateNotShared(path); }), "Cannot create file " + path);
    held.Close();
    EXPECT_EQ(ErrorOf([&] { CreateNotShared(path); }), "");
}

TEST(Sharing, AnotherProcessHoldingTheDataFile) {
    RunFolders r;
    PackPaths src = WritePack(r.game + "\\MENU.fat", TwoEntries());
    OtherHolder other(src.Data);
    ASSERT_TRUE(other.Holding());
    EXPECT_EQ(ErrorOf([&] { ExtractPack(r.ctx, src.Index); }), "Cannot open file " + src.Data);
    EXPECT_TRUE(ListTree(r.out).empty());
    EXPECT_EQ(RebuildError(r, src), "Cannot open file " + src.Data);
    EXPECT_TRUE(ListTree(r.out).empty());
}

TEST(Sharing, AnotherProcessHoldingTheSourceIndex) {
    RunFolders r;
    PackPaths src = WritePack(r.game + "\\MENU.fat", TwoEntries());
    OtherHolder other(src.Index);
    ASSERT_TRUE(other.Holding());
    EXPECT_EQ(RebuildError(r, src), "Cannot open file " + src.Index);
    EXPECT_TRUE(ListTree(r.out).empty());
}

TEST(Sharing, AHeldEntryFileIsRefused) {
    RunFolders r;
    PackPaths src = WritePack(r.game + "\\MENU.fat", TwoEntries());
    const std::string edit = r.dir / "edit.txt";
    WriteFile(edit, "edited");
    WriteFile(r.dir / "in.log", "#Format: FAT\r\n#Source: " + src.Index + "\r\n" + edit + "\r\nNULL\r\n");
    OtherHolder other(edit);
    ASSERT_TRUE(other.Holding());
    EXPECT_EQ(ErrorOf([&] { ProcessLogFile(r.ctx, r.dir / "in.log"); }), "Cannot open file " + edit);
    EXPECT_TRUE(ListTree(r.out).empty()); // no pack, no temporary file
}

TEST(Sharing, AHeldTargetIsNotReplacedAndNothingIsLeftBehind) {
    RunFolders r;
    PackPaths src = WritePack(r.game + "\\MENU.fat", TwoEntries());
    // Extraction: the entry's file is in use.
    MakeDir(r.out + "\\MENU");
    MakeDir(r.out + "\\MENU\\TXT");
    const std::string entry = r.out + "\\MENU\\TXT\\00000000.txt";
    WriteFile(entry, "in use");
    {
        OtherHolder other(entry);
        ASSERT_TRUE(other.Holding());
        EXPECT_EQ(ErrorOf([&] { ExtractPack(r.ctx, src.Index); }), "Cannot create file " + entry);
    }
    EXPECT_EQ(ReadFile(entry), "in use");
    // Folders are made as the index is walked, ahead of the files.
    EXPECT_EQ(ListTree(r.out), (Lines{"MENU/", "MENU/DAT/", "MENU/TXT/", "MENU/TXT/00000000.txt"}));
    // Rebuild: the old data file under the new pack's name is in use.
    RemovePath(entry);
    WriteFile(r.out + "\\MENU.mix", "old data");
    {
        OtherHolder other(r.out + "\\MENU.mix");
        ASSERT_TRUE(other.Holding());
        EXPECT_EQ(RebuildError(r, src), "Cannot create file " + r.out + "\\MENU.mix");
    }
    EXPECT_EQ(ReadFile(r.out + "\\MENU.mix"), "old data");
    EXPECT_EQ(ListTree(r.out), (Lines{"MENU.mix", "MENU/", "MENU/DAT/", "MENU/TXT/"}));
}

TEST(Sharing, AHeldTargetIndexLeavesTheOldPackWhole) {
    RunFolders r;
    PackPaths src = WritePack(r.game + "\\MENU.fat", TwoEntries());
    WriteFile(r.out + "\\MENU.fat", "old index");
    WriteFile(r.out + "\\MENU.mix", "old data");
    {
        OtherHolder other(r.out + "\\MENU.fat");
        ASSERT_TRUE(other.Holding());
        EXPECT_EQ(RebuildError(r, src), "Cannot create file " + r.out + "\\MENU.fat");
    }
    EXPECT_EQ(ReadFile(r.out + "\\MENU.mix"), "old data");
    EXPECT_EQ(ReadFile(r.out + "\\MENU.fat"), "old index");
    EXPECT_EQ(ListTree(r.out), (Lines{"MENU.fat", "MENU.mix"}));
    EXPECT_EQ(RebuildError(r, src), "");
    EXPECT_EQ(ReadPack(r.out + "\\MENU.fat").EntryData(0), "hello");
}

TEST(Sharing, OneFileUnderEverySpelling) {
    RunFolders r;
    PackPaths src = WritePack(r.game + "\\MENU.fat", TwoEntries());
    FileId id = IdOfPath(src.Index);
    EXPECT_NE(id.ino, 0u);
    std::string other = src.Index;
    for (char& c : other) c = c == '\\' ? '/' : char(std::tolower((unsigned char)c));
    EXPECT_EQ(IdOfPath(other), id);
    EXPECT_EQ(OpenReadNotShared(other).Id(), id);
    EXPECT_NE(IdOfPath(src.Data), id);
    // The source's own folder in another spelling as the target: refused,
    // and the source pack is untouched.
    const std::string before = ReadFile(src.Data);
    r.ctx.TargetDir = r.game;
    for (char& c : r.ctx.TargetDir) c = char(std::toupper((unsigned char)c));
    EXPECT_EQ(RebuildError(r, src).rfind("Cannot create file ", 0), 0u);
    EXPECT_EQ(ReadFile(src.Data), before);
    EXPECT_EQ(ListTree(r.game), (Lines{"MENU.fat", "MENU.mix"}));
}

TEST(Sharing, APendingFileIsRemovedWhenNotCommitted) {
    TempDir dir;
    const std::string path = dir / "result.log";
    WriteFile(path, "old");
    {
        PendingFile pending(path);
        WriteAll(pending.Fd(), "new", 3);
        EXPECT_EQ(ReadFile(path), "old");
    }
    EXPECT_EQ(ListTree(dir.Path()), (Lines{"result.log"}));
    {
        PendingFile pending(path);
        WriteAll(pending.Fd(), "new", 3);
        pending.Commit();
    }
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_EQ(ListTree(dir.Path()), (Lines{"result.log"}));
}
