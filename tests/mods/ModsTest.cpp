// Deployments into a generated game folder: the round trip back to the
// game's own files (the very files, with their times), a second list
// replacing the first, refusals that write nothing, a game update and a
// repaired pack, and mod lists.
#include <gtest/gtest.h>

#include "core/Error.h"
#include "core/FileSync.h"
#include "mods/ModsFixture.h"
#include "packs/mods/ModList.h"
#include "packs/patch/PatchMake.h"

using namespace pw;
using namespace pw::mods;
using namespace pwtest;

namespace {

std::string Entry(const std::string& pack, size_t k) { return ReadPack(pack).EntryData(k); }

// Replaces a pack of the game's folder as an updater does: a new file.
void ReplacePack(ModsWork& w, const std::string& name, const PackDesign& pack) {
    TempDir t;
    WritePack(t / (name + ".fat"), pack);
    ASSERT_TRUE(RenameReplacing(t / (name + ".fat"), w.G(name + ".fat")));
    ASSERT_TRUE(RenameReplacing(t / (name + ".mix"), w.G(name + ".mix")));
}

} // namespace

TEST(Mods, DeployTakeOneOutAndRestoreGivesTheVeryFilesBack) {
    ModsWork w;
    const auto vanilla = w.Packs();
    const auto stamps = w.Stamps();
    const std::string a = w.MakePatch("a", {{"MENU", {{0, "menu by a"}}}, {"SOUND", {{1, Bytes(5000, 7)}}}});
    const std::string b = w.MakePatch("b", {{"MENU", {{4, "b=2\n"}}}});

    ASSERT_EQ(w.Deploy({a, b}), "");
    EXPECT_EQ(Entry(w.G("MENU.fat"), 0), "menu by a");
    EXPECT_EQ(Entry(w.G("MENU.fat"), 4), "b=2\n");
    EXPECT_EQ(Entry(w.G("SOUND.fat"), 1), Bytes(5000, 7));
    {
        ModsSession s(w.game);
        EXPECT_TRUE(s.Status().Ok());
        EXPECT_EQ(s.Status().mods.size(), 2u);
        EXPECT_TRUE(s.Verify(w.ctx).empty());
    }

    // Taking a out leaves no trace of it: SOUND is the game's very file again.
    ASSERT_EQ(w.Deploy({b}), "");
    EXPECT_EQ(Entry(w.G("MENU.fat"), 0), "hello MENU");
    EXPECT_EQ(Entry(w.G("MENU.fat"), 4), "b=2\n");
    EXPECT_EQ(w.Stamps()[2], stamps[2]);
    EXPECT_EQ(w.Stamps()[3], stamps[3]);
    {
        ModsSession s(w.game);
        const DeployPlan again = s.Plan({b}, {});
        EXPECT_TRUE(again.unchanged);
        ASSERT_EQ(s.Status().packs.size(), 1u);
        EXPECT_EQ(s.Status().packs[0].entries, 1u);
        EXPECT_TRUE(s.Verify(w.ctx).empty());
    }

    ASSERT_EQ(w.Deploy({}), "");
    EXPECT_EQ(w.Packs(), vanilla);
    EXPECT_EQ(w.Stamps(), stamps);
    EXPECT_EQ(w.Files(), (std::vector<std::string>{"MENU.fat", "MENU.mix", "SOUND.fat", "SOUND.mix"}));
}

