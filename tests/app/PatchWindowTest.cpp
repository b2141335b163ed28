// Patches in the window: "Save as patch…" of the change plan window, the
// patch as a fourth kind of list input, the patch window, and Process
// applying the list's patches to the game's packs.
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <cstdlib>
#include <memory>

#include "AppFixture.h"
#include "app/browse/FilterBar.h"
#include "app/browse/PatchModel.h"
#include "app/browse/PatchWindow.h"
#include "app/browse/PlanWindow.h"
#include "packs/patch/PatchApply.h"
#include "packs/patch/PatchMake.h"

namespace {

using namespace pw::patch;

class PatchWindowTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        MakePack("in/MENU", {{"a.txt", "hello\n"}, {"b.tga", SmallTarga('\x40')}, {"c.dat", "old c"}});
    }
    // A patch of `pack`'s entries to the new data given, by the engine.
    void MakePatch(const QString& patch, const QString& pack,
                   const std::vector<std::pair<size_t, std::string>>& changes) {
        PackChanges c{pw::ToPath(Path(pack)), {}};
        for (const auto& [index, data] : changes) {
            const QString file = patch + QStringLiteral(".%1.new").arg(index);
            Write(file, data);
            c.entries.push_back({index, {pw::ToPath(Path(file)), 0, int64_t(data.size())}});
        }
        pw::PlainStatus quiet;
        pw::RunContext ctx(quiet);
        Manifest m;
        m.title = "T " + patch.toStdString();
        ASSERT_TRUE(WritePatch(ctx, pw::ToPath(Path(patch)), m, {c}));
    }
    std::string Cell(pw::TPatchModel* model, int row, int column) {
        return model->data(model->index(row, column), Qt::DisplayRole).toString().toStdString();
    }
};

TEST_F(PatchWindowTest, SaveAsPatchWritesWhatTheEngineWritesFromTheLog) {
    qputenv("SOURCE_DATE_EPOCH", "1700000000"); // the manifest's time, the same for both
    Add({Path("in/MENU.fat")}, 1);
    dialogs.folders.push_back(Path("out"));
    w->BProcess->click();
    dialogs.boxes.clear();
    Write("out/MENU/TXT/00000000.txt", "hello again\n");
    Add({Path("out/result.log")}, 3);
    pw::TPlanForm* form = w->ShowChanges(Path("out/result.log"));
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(form->SaveAsPatch->isEnabled());

    // Cancelled at the title: nothing asked further, nothing written.
    dialogs.details.push_back(std::nullopt);
    form->SaveAsPatch->click();
    EXPECT_TRUE(dialogs.saveSetups.empty());

    dialogs.details.push_back(pw::PatchDetails{"My mod", "Me", "", ""});
    dialogs.saves.push_back(Path("mod.pwpatch"));
    form->SaveAsPatch->click();
    ASSERT_EQ(dialogs.detailStarts.size(), 2u);
    EXPECT_EQ(dialogs.detailStarts[1].title, "result");
    ASSERT_EQ(dialogs.saveSetups.size(), 1u);
    // The name from the log and the title, in the folder of the last patch.
    EXPECT_TRUE(dialogs.saveSetups[0].start.endsWith("/result-my-mod.pwpatch"));
    EXPECT_EQ(dialogs.saveSetups[0].filter, "Patches (*.pwpatch)|*.pwpatch");
    EXPECT_TRUE(dialogs.boxes.empty());

    pw::PlainStatus quiet;
    pw::RunContext ctx(quiet);
    Manifest m;
    m.title = "My mod";
    m.author = "Me";
    ASSERT_TRUE(WritePatchFromLogs(ctx, pw::ToPath(Path("direct.pwpatch")), m, {pw::ToPath(Path("out/result.log"))},
                                   pw::ToPath(Path("out"))));
    qunsetenv("SOURCE_DATE_EPOCH");
    EXPECT_EQ(Read(Path("mod.pwpatch")), Read(Path("direct.pwpatch")));
    const PatchFile saved(pw::ToPath(Path("mod.pwpatch")));
    ASSERT_EQ(saved.Packs().size(), 1u);
    EXPECT_EQ(saved.Packs()[0].entries.size(), 1u);
    EXPECT_EQ(saved.Info().title, "My mod");

    // The engine's refusal, once in the error box: the pack read is no output.
    const std::string pack = Read(Path("in/MENU.fat"));
    dialogs.details.push_back(pw::PatchDetails{"t", "a", "", ""});
    dialogs.saves.push_back(Path("in/MENU.fat"));
    form->SaveAsPatch->click();
    EXPECT_EQ(dialogs.saveSetups.at(1).start, QDir(tmp.path()).filePath("result-t.pwpatch")); // the last folder
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].kind, "error");
    EXPECT_TRUE(dialogs.boxes[0].text.startsWith("Cannot create file")) << dialogs.boxes[0].text.toStdString();
    EXPECT_EQ(Read(Path("in/MENU.fat")), pack);
}

