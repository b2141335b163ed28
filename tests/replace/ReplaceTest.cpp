// Replacing entries without an extraction: the new pack equals insert of
// the same files, the patch equals diff of the packs, the log rebuilds the
// same pack, and what refuses a replacement does so before any write.
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "packs/Driver.h"
#include "packs/Kinds.h"
#include "packs/PackFixtures.h"
#include "packs/PackReader.h"
#include "packs/patch/PatchMake.h"
#include "packs/replace/Replace.h"

using namespace pw;
using namespace pw::replace;
using namespace pwtest;

namespace {

// The game's pack, with an empty entry and one past the rebuild's buffered
// size, and three edited files (one the same as the old data).
struct Work : RunFolders {
    std::string pack = game + P("/MENU.fat");
    Work() {
        PackDesign design;
        design.Entries = {{"a.txt", "hello"}, {"b.tga", Bytes(300000, 1)}, {"c.dat", ""},
                          {"d.ini", "x=1\n"}, {"e.txt", Bytes(5000, 2)}};
        WritePack(pack, design);
        MakeDir(dir / "edit");
        WriteFile(dir / "edit/a.txt", "hello, world");
        WriteFile(dir / "edit/b.tga", Bytes(200000, 3));
        WriteFile(dir / "edit/d.ini", "x=1\n"); // unchanged
    }
    ReplaceSet Set() {
        return {pack, {Choose(0, dir / "edit/a.txt"), Choose(1, dir / "edit/b.tga"), Choose(3, dir / "edit/d.ini")}};
    }
    std::string PackFiles(const std::string& indexPath) {
        return ReadFile(indexPath) + "|" + ReadFile(DataPathFor(indexPath));
    }
};

} // namespace

TEST(Replace, TheNewPackIsTheOneInsertBuildsOfTheSameFiles) {
    Work w;
    w.ctx.VerifyRebuilds = true;
    ASSERT_EQ(BuildPack(w.ctx, w.Set(), w.out), Outcome::Done);
    EXPECT_EQ(w.ctx.RunTally.FromFiles, 3u);
    // insert of a log that names the same files.
    SetLogBlock(w.ctx, w.pack, {w.dir / "edit/a.txt", w.dir / "edit/b.tga", "NULL", w.dir / "edit/d.ini", "NULL"});
    MakeDir(w.dir / "insert");
    w.ctx.TargetDir = w.dir / "insert";
    RebuildPack(w.ctx, w.dir / "insert/MENU.fat", 1);
    EXPECT_EQ(w.PackFiles(w.out + P("/MENU.fat")), w.PackFiles(w.dir / "insert/MENU.fat"));
    EXPECT_EQ(ReadPack(w.out + P("/MENU.fat")).EntryData(1), Bytes(200000, 3));
}

TEST(Replace, ThePatchIsTheDiffOfTheTwoPacks) {
    Work w;
    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    ASSERT_EQ(BuildPack(w.ctx, w.Set(), w.out), Outcome::Done);
    const patch::Manifest m{"t", "1", "me", "", "", "", ""};
    ASSERT_TRUE(SavePatch(w.ctx, w.Set(), w.dir / "r.pwpatch", m));
    ASSERT_TRUE(patch::WritePatch(w.ctx, w.dir / "d.pwpatch", m, {patch::DiffPacks(w.pack, w.out + P("/MENU.fat"))}));
    unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_EQ(ReadFile(w.dir / "r.pwpatch"), ReadFile(w.dir / "d.pwpatch"));
    EXPECT_EQ(patch::PatchFile(w.dir / "r.pwpatch").Packs()[0].entries.size(), 2u); // d.ini is unchanged
}