TEST(Mods, RefusalsWriteNothing) {
    struct Case {
        const char* what;
        std::function<std::vector<std::string>(ModsWork&)> patches;
        const char* message;
        DeployOptions options;
    };
    // A patch of a pack the game's folder does not hold.
    const auto music = [](ModsWork& w) {
        TempDir other;
        WritePack(other / "MUSIC.fat", ModsWork::Pack("MENU"));
        std::vector<patch::PackChanges> packs;
        WritePack(w.dir / "MUSIC.fat", ModsWork::Pack("MENU", {{0, "x"}}));
        packs.push_back(patch::DiffPacks(other / "MUSIC.fat", w.dir / "MUSIC.fat"));
        EXPECT_TRUE(patch::WritePatch(w.ctx, w.dir / "m.pwpatch", {}, packs));
        return std::vector{w.dir / "m.pwpatch", w.MakePatch("c", {{"SOUND", {{0, "c's"}}}})};
    };
    const Case cases[] = {
        {"conflict", [](ModsWork& w) { return std::vector{w.MakePatch("c", {{"MENU", {{0, "c's"}}}}),
                                                          w.MakePatch("d", {{"MENU", {{0, "d's"}}}})}; },
         "is changed differently by", {}},
        {"another version", [](ModsWork& w) {
             TempDir other;
             WritePack(other / "MENU.fat", ModsWork::Pack("MENU", {{3, "other"}}));
             return std::vector{w.MakePatch("c", {{"MENU", {{3, "c's"}}}}, other.Path())};
         }, "is not the one", {}},
        {"missing pack", music, "MUSIC.fat is not in ", {}},
        {"missing pack, the rest deployable", music, ": is this the game's folder?", {.skipRefused = true}},
        {"held pack", [](ModsWork& w) { return std::vector{w.MakePatch("c", {{"SOUND", {{0, "c's"}}}})}; },
         "SOUND.fat is open in another program", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ModsWork w;
        const std::string b = w.MakePatch("b", {{"MENU", {{4, "b=2\n"}}}});
        ASSERT_EQ(w.Deploy({b}), "");
        const auto before = w.Packs();
        const auto stamps = w.Stamps();
        const auto tree = ListTree(w.game);
        const std::vector<std::string> patches = c.patches(w);
        File held;
        if (std::string(c.what) == "held pack") held = OpenReadNotShared(w.G("SOUND.mix"));
        EXPECT_NE(w.Deploy(patches, c.options).find(c.message), std::string::npos) << w.Deploy(patches, c.options);
        EXPECT_EQ(w.Packs(), before);
        EXPECT_EQ(w.Stamps(), stamps);
        EXPECT_EQ(ListTree(w.game), tree);
    }
}

TEST(Mods, ADamagedJournalIsNeitherRunNorUndone) {
    ModsWork w;
    ASSERT_EQ(w.Deploy({w.MakePatch("b", {{"MENU", {{4, "b=2\n"}}}})}), "");
    WriteFile(w.G(".packwright/journal"), "PWMODS journal 1 0000000000000000\n{}");
    WriteFile(w.G(".packwright/stage/MENU.fat"), "staged");
    const auto tree = ListTree(w.game);
    EXPECT_EQ(w.Deploy({}).find("Damaged deployment journal"), 0u);
    EXPECT_EQ(ListTree(w.game), tree);
}

TEST(Mods, ARestoreWithoutItsKeptPackWritesNothing) {
    ModsWork w;
    ASSERT_EQ(w.Deploy({w.MakePatch("b", {{"MENU", {{4, "b=2\n"}}}})}), "");
    RemovePath(w.G(".packwright/vanilla/MENU.mix"));
    const auto before = w.Packs();
    const std::string error = w.Deploy({});
    EXPECT_EQ(error.find("Cannot open file"), 0u) << error;
    EXPECT_TRUE(error.ends_with("Nothing was deployed: the game's folder is as it was")) << error;
    EXPECT_FALSE(FileExists(w.G(".packwright/journal")));
    EXPECT_EQ(w.Packs(), before);
}

TEST(Mods, AfterAGameUpdateTheEntriesItLeftAloneStillApply) {
    ModsWork w;
    const auto menuStamps = w.Stamps();
    const std::string a = w.MakePatch("a", {{"MENU", {{0, "menu by a"}}}, {"SOUND", {{1, "a's logo"}, {4, "a=9\n"}}}});
    ASSERT_EQ(w.Deploy({a}), "");
    // The update changes the entry a changes, and another one.
    const PackDesign updated = ModsWork::Pack("SOUND", {{1, "the update's logo"}, {3, "the update's music"}});
    ReplacePack(w, "SOUND", updated);
    const std::string updateIndex = ReadFile(w.G("SOUND.fat")), updateData = ReadFile(w.G("SOUND.mix"));
    {
        ModsSession s(w.game);
        const GameStatus status = s.Status();
        EXPECT_FALSE(status.Ok());
        EXPECT_EQ(status.packs[1].state, PackState::Changed);
    }
    const auto before = w.Packs();
    EXPECT_EQ(w.Deploy({a}), ChangedMessage("SOUND.fat"));
    EXPECT_EQ(w.Deploy({}), ChangedMessage("SOUND.fat")); // restore never puts an older file back on its own
    DeployOptions accept;
    accept.acceptUpdate = true;
    EXPECT_EQ(w.Deploy({a}, accept), "SOUND.fat entry 1 (logo.tga) is not the one " + a + " was made for");
    EXPECT_EQ(w.Packs(), before);

    accept.skipRefused = true;
    {
        ModsSession s(w.game);
        const DeployPlan plan = s.Plan({a}, accept);
        ASSERT_TRUE(plan.Ok());
        EXPECT_EQ(plan.leftOut, (std::vector<std::string>{"SOUND.fat entry 1 (logo.tga) is not the one " + a +
                                                          " was made for"}));
        ASSERT_EQ(s.Deploy(w.ctx, plan, accept), Outcome::Done);
        EXPECT_TRUE(s.Verify(w.ctx).empty());
    }
    EXPECT_EQ(Entry(w.G("SOUND.fat"), 1), "the update's logo");
    EXPECT_EQ(Entry(w.G("SOUND.fat"), 3), "the update's music");
    EXPECT_EQ(Entry(w.G("SOUND.fat"), 4), "a=9\n");
    EXPECT_EQ(Entry(w.G("MENU.fat"), 0), "menu by a");

    // Back to the game as it is now: the updated SOUND, the shipped MENU.
    ASSERT_EQ(w.Deploy({}), "");
    EXPECT_EQ(ReadFile(w.G("SOUND.fat")), updateIndex);
    EXPECT_EQ(ReadFile(w.G("SOUND.mix")), updateData);
    EXPECT_EQ(w.Stamps()[0], menuStamps[0]);
    EXPECT_EQ(w.Stamps()[1], menuStamps[1]);
    EXPECT_EQ(w.Files().size(), 4u);
}

TEST(Mods, APackRepairedToItsVanillaIsNoUpdate) {
    ModsWork w;
    const auto stamps = w.Stamps();
    const auto vanilla = w.Packs();
    ASSERT_EQ(w.Deploy({w.MakePatch("a", {{"MENU", {{0, "menu by a"}}}})}), "");
    ReplacePack(w, "MENU", ModsWork::Pack("MENU")); // the launcher's copy of the shipped pack
    {
        ModsSession s(w.game);
        EXPECT_EQ(s.Status().packs[0].state, PackState::Vanilla);
    }
    ASSERT_EQ(w.Deploy({}), "");
    EXPECT_EQ(w.Packs(), vanilla);
    EXPECT_EQ(w.Stamps(), stamps);
}

TEST(Mods, ModListsKeepOrderAndSwitchedOffMods) {
    TempDir t;
    MakeDir(t / "sub");
    WriteFile(t / "my.pwmods", "# my profile\n\n  a.pwpatch\r\n#  sub/b.pwpatch\n" + t / "c.pwpatch" + "\n# a note\n");
    const std::vector<ListedMod> mods = ReadModList(t / "my.pwmods").mods;
    ASSERT_EQ(mods.size(), 3u);
    EXPECT_EQ(mods[0].path, t / "a.pwpatch");
    EXPECT_FALSE(mods[1].enabled);
    EXPECT_EQ(mods[1].path, t.Path() + "/sub/b.pwpatch");
    EXPECT_EQ(EnabledMods(mods), (std::vector<std::string>{t / "a.pwpatch", t / "c.pwpatch"}));
    WriteModList(t / "copy.pwmods", mods, false);
    const std::vector<ListedMod> again = ReadModList(t / "copy.pwmods").mods;
    ASSERT_EQ(again.size(), 3u);
    EXPECT_EQ(EnabledMods(again), EnabledMods(mods));
    EXPECT_NE(ReadFile(t / "copy.pwmods").find("\n# sub/b.pwpatch\nc.pwpatch\n"), std::string::npos);
}

TEST(Mods, AListIsWrittenBackAsItWasRead) {
    const std::string text =
        "# my profile\r\n\r\n  a.pwpatch\r\n!prefer-later\r\n#  sub/b.pwpatch\r\nmoved/c.pwpatch\r\n# a note";
    const ModList list = ParseModList("/x/my.pwmods", text);
    EXPECT_TRUE(list.preferLater);
    ASSERT_EQ(list.mods.size(), 3u);
    EXPECT_EQ(ModListText("/x/my.pwmods", list.mods, true, &list), text);
    // b switched on and moved first, the setting off: only those lines change.
    std::vector<ListedMod> mods = list.mods;
    mods[1].enabled = true;
    std::swap(mods[0], mods[1]);
    mods.push_back({"/x/new.pwpatch", false});
    EXPECT_EQ(ModListText("/x/my.pwmods", mods, false, &list),
              "# my profile\r\n\r\nsub/b.pwpatch\r\n  a.pwpatch\r\nmoved/c.pwpatch\r\n# a note\r\n# new.pwpatch\r\n");
    // A mod not named .pwpatch cannot be switched off: its line would read
    // back as a comment.
    EXPECT_EQ(ErrorOf([] { ModListText("/x/my.pwmods", {{"/x/a.mod", false}}, false); }),
              "a.mod cannot be switched off in a mod list: only a .pwpatch file's line is read back as a "
              "switched-off mod");
    EXPECT_EQ(ModListText("/x/my.pwmods", {{"/x/a.pwpatch"}}, true),
              "# Packwright mod list: one patch a line, in load order; \"#\" switches a mod off\n!prefer-later\n"
              "a.pwpatch\n");
}
