// Windows paths: drive letters, UNC and "\\?\" roots, forward slashes, paths
// beyond the classic length limit, and names outside ASCII.
#include <gtest/gtest.h>

#include "core/Bytes.h"
#include "core/Directory.h"
#include "core/FileIO.h"
#include "core/FileNames.h"
#include "core/PairCommit.h"
#include "packs/Driver.h"
#include "packs/Formathandlers.h"
#include "packs/Kinds.h"
#include "packs/PackFixtures.h"
#include "packs/PackIndex.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

PackDesign ThreeEntries() {
    PackDesign pack;
    pack.Entries = {{"a.txt", "hello"}, {"b.txt", ""}, {"c.dat", "1234567"}, {"d.txt", "four"}};
    return pack;
}

// A crashed run's commit record as the journal holds it, made here by hand.
std::string CommitRecord(const std::string& dataName, const std::string& indexName) {
    std::string r = "PWCOMMIT";
    for (const std::string* name : {&dataName, &indexName}) {
        unsigned char len[4];
        WriteU32LE(len, uint32_t(name->size()));
        r.append(reinterpret_cast<char*>(len), 4);
        r += *name;
    }
    uint32_t h = 2166136261u;
    for (unsigned char c : r) h = (h ^ c) * 16777619u;
    unsigned char hash[4];
    WriteU32LE(hash, h);
    return r.append(reinterpret_cast<char*>(hash), 4);
}

} // namespace

TEST(WindowsPaths, NamesFoldersAndExtensions) {
    EXPECT_EQ(ExtractFileName("C:\\mods\\MENU.old.fat"), "MENU.old.fat");
    EXPECT_EQ(ExtractFilePath("C:\\mods\\MENU.fat"), "C:\\mods\\");
    EXPECT_EQ(ExtractFileName("C:MENU.fat"), "MENU.fat");
    EXPECT_EQ(ExtractFilePath("C:MENU.fat"), "C:");
    EXPECT_EQ(ExtractFileName("C:/mods/MENU.fat"), "MENU.fat"); // Windows reads "/" as "\"
    EXPECT_EQ(ExtractFileExt("C:\\game.d\\MENU"), "");
    EXPECT_EQ(ChangeFileExt("\\\\server\\share\\MENU.fat", ".mix"), "\\\\server\\share\\MENU.mix");
    EXPECT_EQ(PackName("D:\\game\\MENU.old.fat"), "MENU");
}

TEST(WindowsPaths, RootsTakenToExist) {
    EXPECT_EQ(PathRootLength("C:\\out\\MENU\\"), 3u);
    EXPECT_EQ(PathRootLength("C:out\\"), 2u);
    EXPECT_EQ(PathRootLength("\\out\\"), 1u);
    EXPECT_EQ(PathRootLength("out\\x\\"), 0u);
    EXPECT_EQ(PathRootLength("\\\\server\\share\\out\\"), 15u);
    EXPECT_EQ(PathRootLength("//server/share/out/"), 15u);
    EXPECT_EQ(PathRootLength("\\\\?\\C:\\out\\"), 7u);
    EXPECT_EQ(PathRootLength("\\\\?\\UNC\\server\\share\\out\\"), 21u);
}

TEST(WindowsPaths, OutputPathsBelowDriveLettersAndShares) {
    RecordingStatus status;
    RunContext ctx(status);
    ctx.TargetDir = "C:\\out";
    EXPECT_EQ(OutputPathFor(ctx, "D:\\game\\MENU.fat", "MENU\\TXT\\00000003.txt"), "C:\\out\\MENU\\TXT\\00000003.txt");
    ctx.ListFromScan = true;
    ctx.ScanRoot = "D:\\game";
    EXPECT_EQ(OutputPathFor(ctx, "D:\\game\\data\\MENU.fat", "MENU\\TGA\\0000001A.tga"),
              "C:\\out\\data\\MENU\\TGA\\0000001A.tga");
    ctx.ListFromScan = false;
    ctx.TargetDir = "\\\\server\\share\\out\\";
    EXPECT_EQ(OutputPathFor(ctx, "D:\\MENU.fat", "MENU\\TXT\\00000000.txt"),
              "\\\\server\\share\\out\\MENU\\TXT\\00000000.txt");
}

TEST(WindowsPaths, ResultLogHoldsFullWindowsPaths) {
    TempDir dir;
    RecordingStatus status;
    RunContext ctx(status);
    PackPaths a = WritePack(dir / "MENU.fat", ThreeEntries());
    const std::string out = dir / "mods";
    ASSERT_EQ(out.substr(1, 2), ":\\");
    EXPECT_EQ(RunList(ctx, {a.Index}, KindPacks, "FAT", out), Outcome::Done);
    EXPECT_EQ(ReadFile(out + "\\result.log"), "#Format: FAT\r\n#Source: " + a.Index + "\r\n" + out +
                                                  "\\MENU\\TXT\\00000000.txt\r\nNULL\r\n" + out +
                                                  "\\MENU\\DAT\\00000002.dat\r\n" + out +
                                                  "\\MENU\\TXT\\00000003.txt\r\n");
    EXPECT_EQ(ReadFile(out + "\\MENU\\TXT\\00000003.txt"), "four");
}

