// The Mods window on a generated game folder: a mod list opened with one
// mod switched off, the clash it shows once switched on, the refusal and
// its settling by "Later mods win", Deploy and Restore game with their
// questions, and the list saved again.
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "app/browse/PreviewPane.h"
#include "app/mods/ModsWindow.h"
#include "app/browse/Paths.h"
#include "packs/patch/PatchMake.h"
#include "tests/app/AppFixture.h"

namespace {

class ModsWindowTest : public AppTest {
protected:
    // The game's MENU pack, and a patch NAME.pwpatch whose entry 0 is `text`.
    void MakeGame() { MakePack("game/MENU", {{"menu.txt", "hello"}, {"logo.tga", SmallTarga('a')}}); }
    QString MakePatch(const QString& name, const std::string& text) {
        MakePack(name + "/MENU", {{"menu.txt", text}, {"logo.tga", SmallTarga('a')}});
        pw::patch::Manifest m;
        m.title = name.toStdString();
        EXPECT_TRUE(pw::patch::WritePatch(w->Run, pw::ToPath(Path(name + ".pwpatch")), m,
                                          {pw::patch::DiffPacks(pw::ToPath(Path("game/MENU.fat")),
                                                                pw::ToPath(Path(name + "/MENU.fat")))}));
        return Path(name + ".pwpatch");
    }
};

TEST_F(ModsWindowTest, AListDeployedWithItsClashSettledThenTheGameRestored) {
    MakeGame();
    const std::string shipped = Read(Path("game/MENU.fat")) + Read(Path("game/MENU.mix"));
    MakePatch("red", "red menu");
    MakePatch("blue", "blue menu");
    Write("play.pwmods", "red.pwpatch\n# blue.pwpatch\n");
    pw::TModsForm* m = w->ShowMods(Path("play.pwmods"));
    ASSERT_TRUE(m);
    ASSERT_EQ(m->Mods->topLevelItemCount(), 2);
    EXPECT_EQ(m->Mods->topLevelItem(0)->text(0), "red");
    EXPECT_EQ(m->Mods->topLevelItem(1)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(m->Conflicts->topLevelItemCount(), 0);

    m->Mods->topLevelItem(1)->setCheckState(0, Qt::Checked);
    ASSERT_EQ(m->Conflicts->topLevelItemCount(), 1);
    EXPECT_EQ(m->Conflicts->topLevelItem(0)->text(3), "red, blue");
    EXPECT_EQ(m->Mods->topLevelItem(0)->text(5), "1");
    // Each version of the entry, previewed side by side.
    WaitForPreview(m->LastVersion, [&] { m->Conflicts->setCurrentItem(m->Conflicts->topLevelItem(0)); });
    while (m->FirstVersion->Busy()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(m->FirstVersion->Current().text, "red menu");
    EXPECT_EQ(m->LastVersion->Current().text, "blue menu");

    m->SetGameDir(Path("game"));
    m->Deploy->click();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].text.contains("is changed differently by")) << dialogs.boxes[0].text.toStdString();
    EXPECT_EQ(Read(Path("game/MENU.fat")) + Read(Path("game/MENU.mix")), shipped);

    m->LaterWins->setChecked(true);
    EXPECT_EQ(m->Conflicts->topLevelItem(0)->text(4), "blue");
    dialogs.answers = {true};
    m->Deploy->click();
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_TRUE(dialogs.questions[0].startsWith("1 packs to modify, 0 to restore, 1 entries, 1 conflicts, 0 refused."));
    ASSERT_EQ(m->Packs->topLevelItemCount(), 1);
    EXPECT_EQ(m->Packs->topLevelItem(0)->text(1), "modded");
    EXPECT_EQ(m->StatusLine->text(), "Operation complete!");
    EXPECT_NE(Read(Path("game/MENU.mix")).find("blue menu"), std::string::npos);

    dialogs.answers = {true};
    m->Restore->click();
    EXPECT_EQ(Read(Path("game/MENU.fat")) + Read(Path("game/MENU.mix")), shipped);
    EXPECT_EQ(m->Packs->topLevelItemCount(), 0);

    m->Mods->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    dialogs.saves = {Path("saved.pwmods")};
    m->SaveList->click();
    EXPECT_NE(Read(Path("saved.pwmods")).find("\n# red.pwpatch\nblue.pwpatch\n"), std::string::npos);
}

} // namespace
