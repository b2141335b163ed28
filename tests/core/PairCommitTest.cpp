// Files written without a name until complete, the names of temporary
// files, the clean-up of what crashed writers left, and the journal that
// replaces a pack's two files as one.
#include <gtest/gtest.h>

#include "core/Bytes.h"
#include "core/FileSync.h"
#include "core/PairCommit.h"
#include "core/PendingFile.h"
#include "packs/PackFixtures.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

// A commit record as the journal holds it, made here by hand.
std::string Record(const std::string& dataName, const std::string& indexName) {
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

// A folder with an earlier pack and a crashed run's staged new pair.
struct Crashed : TempDir {
    Crashed(const std::string& journal) {
        WriteFile(*this / "MENU.fat", "old index");
        WriteFile(*this / "MENU.mix", "old data");
        WriteFile(*this / ".MENU.packwright-new.fat", "new index");
        WriteFile(*this / ".MENU.packwright-new.mix", "new data");
        WriteFile(*this / ".MENU.packwright-commit", journal);
    }
    std::string Pair() { return ReadFile(*this / "MENU.fat") + "|" + ReadFile(*this / "MENU.mix"); }
};

} // namespace

TEST(PendingFile, HasNoNameUntilItIsCommitted) {
    for (bool unnamed : {true, false}) {
        PendingFile::RefuseUnnamedFiles(!unnamed);
        TempDir dir;
        WriteFile(dir / "a.txt", "earlier");
        {
            PendingFile f(dir / "a.txt");
            WriteAll(f.Fd(), "new", 3);
            Lines names = ListTree(dir.Path());
            if (unnamed) {
                EXPECT_EQ(names, Lines{"a.txt"});
            } else {
                ASSERT_EQ(names.size(), 2u);
                EXPECT_TRUE(PendingFile::IsTemporaryName(names[0])) << names[0];
            }
            EXPECT_EQ(ReadFile(dir / "a.txt"), "earlier");
            f.Commit();
        }
        EXPECT_EQ(ListTree(dir.Path()), Lines{"a.txt"});
        EXPECT_EQ(ReadFile(dir / "a.txt"), "new");
        {
            PendingFile dropped(dir / "b.txt");
            WriteAll(dropped.Fd(), "x", 1);
        }
        EXPECT_EQ(ListTree(dir.Path()), Lines{"a.txt"});
    }
    PendingFile::RefuseUnnamedFiles(false);
}

TEST(PendingFile, TemporaryNamesAreRecognisable) {
    EXPECT_TRUE(PendingFile::IsTemporaryName(".MENU.mix.packwright-29779-0.tmp"));
    EXPECT_TRUE(PendingFile::IsTemporaryName(".result.log.packwright-1-12.tmp"));
    EXPECT_FALSE(PendingFile::IsTemporaryName("MENU.mix.packwright-29779-0.tmp")); // not hidden
    EXPECT_FALSE(PendingFile::IsTemporaryName(".MENU.mix.29779-0.tmp"));           // someone else's
    EXPECT_FALSE(PendingFile::IsTemporaryName(".MENU.mix.packwright-x-0.tmp"));
    EXPECT_FALSE(PendingFile::IsTemporaryName(".MENU.mix.packwright-1-.tmp"));
    EXPECT_FALSE(PendingFile::IsTemporaryName(".packwright-1-2.tmp"));
}

TEST(Leftovers, OnlyFilesWhoseWriterIsGoneAreRemoved) {
    PendingFile::RefuseUnnamedFiles(true);
    TempDir dir;
    WriteFile(dir / ".MENU.mix.packwright-99999-0.tmp", "left by a killed run");
    WriteFile(dir / ".MENU.mix.29779-0.tmp", "not ours");
    WriteFile(dir / "notes.packwright-1-2.tmp", "not hidden: the user's");
    {
        PendingFile live(dir / "live.txt");
        RemoveLeftovers(dir.Path() + "/");
        Lines names = ListTree(dir.Path());
        EXPECT_EQ(names.size(), 3u);
        EXPECT_EQ(std::count_if(names.begin(), names.end(), PendingFile::IsTemporaryName), 1); // the live one
        live.Commit();
    }
    EXPECT_EQ(ListTree(dir.Path()), (Lines{".MENU.mix.29779-0.tmp", "live.txt", "notes.packwright-1-2.tmp"}));
    PendingFile::RefuseUnnamedFiles(false);
}

