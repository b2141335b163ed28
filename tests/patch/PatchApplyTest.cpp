// Patches made and applied on generated packs: round trips, stacking,
// conflicts, re-applying, and the refusals that come before any write.
#include <gtest/gtest.h>

#include "core/FileIO.h"
#include "packs/Driver.h"
#include "packs/Kinds.h"
#include "packs/patch/Deflate.h"
#include "patch/PatchFixture.h"

using namespace pw;
using namespace pw::patch;
using namespace pwtest;

TEST(PatchRoundTrip, DiffThenApplyGivesTheModdedPack) {
    PatchWork w;
    // Grown, emptied, filled from empty, shrunk below the buffered size.
    const PackDesign mod = Modded({{0, "hello, world"}, {1, ""}, {2, Bytes(70, 3)}, {3, Bytes(1000, 4)}});
    const std::string patch = w.MakePatch("a", mod);
    {
        PatchFile file(patch);
        ASSERT_EQ(file.Packs().size(), 1u);
        EXPECT_EQ(file.Packs()[0].name, "MENU.fat");
        EXPECT_EQ(file.Packs()[0].entries.size(), 4u);
        EXPECT_EQ(file.Info().title, "a");
    }
    EXPECT_EQ(w.Apply({patch}, w.out), "");
    EXPECT_TRUE(SameEntries(w.out + P("/MENU.fat"), w.dir / "mods/a/MENU.fat"));
    w.opened.clear();
    PatchFile file(patch);
    EXPECT_TRUE(VerifyPatched(w.out + P("/MENU.fat"), {&file}, w.game).empty());
}

TEST(PatchRoundTrip, APatchHoldsOnlyTheChangedEntriesCompressed) {
    PatchWork w;
    const std::string patch = w.MakePatch("a", Modded({{3, std::string(200000, 'z')}}));
    const int64_t size = RegularFileSize(patch);
    EXPECT_LT(size, 2000); // 200,000 equal bytes deflate to a few hundred
    PatchFile file(patch);
    std::string data;
    file.ReadData(file.Packs()[0].entries[0], [&](const unsigned char* p, size_t n) { data.append((const char*)p, n); });
    EXPECT_EQ(data, std::string(200000, 'z'));
}

TEST(PatchRoundTrip, UncompressibleBlocksAreStoredAndTheRestDeflated) {
    EXPECT_TRUE(LooksIncompressible(reinterpret_cast<const unsigned char*>(Bytes(16384, 1).data()), 16384));
    const std::string text = std::string(8192, 'a') + Bytes(8192, 2);
    EXPECT_FALSE(LooksIncompressible(reinterpret_cast<const unsigned char*>(text.data()), text.size()));
    EXPECT_FALSE(LooksIncompressible(reinterpret_cast<const unsigned char*>(Bytes(16383, 1).data()), 16383));

    // Noise and zeros in turns, across the writer's 256 KiB pieces, so that
    // the stream changes level many times and mid-piece.
    PatchWork w;
    std::string data, noise;
    for (unsigned k = 0; data.size() < 700000; ++k) {
        const std::string n = Bytes(16384 + 1000 * k, k);
        data += n + std::string(20000 + 3 * k, '\0');
        noise += n;
    }
    data += Bytes(5000, 99);
    const std::string patch = w.MakePatch("a", Modded({{3, data}}));
    const int64_t size = RegularFileSize(patch);
    EXPECT_GT(size, int64_t(noise.size())); // the noise stored
    EXPECT_LT(size, int64_t(noise.size() + 20000)); // the zeros not
    EXPECT_EQ(w.Apply({patch}, w.out), "");
    EXPECT_TRUE(SameEntries(w.out + P("/MENU.fat"), w.dir / "mods/a/MENU.fat"));
}

