// What the windows say of themselves and how the contents window hands an
// entry to another program: a tooltip on every button, the reason a
// disabled action gives, Open with… remembered per type, the extension an
// entry without one gets, and the note when no application takes a type.
#include <QAction>
#include <QDialog>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

#include "AppFixture.h"
#include "app/FolderPrompt.h"
#include "app/browse/Contents.h"
#include "app/browse/PatchWindow.h"
#include "app/browse/PlanWindow.h"
#include "app/browse/TranslationWindow.h"
#include "app/mods/ModsWindow.h"
#include "app/open/Opener.h"
#include "packs/patch/PatchMake.h"

namespace {

// What the modal dialog that `open` shows leaves unexplained (it is then cancelled).
QStringList Unexplained(const std::function<void()>& open) {
    QStringList missing{"no dialog shown"};
    OnModal<QDialog>([&missing](QDialog& dialog) {
        missing = Unexplained(&dialog);
        dialog.reject();
    });
    open();
    return missing;
}

class ContentsHelpTest : public AppTest {
protected:
    void SetUp() override {
        QStandardPaths::setTestModeEnabled(true);
        qunsetenv("VISUAL");
        qunsetenv("EDITOR");
        QSettings().remove("openWith");
        AppTest::SetUp();
        MakePack("in/MENU", {{"a.ini", "[0x00000000]\nkey=value\n"}, {"notes", "plain words\n"},
                             {"pic", SmallTarga('\x10')}, {"raw", std::string("\x01\x02\x03", 3)}});
        form = w->ShowContents(Path("in/MENU.fat"));
        ASSERT_NE(form, nullptr);
        form->SetOpener(opener);
    }
    void TearDown() override {
        QSettings().remove("openWith");
        AppTest::TearDown();
    }
    pw::TContentsForm* form = nullptr;
    FakeOpener opener;
};

TEST_F(ContentsHelpTest, EveryButtonOfEveryWindowSaysWhatItDoes) {
    Add({Path("in/MENU.fat")}, 1);
    dialogs.folders.push_back(Path("out"));
    w->BProcess->click();
    ASSERT_NE(w->ShowChanges(Path("out/result.log")), nullptr);
    MakePack("game/MENU", {{"a.ini", "key=other\n"}, {"notes", "plain words\n"}, {"pic", SmallTarga('\x10')},
                           {"raw", std::string("\x01\x02\x03", 3)}});
    pw::PlainStatus quiet;
    pw::RunContext ctx(quiet);
    ASSERT_TRUE(pw::patch::WritePatch(ctx, pw::ToPath(Path("p.pwpatch")), {},
                                      {pw::patch::DiffPacks(pw::ToPath(Path("in/MENU.fat")),
                                                            pw::ToPath(Path("game/MENU.fat")))}));
    ASSERT_NE(w->ShowPatch(Path("p.pwpatch")), nullptr);
    // Each window on its own: the main window owns the others.
    ASSERT_NE(form->BExportTexts, nullptr); // a pack with numbered texts
    const std::vector<std::pair<const char*, const QWidget*>> windows = {
        {"contents", form}, {"plan", w->ChangesOf(Path("out/result.log"))}, {"patch", w->PatchOf(Path("p.pwpatch"))},
        {"mods", w->ShowMods()}, {"translation", new pw::TTranslationWindow({}, "t", dialogs, w.get())},
        {"directory", dir.get()}, {"folder prompt", new pw::FolderPrompt(w.get(), tmp.path(), dialogs)},
        {"main", w.get()}};
    for (const auto& [name, window] : windows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Unexplained(window), QStringList());
    }
    // Qt's patch details form, and the question when closing unsaved.
    pw::QtDialogs qt;
    pw::TContentsForm own(pw::ToPath(Path("in/MENU.fat")), qt);
    own.ReplaceEntry(1, Path("in/MENU.mix"));
    EXPECT_EQ(Unexplained([&] { own.SaveAsPatchClick(); }) + Unexplained([&] { own.close(); }), QStringList());
    // A tool bar that lost its tooltips would fail here.
    form->OpenWithAction->setToolTip(QString());
    EXPECT_EQ(Unexplained(form), QStringList{"Open with\u2026"});
}

TEST_F(ContentsHelpTest, ADisabledActionSaysWhy) {
    EXPECT_FALSE(form->UndoAllAction->isEnabled());
    EXPECT_TRUE(form->UndoAllAction->toolTip().endsWith("\nNothing replaced yet"));
    EXPECT_TRUE(form->ReplaceAction->toolTip().endsWith("\nSelect an entry first"));
    form->Table->selectRow(1);
    EXPECT_EQ(form->ReplaceAction->toolTip(), "Replace the selected entry by a file (Ctrl+R)");
    Write("new.txt", "new");
    form->ReplaceEntry(0, Path("new.txt"));
    EXPECT_TRUE(form->SaveAction->isEnabled());
    EXPECT_TRUE(form->UndoReplaceAction->toolTip().endsWith("\nNo selected entry is replaced"));
    EXPECT_EQ(form->Tools->actions().size(), 8); // six actions, two separators
}

TEST_F(ContentsHelpTest, AnEntryWithoutExtensionIsNamedAsWhatItHolds) {
    const struct {
        int row;
        const char* ends;
    } cases[] = {{0, "/MENU/INI/00000000.ini"}, {1, "/MENU/00000001.txt"}, {2, "/MENU/00000002.tga"},
                 {3, "/MENU/00000003.bin"}};
    for (const auto& c : cases) {
        form->Table->selectRow(c.row);
        const QString path = form->OpenInEditorClick();
        EXPECT_TRUE(path.endsWith(c.ends)) << path.toStdString();
        EXPECT_EQ(opener.calls.back(), "desktop " + path);
    }
}

TEST_F(ContentsHelpTest, OpenWithIsRememberedPerTypeAndUsedBeforeTheEditorAndTheDesktop) {
    qputenv("VISUAL", "");
    qputenv("EDITOR", "nano -w");
    form->Table->selectRow(1);
    const QString text = form->OpenInEditorClick();
    EXPECT_EQ(opener.calls.back(), "editor nano -w " + text); // a text goes to EDITOR

    dialogs.openTitle = "Open .txt files with";
    dialogs.opens.push_back({{"/usr/bin/kate"}, 1});
    EXPECT_EQ(form->OpenWithClick(), text);
    EXPECT_EQ(opener.calls.back(), "with /usr/bin/kate " + text);
    form->OpenInEditorClick();
    EXPECT_EQ(opener.calls.back(), "with /usr/bin/kate " + text); // remembered for .txt
    form->Table->selectRow(2);
    const QString picture = form->OpenInEditorClick(); // not for .tga
    EXPECT_EQ(opener.calls.back(), "desktop " + picture);

    // Nothing takes .ini files: the note names the type, not a failure.
    qunsetenv("EDITOR");
    opener.starts = false;
    form->Table->selectRow(0);
    form->OpenInEditorClick();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].kind, "info");
    EXPECT_EQ(dialogs.boxes[0].text, "No application opens .ini files: choose one with Open with\u2026");
    qunsetenv("VISUAL");
}

// Choosing a program starts in this system's folder of programs.
TEST(SystemOpenerTest, ProgramsFolderIsAFolderOfThisSystem) {
    const QString folder = pw::SystemOpener().ProgramsFolder();
    EXPECT_TRUE(QFileInfo(folder).isDir()) << folder.toStdString();
}

} // namespace