TEST(Leftovers, AWholeCommitRecordPutsTheNewPairInPlace) {
    Crashed dir(Record("MENU.mix", "MENU.fat"));
    EXPECT_TRUE(HasInterruptedCommit(dir / "MENU.fat"));
    RemoveLeftovers(dir.Path() + "/");
    EXPECT_EQ(dir.Pair(), "new index|new data");
    EXPECT_EQ(ListTree(dir.Path()), (Lines{"MENU.fat", "MENU.mix"}));
    EXPECT_FALSE(HasInterruptedCommit(dir / "MENU.fat"));
}

TEST(Leftovers, DataAlreadyRenamedOnlyTheIndexFollows) {
    Crashed dir(Record("MENU.mix", "MENU.fat"));
    ASSERT_TRUE(RenameReplacing(dir / ".MENU.packwright-new.mix", dir / "MENU.mix"));
    FinishInterruptedCommit(dir / "menu.fat"); // any spelling of the pack
    EXPECT_EQ(dir.Pair(), "new index|new data");
    EXPECT_EQ(ListTree(dir.Path()), (Lines{"MENU.fat", "MENU.mix"}));
}

TEST(Leftovers, WithoutAWholeRecordTheEarlierPairStays) {
    const std::string whole = Record("MENU.mix", "MENU.fat");
    std::string wrongHash = whole;
    wrongHash.back() ^= 1;
    for (const std::string& journal : {std::string(), whole.substr(0, whole.size() - 1), wrongHash,
                                       Record("../MENU.mix", "MENU.fat"), whole + "x"}) {
        Crashed dir(journal);
        EXPECT_FALSE(HasInterruptedCommit(dir / "MENU.fat"));
        RemoveLeftovers(dir.Path() + "/");
        EXPECT_EQ(dir.Pair(), "old index|old data");
        EXPECT_EQ(ListTree(dir.Path()), (Lines{"MENU.fat", "MENU.mix"}));
    }
}

TEST(Leftovers, StagedFilesWithoutAJournalAreRemoved) {
    Crashed dir("");
    ASSERT_TRUE(RemoveFile(dir / ".MENU.packwright-commit"));
    RemoveLeftovers(dir.Path() + "/");
    EXPECT_EQ(dir.Pair(), "old index|old data");
    EXPECT_EQ(ListTree(dir.Path()), (Lines{"MENU.fat", "MENU.mix"}));
}

TEST(Leftovers, AJournalSomeoneHoldsIsLeftAlone) {
    Crashed dir(Record("MENU.mix", "MENU.fat"));
    File held;
    ASSERT_EQ(TakeFileLock(dir / ".MENU.packwright-commit", false, held), LockResult::Taken);
    EXPECT_FALSE(HasInterruptedCommit(dir / "MENU.fat")); // its writer is still at it
    RemoveLeftovers(dir.Path() + "/");
    EXPECT_EQ(dir.Pair(), "old index|old data");
    EXPECT_EQ(ListTree(dir.Path()).size(), 5u);
    EXPECT_EQ(ErrorOf([&] { PairCommit commit(dir / "MENU.fat", dir / "MENU.mix", false); }),
              "Cannot create file " + dir / "MENU.mix");
    held.Close();
    { PairCommit commit(dir / "MENU.fat", dir / "MENU.mix", false); } // finishes it, commits nothing
    EXPECT_EQ(dir.Pair(), "new index|new data");
    EXPECT_EQ(ListTree(dir.Path()), (Lines{"MENU.fat", "MENU.mix"}));
}

TEST(PairCommit, ReplacesBothFilesAndLeavesNothingElse) {
    for (bool sync : {false, true}) {
        TempDir dir;
        WriteFile(dir / "MENU.fat", "old index");
        WriteFile(dir / "MENU.mix", "old data");
        PairCommit commit(dir / "MENU.fat", dir / "MENU.mix", sync);
        PendingFile data(dir / "MENU.mix", sync), index(dir / "MENU.fat", sync);
        WriteAll(data.Fd(), "new data", 8);
        WriteAll(index.Fd(), "new index", 9);
        EXPECT_EQ(ListTree(dir.Path()), (Lines{".MENU.packwright-commit", "MENU.fat", "MENU.mix"}));
        commit.Commit(data, index);
        EXPECT_EQ(ReadFile(dir / "MENU.fat") + "|" + ReadFile(dir / "MENU.mix"), "new index|new data");
        EXPECT_EQ(ListTree(dir.Path()), (Lines{"MENU.fat", "MENU.mix"}));
    }
}