TEST(PatchRoundTrip, DiffOfLogsThenApplyEqualsInsertOfTheLog) {
    PatchWork w;
    const std::string x = w.dir / "x";
    ASSERT_EQ(RunList(w.ctx, {w.gamePack}, KindPacks, FormatNames[0], x), Outcome::Done);
    WriteFile(x + P("/MENU/TXT/00000000.txt"), "edited text");
    RemovePath(x + P("/MENU/TGA/00000001.tga"));        // kept: not in the patch
    WriteFile(x + P("/MENU/INI/00000004.ini"), "a=1\n"); // same: not in the patch
    WriteFile(x + P("/MENU/BIN/00000003.bin"), Bytes(150000, 9));
    const std::string log = x + P("/result.log");
    const std::string patch = w.dir / "log.pwpatch";
    ASSERT_TRUE(WritePatchFromLogs(w.ctx, patch, {}, {log}, x));
    {
        PatchFile file(patch);
        ASSERT_EQ(file.Packs()[0].entries.size(), 2u);
        EXPECT_EQ(file.Packs()[0].entries[0].index, 0u);
        EXPECT_EQ(file.Packs()[0].entries[1].index, 3u);
    }

    EXPECT_EQ(w.Apply({patch}, w.out), "");
    const std::string inserted = w.dir / "inserted";
    ASSERT_EQ(RunList(w.ctx, {log}, KindLogs, "", inserted), Outcome::Done);
    EXPECT_TRUE(SamePack(w.out + P("/MENU.fat"), inserted + P("/MENU.fat")));

    // The inserted pack is the modded one a modder has: diff then apply gives it byte for byte.
    const std::string again = w.dir / "again.pwpatch";
    ASSERT_TRUE(WritePatch(w.ctx, again, {}, {DiffPacks(w.gamePack, inserted + P("/MENU.fat"))}));
    EXPECT_EQ(w.Apply({again}, w.dir / "applied"), "");
    EXPECT_TRUE(SamePack(w.dir / "applied/MENU.fat", inserted + P("/MENU.fat")));
}

TEST(PatchRoundTrip, VerifiedApplyReadsTheSuppliedEntriesBack) {
    PatchWork w;
    const std::string patch = w.MakePatch("a", Modded({{0, "new"}, {3, Bytes(300000, 5)}}));
    w.ctx.VerifyRebuilds = true;
    EXPECT_EQ(w.Apply({patch}, w.out), "");
    EXPECT_TRUE(SameEntries(w.out + P("/MENU.fat"), w.dir / "mods/a/MENU.fat"));
}

TEST(PatchStacking, DisjointPatchesInEitherOrderGiveOnePack) {
    PatchWork w;
    const std::string a = w.MakePatch("a", Modded({{0, "first mod"}}));
    const std::string b = w.MakePatch("b", Modded({{4, "b=2\n"}, {5, Bytes(9000, 6)}}));
    EXPECT_EQ(w.Apply({a, b}, w.dir / "ab"), "");
    EXPECT_EQ(w.Apply({b, a}, w.dir / "ba"), "");
    EXPECT_TRUE(SamePack(w.dir / "ab/MENU.fat", w.dir / "ba/MENU.fat"));
    MakeDir(w.dir / "both");
    WritePack(w.dir / "both/MENU.fat", Modded({{0, "first mod"}, {4, "b=2\n"}, {5, Bytes(9000, 6)}}));
    EXPECT_TRUE(SameEntries(w.dir / "ab/MENU.fat", w.dir / "both/MENU.fat"));
}

TEST(PatchStacking, AConflictIsRefusedWithoutWritingAndPreferLaterSettlesIt) {
    PatchWork w;
    const std::string a = w.MakePatch("a", Modded({{0, "mod a"}, {1, "pic a"}}));
    const std::string b = w.MakePatch("b", Modded({{0, "mod b"}, {1, "pic b"}, {5, "b"}}));
    const std::string error = w.Apply({a, b}, w.out);
    EXPECT_EQ(error, "MENU.fat entry 0 (menu.txt) is changed differently by " + a + " and " + b + "\n" +
                         "MENU.fat entry 1 (logo.tga) is changed differently by " + a + " and " + b);
    EXPECT_FALSE(FileExists(w.out + P("/MENU.fat")));
    EXPECT_FALSE(FileExists(w.out + P("/MENU.mix")));

    ApplyPlan plan = w.Plan({a, b}, w.out, true);
    ASSERT_TRUE(plan.Ok());
    EXPECT_EQ(plan.packs[0].conflicts, 2u);
    EXPECT_TRUE(plan.packs[0].entries[2].wins);
    EXPECT_EQ(w.Apply({a, b}, w.out, true), "");
    EXPECT_TRUE(SameEntries(w.out + P("/MENU.fat"), w.dir / "mods/b/MENU.fat"));
}

