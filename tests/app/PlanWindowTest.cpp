// The change plan window of a log: a row per entry with the engine's state,
// "changed only", and old and new side by side for a changed entry.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QMenu>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "AppFixture.h"
#include "app/browse/PlanModel.h"
#include "app/browse/PlanWindow.h"
#include "app/browse/PreviewPane.h"

namespace {

class PlanWindowTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        MakePack("in/MENU", {{"a.txt", "hello\n"}, {"b.tga", SmallTarga('\x40')}, {"c.dat", "old c"}});
        Add({Path("in/MENU.fat")}, 1);
        dialogs.folders.push_back(Path("out"));
        w->BProcess->click(); // out/result.log and the extracted files
        Write("out/MENU/TXT/00000000.txt", "hello again\n");
        QFile::remove(Path("out/MENU/DAT/00000002.dat"));
        Add({Path("out/result.log")}, 3);
    }
    QString Cell(pw::TPlanForm& form, int row, int column) {
        return form.Model()->data(form.Model()->index(row, column), Qt::DisplayRole).toString();
    }
};

TEST_F(PlanWindowTest, RowsStatesAndChangedOnly) {
    std::unique_ptr<QMenu> menu(w->LogListMenu(w->LogList->item(0)));
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->actions()[0]->text(), "Show changes");
    w->LogListActivate(w->LogList->item(0));
    pw::TPlanForm* form = w->ChangesOf(Path("out/result.log"));
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(w->ShowChanges(Path("out/result.log")), form);
    ASSERT_EQ(form->Model()->rowCount(), 3);
    EXPECT_EQ(Cell(*form, 0, pw::TPlanModel::ColState), "changed");
    EXPECT_EQ(Cell(*form, 0, pw::TPlanModel::ColOldSize), "6");
    EXPECT_EQ(Cell(*form, 0, pw::TPlanModel::ColNewSize), "12");
    EXPECT_EQ(Cell(*form, 1, pw::TPlanModel::ColState), "same");
    EXPECT_EQ(Cell(*form, 2, pw::TPlanModel::ColState), "kept");
    EXPECT_EQ(Cell(*form, 2, pw::TPlanModel::ColFile), Path("out/MENU/DAT/00000002.dat"));
    EXPECT_EQ(form->windowTitle(), "result.log - changes: 1 of 3 entries");
    form->ChangedOnly->setChecked(true);
    ASSERT_EQ(form->Model()->rowCount(), 1);
    EXPECT_EQ(Cell(*form, 0, pw::TPlanModel::ColName), "a.txt");
    form->ChangedOnly->setChecked(false);
    EXPECT_EQ(form->Model()->rowCount(), 3);
}

TEST_F(PlanWindowTest, ChangedEntriesShowOldBesideNew) {
    Write("out/MENU/TGA/00000001.tga", SmallTarga('\x7F'));
    pw::TPlanForm* form = w->ShowChanges(Path("out/result.log"));
    ASSERT_NE(form, nullptr);
    WaitForPreview(form->NewPreview, [&] {
        WaitForPreview(form->OldPreview, [&] { form->Table->selectRow(0); });
    });
    EXPECT_TRUE(form->NewPreview->isVisibleTo(form));
    EXPECT_EQ(form->OldPreview->Current().text, "hello\n");
    EXPECT_EQ(form->NewPreview->Current().text, "hello again\n");

    WaitForPreview(form->NewPreview, [&] {
        WaitForPreview(form->OldPreview, [&] { form->Table->selectRow(1); });
    });
    ASSERT_EQ(form->OldPreview->Current().kind, pw::PreviewKind::Image);
    ASSERT_EQ(form->NewPreview->Current().kind, pw::PreviewKind::Image);
    EXPECT_NE(form->OldPreview->Current().image, form->NewPreview->Current().image);

    // A kept entry: its old data only.
    WaitForPreview(form->OldPreview, [&] { form->Table->selectRow(2); });
    EXPECT_FALSE(form->NewPreview->isVisibleTo(form));
    EXPECT_EQ(form->OldPreview->Current().text, "old c");
}

TEST_F(PlanWindowTest, UnreadableLogGoesToTheErrorBox) {
    Write("gone.log", "");
    Add({Path("gone.log")}, 3);
    QFile::remove(Path("gone.log"));
    w->LogList->setCurrentRow(1);
    QTest::keyClick(w->LogList, Qt::Key_Return);
    ASSERT_FALSE(dialogs.boxes.empty());
    EXPECT_EQ(dialogs.boxes.back().kind, "error");
    EXPECT_EQ(dialogs.boxes.back().text, "Cannot open file " + Path("gone.log") + ".");
    EXPECT_EQ(w->ChangesOf(Path("gone.log")), nullptr);
}

} // namespace