TEST_F(PatchWindowTest, PatchesAreAFourthKindOfInput) {
    MakePatch("a.pwpatch", "in/MENU.fat", {{0, "hi\n"}});
    MakePatch("b.pwpatch", "in/MENU.fat", {{2, "new c"}});
    Add({Path("a.pwpatch")}, 4);
    EXPECT_EQ(w->InputKind, pw::KindPatches);
    Add({Path("b.pwpatch")}, 4);
    EXPECT_EQ(Entries(), QStringList({Path("a.pwpatch"), Path("b.pwpatch")}));
    // Another kind starts a new list; a drop of patches is taken as patches.
    Add({Path("in/MENU.fat")}, 1);
    EXPECT_EQ(Entries(), QStringList({Path("in/MENU.fat")}));
    w->DropUrls({QUrl::fromLocalFile(Path("b.pwpatch"))});
    EXPECT_EQ(Entries(), QStringList({Path("b.pwpatch")}));
    EXPECT_EQ(w->InputKind, pw::KindPatches);
    Write("x.log", "");
    w->DropUrls({QUrl::fromLocalFile(Path("a.pwpatch")), QUrl::fromLocalFile(Path("x.log"))});
    EXPECT_EQ(Entries(), QStringList({Path("b.pwpatch")}));
    EXPECT_EQ(w->CurrentMessage->text(), "Not added: files of different types.");
    // `packwright FILE...`
    w->LogList->clear();
    w->OpenPaths({Path("a.pwpatch")});
    EXPECT_EQ(Entries(), QStringList({Path("a.pwpatch")}));
    // The directory scan's fourth file type.
    dialogs.dirForms.push_back([&](TDirForm& form) {
        form.ScanDir->setText(tmp.path());
        form.Filter->setCurrentIndex(3);
        form.FilterChange();
        return 1;
    });
    w->ProcessDir->click();
    EXPECT_EQ(w->InputKind, pw::KindPatches);
    QStringList found = Entries();
    found.sort();
    EXPECT_EQ(found, QStringList({Path("a.pwpatch"), Path("b.pwpatch")}));
}

TEST_F(PatchWindowTest, PatchWindowShowsManifestRowsAndBothSides) {
    MakePatch("a.pwpatch", "in/MENU.fat", {{0, "hello again\n"}, {2, "new c"}});
    Add({Path("a.pwpatch")}, 4);
    std::unique_ptr<QMenu> menu(w->LogListMenu(w->LogList->item(0)));
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->actions()[0]->text(), "Show patch");
    w->LogListActivate(w->LogList->item(0));
    pw::TPatchForm* form = w->PatchOf(Path("a.pwpatch"));
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->Manifest->text().contains("Title: T a.pwpatch"));
    EXPECT_TRUE(form->Manifest->text().contains("Time: "));
    pw::TPatchModel* model = form->Model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(Cell(model, 0, pw::TPatchModel::ColPack), "MENU.fat");
    EXPECT_EQ(Cell(model, 0, pw::TPatchModel::ColName), "a.txt");
    EXPECT_EQ(Cell(model, 0, pw::TPatchModel::ColBaseSize), "6");
    EXPECT_EQ(Cell(model, 0, pw::TPatchModel::ColNewSize), "12");
    EXPECT_EQ(Cell(model, 1, pw::TPatchModel::ColIndex), "00000002");
    form->FilterBar->FilterEdit->setText("*.dat");
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(Cell(model, 0, pw::TPatchModel::ColName), "c.dat");
    form->FilterBar->FilterEdit->clear();
    ASSERT_EQ(model->rowCount(), 2);

    // Without the game's folder: the new data alone.
    WaitForPreview(form->NewPreview, [&] { form->Table->selectRow(0); });
    EXPECT_EQ(form->NewPreview->Current().text, "hello again\n");
    EXPECT_FALSE(form->BasePreview->isVisibleTo(form));

    dialogs.folders.push_back(Path("in"));
    WaitForPreview(form->BasePreview, [&] { form->CompareButton->click(); });
    EXPECT_TRUE(form->BasePreview->isVisibleTo(form));
    EXPECT_EQ(form->BasePreview->Current().text, "hello\n");
    WaitForPreview(form->NewPreview, [&] {
        WaitForPreview(form->BasePreview, [&] { form->Table->selectRow(1); });
    });
    EXPECT_EQ(form->BasePreview->Current().text, "old c");
    EXPECT_EQ(form->NewPreview->Current().text, "new c");
}