TEST(Replace, TheLogRebuildsTheSamePackAndRefusesAFileInTheWay) {
    Work w;
    ASSERT_EQ(BuildPack(w.ctx, w.Set(), w.out), Outcome::Done);
    MakeDir(w.dir / "log");
    const std::string log = w.dir / "log/result.log";
    SaveLog(w.Set(), log);
    ASSERT_EQ(RunList(w.ctx, {log}, KindLogs, "", w.dir / "insert"), Outcome::Done);
    EXPECT_EQ(w.PackFiles(w.out + P("/MENU.fat")), w.PackFiles(w.dir / "insert/MENU.fat"));
    // A file where the log keeps entry 4's old data would take its place.
    MakeDir(w.dir / "log/MENU");
    MakeDir(w.dir / "log/MENU/TXT");
    WriteFile(w.dir / "log/MENU/TXT/00000004.txt", "x");
    EXPECT_EQ(ErrorOf([&] { SaveLog(w.Set(), log); }),
              "File " + (w.dir / "log/MENU/TXT/00000004.txt") + " would replace entry 4 (e.txt)");
}

TEST(Replace, WhatRefusesAReplacementIsNamedBeforeAnyWrite) {
    struct Case {
        const char* what;
        std::function<void(Work&, ReplaceSet&)> spoil;
        std::function<std::string(Work&)> message;
    };
    const Case cases[] = {
        {"changed",
         [](Work& w, ReplaceSet&) {
             std::this_thread::sleep_for(std::chrono::milliseconds(20));
             WriteFile(w.dir / "edit/a.txt", "hello, there");
         },
         [](Work& w) { return "File " + (w.dir / "edit/a.txt") + " changed after it was chosen"; }},
        {"gone", [](Work& w, ReplaceSet&) { RemovePath(w.dir / "edit/b.tga"); },
         [](Work& w) { return "Cannot open file " + (w.dir / "edit/b.tga"); }},
        {"twice", [](Work& w, ReplaceSet& s) { s.entries.push_back(Choose(0, w.dir / "edit/d.ini")); },
         [](Work&) { return std::string("Entry 0 (a.txt) is replaced twice"); }},
        {"past the end", [](Work& w, ReplaceSet& s) { s.entries.push_back(Choose(5, w.dir / "edit/d.ini")); },
         [](Work& w) { return "No entry 5 in " + w.pack + ": it has 5 entries"; }},
    };
    for (const Case& c : cases) {
        Work w;
        ReplaceSet set = w.Set();
        c.spoil(w, set);
        const std::string expected = c.message(w);
        EXPECT_EQ(ErrorOf([&] { BuildPack(w.ctx, set, w.out); }), expected) << c.what;
        EXPECT_EQ(ErrorOf([&] { SavePatch(w.ctx, set, w.dir / "r.pwpatch", {}); }), expected) << c.what;
        EXPECT_EQ(ErrorOf([&] { SaveLog(set, w.dir / "r.log"); }), expected) << c.what;
        EXPECT_TRUE(ListTree(w.out).empty()) << c.what;
        EXPECT_FALSE(FileExists(w.dir / "r.pwpatch") || FileExists(w.dir / "r.log")) << c.what;
    }
}

TEST(Replace, FilesAreMatchedByTheirExtractedNameOrTheEntryName) {
    Work w;
    const PackIndex index(ReadPackIndex(w.pack), w.pack);
    const std::pair<std::string, std::optional<size_t>> cases[] = {
        {"MENU/TGA/00000001.tga", 1}, {"00000001.TGA", 1}, {"00000001.txt", std::nullopt},
        {"0000000A.txt", std::nullopt}, {"D.INI", 3}, {"f.txt", std::nullopt},
    };
    for (const auto& [name, k] : cases) EXPECT_EQ(EntryForFile(index, P(name)), k) << name;
    MakeDir(w.dir / "edit/TXT");
    WriteFile(w.dir / "edit/TXT/00000004.txt", "new");
    WriteFile(w.dir / "edit/notes.txt", "mine");
    const FileMatch match = MatchFiles(index, FilesBelow(w.dir / "edit"));
    ASSERT_EQ(match.matched.size(), 4u);
    EXPECT_EQ(match.matched[3].index, 4u);
    EXPECT_EQ(match.matched[3].file, w.dir / "edit/TXT/00000004.txt");
    EXPECT_EQ(match.unmatched, std::vector<std::string>{w.dir / "edit/notes.txt"});
}