TEST(PatchStacking, TheSameChangeInTwoPatchesIsNoConflict) {
    PatchWork w;
    const std::string a = w.MakePatch("a", Modded({{0, "same"}}));
    const std::string b = w.MakePatch("b", Modded({{0, "same"}, {4, "x"}}));
    ApplyPlan plan = w.Plan({a, b}, w.out);
    ASSERT_TRUE(plan.Ok()) << plan.Problems();
    EXPECT_EQ(plan.packs[0].applies, 2u);
    EXPECT_EQ(plan.packs[0].already, 1u);
    EXPECT_EQ(w.Apply({a, b}, w.out), "");
    EXPECT_TRUE(SameEntries(w.out + P("/MENU.fat"), w.dir / "mods/b/MENU.fat"));
}

TEST(PatchStacking, APatchNamedTwiceIsOpenedOnceAndAppliesOnce) {
    PatchWork w;
    const std::string a = w.MakePatch("a", Modded({{0, "mod a"}}));
    ApplyPlan plan = w.Plan({a, w.dir / "mods/../a.pwpatch"}, w.out);
    ASSERT_TRUE(plan.Ok()) << plan.Problems();
    EXPECT_EQ(w.opened.size(), 1u);
    EXPECT_EQ(plan.packs[0].applies, 1u);
    EXPECT_EQ(plan.packs[0].already, 1u);
}

TEST(PatchStacking, ReApplyingChangesNothing) {
    PatchWork w;
    const std::string a = w.MakePatch("a", Modded({{0, "mod a"}, {3, Bytes(5000, 8)}}));
    ASSERT_EQ(w.Apply({a}, w.out), "");
    // The patched pack as the game's: every entry is there already.
    const std::string again = w.dir / "again";
    RunFolders other;
    w.opened.clear();
    PatchFile file(a);
    ApplyPlan plan = PlanApply({&file}, w.out, again, false);
    ASSERT_TRUE(plan.Ok()) << plan.Problems();
    EXPECT_EQ(plan.packs[0].already, 2u);
    EXPECT_TRUE(plan.packs[0].takes.empty());
    ASSERT_EQ(RunApply(other.ctx, plan, again), Outcome::Done);
    EXPECT_TRUE(SamePack(again + P("/MENU.fat"), w.out + P("/MENU.fat")));
}

TEST(PatchRefusals, AChangedBaseIsNamedAndOtherChangesElsewhereAreFine) {
    PatchWork w;
    const std::string a = w.MakePatch("a", Modded({{0, "mod a"}, {4, "ini"}}));
    // The user's game: another mod changed entry 5 (untouched by the patch): fine.
    WritePack(w.gamePack, Modded({{5, "other mod"}}));
    EXPECT_EQ(w.Apply({a}, w.dir / "fine"), "");
    // ... and entry 4 (which the patch changes): refused.
    WritePack(w.gamePack, Modded({{4, "other ini"}}));
    EXPECT_EQ(w.Apply({a}, w.out), "MENU.fat entry 4 (small.ini) is not the one " + a + " was made for");
    EXPECT_EQ(ListTree(w.out), std::vector<std::string>{});
}

TEST(PatchRefusals, AMissingPackIsNamedAndALetterCaseIsNoMatter) {
    PatchWork w;
    const std::string a = w.MakePatch("a", Modded({{0, "mod a"}}));
    std::rename(w.gamePack.c_str(), (w.game + P("/menu.FAT")).c_str());
    std::rename((w.game + P("/MENU.mix")).c_str(), (w.game + P("/Menu.MIX")).c_str());
    EXPECT_EQ(w.Apply({a}, w.out), "");
    EXPECT_TRUE(FileExists(w.out + P("/menu.FAT")));
    RemovePath(w.game + P("/menu.FAT"));
    EXPECT_EQ(w.Apply({a}, w.dir / "none"), "Cannot open file " + w.game + P("/MENU.fat"));
    EXPECT_FALSE(FileExists(w.dir / "none"));
}

TEST(PatchRefusals, NeverOverTheSource) {
    PatchWork w;
    const std::string a = w.MakePatch("a", Modded({{0, "mod a"}}));
    const std::string before = PackBytes(w.gamePack);
    EXPECT_EQ(w.Apply({a}, w.game), "Cannot create file " + w.game + P("/MENU.fat"));
    EXPECT_TRUE(PackBytes(w.gamePack) == before);
}