TEST_F(PatchWindowTest, ProcessAppliesThePatchesInListOrderOrWritesNothing) {
    MakePatch("a.pwpatch", "in/MENU.fat", {{0, "hello again\n"}});
    MakePatch("b.pwpatch", "in/MENU.fat", {{2, "new c"}});
    MakePack("other/MENU", {{"a.txt", "other\n"}, {"b.tga", SmallTarga('\x40')}, {"c.dat", "old c"}});
    MakePatch("c.pwpatch", "other/MENU.fat", {{0, "from other\n"}});

    Add({Path("a.pwpatch"), Path("b.pwpatch")}, 4);
    ASSERT_NE(w->ShowPatch(Path("a.pwpatch")), nullptr); // an open patch window holds no patch open
    dialogs.folders = {Path("in"), Path("new")};
    w->BProcess->click();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Operation complete!");
    {
        const PatchFile a(pw::ToPath(Path("a.pwpatch"))), b(pw::ToPath(Path("b.pwpatch")));
        EXPECT_TRUE(VerifyPatched(pw::ToPath(Path("new/MENU.fat")), {&a, &b}, pw::ToPath(Path("in"))).empty());
    }
    EXPECT_TRUE(w->Results->toPlainText().contains("2 applies, 0 already, 0 conflict, 0 refused"))
        << w->Results->toPlainText().toStdString();
    EXPECT_EQ(w->GameDir, Path("in"));

    // A patch listed twice: the second time it is already applied.
    dialogs.boxes.clear();
    Add({Path("a.pwpatch")}, 4);
    dialogs.folders = {Path("in"), Path("new1")};
    w->BProcess->click();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Operation complete!");
    EXPECT_TRUE(w->Results->toPlainText().contains("2 applies, 1 already, 0 conflict, 0 refused"))
        << w->Results->toPlainText().toStdString();

    // A patch made for another copy of the game: refused entry by entry, nothing written.
    dialogs.boxes.clear();
    w->LogList->clear();
    Add({Path("a.pwpatch"), Path("c.pwpatch")}, 4);
    dialogs.folders = {Path("in"), Path("new2")};
    w->BProcess->click();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].kind, "error");
    EXPECT_TRUE(dialogs.boxes[0].text.contains("is not the one")) << dialogs.boxes[0].text.toStdString();
    const QString results = w->Results->toPlainText();
    EXPECT_TRUE(results.contains("refused\ta.txt\t" + Path("c.pwpatch"))) << results.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Path("new2/MENU.fat")));
    EXPECT_FALSE(w->Running());
}

TEST_F(PatchWindowTest, StopEndsTheApplyWithoutAPartialPack) {
    std::vector<Entry> entries;
    std::vector<std::pair<size_t, std::string>> changes;
    for (size_t k = 0; k < 300; ++k) {
        entries.push_back({"e.bin", std::string(10, char('a' + k % 26))});
        changes.emplace_back(k, std::string(10, char('A' + k % 26)));
    }
    MakePack("big/BIG", entries);
    MakePatch("big.pwpatch", "big/BIG.fat", changes);
    Add({Path("big.pwpatch")}, 4);
    dialogs.folders = {Path("big"), Path("new")};
    DuringRun stopper([&] {
        if (!w->Stop->isEnabled() || w->Progress->value() < 10) return false;
        w->Stop->click();
        return true;
    });
    w->BProcess->click();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Operation stopped!");
    EXPECT_FALSE(QFileInfo::exists(Path("new/BIG.fat")));
    EXPECT_FALSE(w->Stop->isEnabled());
}

} // namespace
