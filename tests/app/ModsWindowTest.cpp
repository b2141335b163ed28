// The Mods window on a generated game folder: a mod list opened with one
// mod switched off, the clash it shows once switched on, the refusal and
// its settling by "Later mods win", Deploy and Restore game with their
// questions, and the list saved again; a clash of three mods with each
// mod's version; the window opened again on what is
// deployed; a list naming a patch that was moved, saved back as it was.
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>

#include "app/browse/DiffView.h"
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
    // The Mods window on the game with red and blue added, each changing entry 0.
    pw::TModsForm* ShowRedAndBlue() {
        MakeGame();
        MakePatch("red", "red menu");
        MakePatch("blue", "blue menu");
        pw::TModsForm* m = w->ShowMods();
        m->SetGameDir(Path("game"));
        m->AddPatches({Path("red.pwpatch"), Path("blue.pwpatch")});
        return m;
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
    WaitForPreview(m->Versions[1].preview, [&] { m->Conflicts->setCurrentItem(m->Conflicts->topLevelItem(0)); });
    while (m->Versions[0].preview->Busy()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(m->Versions[0].preview->Current().text, "red menu");
    EXPECT_EQ(m->Versions[1].preview->Current().text, "blue menu");

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
    EXPECT_EQ(dialogs.questions[0], "1 pack to modify, 1 entry changed, 1 conflict.\nMENU.fat entry 0 (menu.txt): "
                                    "blue wins\n\nDeploy?");
    ASSERT_EQ(m->Packs->topLevelItemCount(), 1);
    EXPECT_EQ(m->Packs->topLevelItem(0)->text(1), "modded");
    EXPECT_EQ(m->StatusLine->text(), "Operation complete!");
    EXPECT_NE(Read(Path("game/MENU.mix")).find("blue menu"), std::string::npos);

    dialogs.answers = {true};
    m->Restore->click();
    EXPECT_EQ(dialogs.questions.back(), "Restore the game: MENU.fat goes back to the game's own files.\n\nRestore game?");
    EXPECT_EQ(Read(Path("game/MENU.fat")) + Read(Path("game/MENU.mix")), shipped);
    EXPECT_EQ(m->Packs->topLevelItemCount(), 0);

    m->Mods->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    dialogs.saves = {Path("saved.pwmods")};
    m->SaveList->click();
    EXPECT_EQ(Read(Path("saved.pwmods")), "!prefer-later\n# red.pwpatch\nblue.pwpatch\n");
}

TEST_F(ModsWindowTest, AClashOfThreeModsShowsEveryModsVersionAndTheWinner) {
    MakeGame();
    const std::vector<std::pair<QString, std::string>> mods = {
        {"red", "red menu"}, {"green", "green menu"}, {"blue", "blue menu"}};
    QStringList paths;
    for (const auto& [name, text] : mods) paths.append(MakePatch(name, text));
    pw::TModsForm* m = w->ShowMods();
    m->SetGameDir(Path("game"));
    m->AddPatches(paths);
    m->LaterWins->setChecked(true);
    ASSERT_EQ(m->Conflicts->topLevelItemCount(), 1);
    EXPECT_EQ(m->Conflicts->topLevelItem(0)->text(3), "red, green, blue");
    WaitForPreview(m->GameVersion, [&] { m->Conflicts->setCurrentItem(m->Conflicts->topLevelItem(0)); });
    for (const auto& v : m->Versions)
        while (v.preview->Busy()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    while (m->GameVersion->Busy()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(m->ShownVersions(), 3u);
    EXPECT_EQ(m->GameVersion->Current().text, "hello");
    for (const auto& v : m->Versions)
        while (v.diff->Busy()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    for (size_t i = 0; i < mods.size(); ++i) {
        EXPECT_EQ(m->Versions[i].preview->Current().text, QString::fromStdString(mods[i].second));
        EXPECT_TRUE(m->Versions[i].label->text().startsWith(mods[i].first));
        EXPECT_TRUE(m->Versions[i].diff->isVisibleTo(m)) << "texts are shown as diffs against the game's";
    }
    EXPECT_EQ(m->Versions[2].label->text(), "blue (wins)");
}

TEST_F(ModsWindowTest, OpenedAgainOnADeployedGameItShowsWhatIsDeployed) {
    pw::TModsForm* m = ShowRedAndBlue();
    m->LaterWins->setChecked(true);
    dialogs.answers = {true};
    m->Deploy->click();
    ASSERT_EQ(m->Packs->topLevelItemCount(), 1);
    EXPECT_FALSE(m->Modified());
    const QPointer<pw::TModsForm> closed = m;
    m->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(closed);

    m = w->ShowMods();
    ASSERT_EQ(m->Mods->topLevelItemCount(), 2);
    EXPECT_EQ(m->Mods->topLevelItem(1)->text(0), "blue");
    EXPECT_TRUE(m->LaterWins->isChecked());
    EXPECT_EQ(m->windowTitle(), "Mods – deployed load order");
    EXPECT_EQ(m->History->topLevelItemCount(), 1);
    // Taking every mod out says so before it asks.
    m->Mods->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    m->Mods->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(m->windowTitle(), "Mods – deployed load order *");
    dialogs.answers = {false};
    m->Deploy->click();
    EXPECT_TRUE(dialogs.questions.back().startsWith(
        "This takes out every deployed mod (2 mods in 1 pack) and puts the game back as shipped."));
    dialogs.saveAnswers = {pw::Dialogs::SaveAnswer::Cancel};
    m->close();
    EXPECT_TRUE(m->isVisible());
    dialogs.saveAnswers = {pw::Dialogs::SaveAnswer::Discard};
    m->close();
    EXPECT_FALSE(m->isVisible());
}

TEST_F(ModsWindowTest, RowsNotSavedSurviveADeployAndEveryClose) {
    pw::TModsForm* m = ShowRedAndBlue();
    m->Mods->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    dialogs.answers = {true};
    m->Deploy->click();
    ASSERT_EQ(m->Packs->topLevelItemCount(), 1);
    ASSERT_EQ(m->Mods->topLevelItemCount(), 2) << "the switched-off row stays";
    EXPECT_TRUE(m->Modified());
    // Closing the main window asks about the load order too.
    dialogs.saveAnswers = {pw::Dialogs::SaveAnswer::Cancel};
    EXPECT_FALSE(w->close());
    // A list that cannot be written: the reason, and the window stays open.
    dialogs.saveAnswers = {pw::Dialogs::SaveAnswer::Save};
    dialogs.saves = {Path("no/such/folder/play.pwmods")};
    EXPECT_FALSE(m->close());
    ASSERT_FALSE(dialogs.boxes.empty());
    EXPECT_TRUE(dialogs.boxes.back().text.contains("Cannot create file")) << dialogs.boxes.back().text.toStdString();
}

TEST_F(ModsWindowTest, AListNamingAMovedPatchKeepsEveryLine) {
    MakeGame();
    MakePatch("red", "red menu");
    MakePatch("blue", "blue menu");
    const std::string list = "# evening\r\nred.pwpatch\r\nold/moved.pwpatch\r\n\r\n# blue.pwpatch\r\n!prefer-later\r\n";
    Write("play.pwmods", list);
    pw::TModsForm* m = w->ShowMods(Path("play.pwmods"));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].text.contains("line 3: Cannot open file")) << dialogs.boxes[0].text.toStdString();
    ASSERT_EQ(m->Mods->topLevelItemCount(), 3);
    EXPECT_EQ(m->Mods->topLevelItem(1)->text(3), "missing");
    EXPECT_EQ(m->Mods->topLevelItem(2)->checkState(0), Qt::Unchecked);
    EXPECT_TRUE(m->LaterWins->isChecked());
    m->SetGameDir(Path("game"));
    m->Deploy->click();
    EXPECT_TRUE(dialogs.boxes.back().text.startsWith("These mods cannot be read")) << dialogs.boxes.back().text.toStdString();
    dialogs.saves = {Path("play.pwmods")};
    m->SaveList->click();
    EXPECT_EQ(Read(Path("play.pwmods")), list);
}

} // namespace