TEST(WindowsPaths, TheLongFormAndPathsBeyondTheClassicLimit) {
    TempDir dir;
    PackPaths a = WritePack(dir / "MENU.fat", ThreeEntries());
    // A target written in the long form: its root is "\\?\C:\".
    {
        RecordingStatus status;
        RunContext ctx(status);
        ctx.TargetDir = "\\\\?\\" + (dir / "long form");
        ExtractPack(ctx, a.Index);
        EXPECT_EQ(ctx.ResultLines[0], ctx.TargetDir + "\\MENU\\TXT\\00000000.txt");
        EXPECT_EQ(ReadFile(dir / "long form/MENU/TXT/00000000.txt"), "hello");
    }
    // A target far beyond 260 characters, folders made on the way.
    RecordingStatus status;
    RunContext ctx(status);
    ctx.TargetDir = dir.Path();
    for (int i = 0; i < 9; ++i) ctx.TargetDir += "\\" + std::string(40, char('a' + i));
    ExtractPack(ctx, a.Index);
    ASSERT_GT(ctx.ResultLines[3].size(), 400u);
    EXPECT_TRUE(Exists(ctx.ResultLines[3]));
    EXPECT_EQ(OpenReadNotShared(ctx.ResultLines[3]).Size(), 4);
    // And back into a pack from there.
    ctx.SourcePackPath = a.Index;
    ctx.LogLines = {"#Source: " + a.Index, ctx.ResultLines[0], "NULL", ctx.ResultLines[2], ctx.ResultLines[3]};
    RebuildPack(ctx, ctx.TargetDir + "\\MENU.fat", 1);
    EXPECT_EQ(ReadWholeFile(ctx.TargetDir + "\\MENU.fat").size(), ReadFile(a.Index).size());
}

TEST(WindowsPaths, NamesOutsideAscii) {
    TempDir dir;
    const std::string game = dir / "Spiele \xC3\xBC\xE2\x82\xAC \xE6\xB8\xB8\xE6\x88\x8F"; // ü € 游戏
    MakeDir(game);
    ASSERT_TRUE(IsDirectory(game));
    PackPaths a = WritePack(game + "\\MEN\xC3\x9C.fat", ThreeEntries());
    RecordingStatus status;
    RunContext ctx(status);
    const std::string out = game + "\\\xC3\xA4out";
    EXPECT_EQ(RunList(ctx, {a.Index}, KindPacks, "FAT", out), Outcome::Done);
    EXPECT_EQ(ReadFile(out + "\\MEN\xC3\x9C\\TXT\\00000000.txt"), "hello");
    const std::string edited = out + "\\MEN\xC3\x9C\\TXT\\00000003.txt";
    WriteFile(edited, "edited");
    RunContext again(status);
    const std::string rebuilt = dir / "rebuilt";
    EXPECT_EQ(RunList(again, {out + "\\result.log"}, KindLogs, "", rebuilt), Outcome::Done);
    ReadBack pack = ReadPack(rebuilt + "\\MEN\xC3\x9C.fat");
    EXPECT_EQ(pack.EntryData(0), "hello");
    EXPECT_EQ(pack.EntryData(3), "edited");
}

// A journal's target names are names in its own folder: one that leads
// elsewhere through a "\" or a drive letter is no commit record at all.
TEST(WindowsPaths, ACommitRecordNamingAnotherFolderIsNotFollowed) {
    for (const std::string& data : {std::string("..\\MENU.mix"), std::string("C:MENU.mix")}) {
        TempDir dir;
        MakeDir(dir / "pack");
        WriteFile(dir / "pack/MENU.fat", "old index");
        WriteFile(dir / "pack/MENU.mix", "old data");
        WriteFile(dir / "pack/.MENU.packwright-new.fat", "new index");
        WriteFile(dir / "pack/.MENU.packwright-new.mix", "new data");
        WriteFile(dir / "pack/.MENU.packwright-commit", CommitRecord(data, "MENU.fat"));
        EXPECT_FALSE(HasInterruptedCommit(dir / "pack/MENU.fat")) << data;
        RemoveLeftovers(dir / "pack/");
        EXPECT_EQ(ReadFile(dir / "pack/MENU.fat") + "|" + ReadFile(dir / "pack/MENU.mix"), "old index|old data");
        EXPECT_EQ(ListTree(dir.Path()), (Lines{"pack/", "pack/MENU.fat", "pack/MENU.mix"})) << data;
    }
}

// The window starts in the user's Documents folder, not in the folder of
// the program or of the file Explorer handed it.
TEST(WindowsPaths, TheWindowStartsInTheDocumentsFolder) {
    const std::string folder = WindowStartFolder();
    ASSERT_GE(folder.size(), 3u);
    EXPECT_EQ(folder.substr(1, 2), ":\\") << folder;
    EXPECT_EQ(LowerCaseAscii(ExtractFileName(folder)), "documents") << folder;
    EXPECT_TRUE(MayEnterFolder(folder)) << folder;
}