TEST(PatchRefusals, AnotherPackOrEntryNameIsNotTheOne) {
    PatchWork w;
    const std::string a = w.MakePatch("a", Modded({{1, "pic"}}));
    PackDesign renamed = GamePack();
    renamed.Entries[1].Name = "other.tga";
    WritePack(w.gamePack, renamed);
    EXPECT_EQ(w.Apply({a}, w.out), "MENU.fat entry 1 (logo.tga) is not the one " + a + " was made for");
}

TEST(PatchMaking, PacksThatDoNotMatchAreRefusedByTheirFirstDifference) {
    PatchWork w;
    PackDesign fewer = GamePack();
    fewer.Entries.pop_back();
    MakeDir(w.dir / "fewer");
    WritePack(w.dir / "fewer/MENU.fat", fewer);
    EXPECT_EQ(ErrorOf([&] { DiffPacks(w.gamePack, w.dir / "fewer/MENU.fat"); }),
              "Pack " + (w.dir / "fewer/MENU.fat") + " has 5 entries, " + w.gamePack + " has 6");
    PackDesign renamed = GamePack();
    renamed.Entries[2].Name = "some.dat";
    MakeDir(w.dir / "renamed");
    WritePack(w.dir / "renamed/MENU.fat", renamed);
    EXPECT_EQ(ErrorOf([&] { DiffPacks(w.gamePack, w.dir / "renamed/MENU.fat"); }),
              "Entry 2 is some.dat in " + (w.dir / "renamed/MENU.fat") + " but none.dat in " + w.gamePack);
    // No change at all makes no patch.
    MakeDir(w.dir / "copy");
    WritePack(w.dir / "copy/MENU.fat", GamePack());
    EXPECT_EQ(ErrorOf([&] { WritePatch(w.ctx, w.dir / "p.pwpatch", {}, {DiffPacks(w.gamePack, w.dir / "copy/MENU.fat")}); }),
              "Nothing to put in patch " + (w.dir / "p.pwpatch"));
    EXPECT_FALSE(FileExists(w.dir / "p.pwpatch"));
}

TEST(PatchStop, AStopLeavesNoPack) {
    PatchWork w;
    const std::string a = w.MakePatch("a", Modded({{0, "mod a"}, {5, "x"}}));
    ApplyPlan plan = w.Plan({a}, w.out);
    w.ctx.AfterRebuildEntry = [&](size_t k) {
        if (k == 2) w.ctx.RequestStop();
    };
    EXPECT_EQ(RunApply(w.ctx, plan, w.out), Outcome::Stopped);
    EXPECT_FALSE(FileExists(w.out + P("/MENU.fat")));
    EXPECT_EQ(ListTree(w.out), std::vector<std::string>{});
}

TEST(PatchVerify, AnEntryWithOtherDataIsNamed) {
    PatchWork w;
    const std::string a = w.MakePatch("a", Modded({{0, "mod a"}}));
    PatchFile file(a);
    // A copy of the game's pack does not hold the patch's data; a pack with
    // the patch's data and another change does not hold the game's elsewhere.
    MakeDir(w.dir / "copy");
    WritePack(w.dir / "copy/MENU.fat", GamePack());
    EXPECT_EQ(VerifyPatched(w.dir / "copy/MENU.fat", {&file}, w.game),
              std::vector<std::string>{"entry 0 (menu.txt) does not hold the data of " + a});
    MakeDir(w.dir / "wrong");
    WritePack(w.dir / "wrong/MENU.fat", Modded({{0, "mod a"}, {4, "z"}}));
    EXPECT_EQ(VerifyPatched(w.dir / "wrong/MENU.fat", {&file}, w.game),
              std::vector<std::string>{"entry 4 (small.ini) does not hold the data of " + w.gamePack});
}

TEST(PatchMaking, EntriesAreComparedByTheirDataWhereverTheyLie) {
    PatchWork w;
    PackDesign shuffled = Modded({{4, "a=2\n"}});
    shuffled.Placement = Layout::Shuffled;
    const std::string a = w.MakePatch("a", shuffled);
    {
        PatchFile file(a);
        ASSERT_EQ(file.Packs()[0].entries.size(), 1u);
        EXPECT_EQ(file.Packs()[0].entries[0].index, 4u);
        EXPECT_EQ(file.Packs()[0].entries[0].baseSize, 4);
    }
    EXPECT_EQ(w.Apply({a}, w.out), "");
    EXPECT_TRUE(SameEntries(w.out + P("/MENU.fat"), w.dir / "mods/a/MENU.fat"));
}
