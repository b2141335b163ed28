// The contents window as the main window opens it: one per pack, not during
// a run, errors in the error box, previews of the selected entry.
#include <QAction>
#include <QToolButton>
#include <QListWidget>
#include <QMenu>
#include <QTableView>
#include <QTest>

#include "AppFixture.h"
#include "app/browse/Contents.h"
#include "app/browse/PackModel.h"
#include "app/browse/PreviewPane.h"

namespace {

class ContentsWindowTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        // Entry 1 lies past the data file's end.
        MakePack("in/MENU",
                 {{"a.txt", "hello\n"}, {"pic.tga", SmallTarga('\x40')}, {"c.dat", std::string("\x01\x02", 2)}});
        Add({Path("in/MENU.fat")}, 1);
    }
    // Selects a view row and waits for its preview.
    const pw::Preview& PreviewOf(pw::TContentsForm& form, int row) {
        WaitForPreview(form.Preview, [&] { form.Table->selectRow(row); });
        return form.Preview->Current();
    }
};

TEST_F(ContentsWindowTest, OneWindowPerPackWithItsCaption) {
    w->LogListActivate(w->LogList->item(0));
    pw::TContentsForm* form = w->ContentsOf(Path("in/MENU.fat"));
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isModal());
    EXPECT_EQ(form->windowTitle(), "MENU.fat - 3 entries, 38 bytes");
    EXPECT_EQ(w->ShowContents(Path("in/../in/MENU.fat")), form); // the same pack: raised again
    EXPECT_EQ(form->Model()->rowCount(), 3);
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w->ContentsOf(Path("in/MENU.fat")), nullptr);
}

TEST_F(ContentsWindowTest, ContextMenuOffersContentsForPacksOnly) {
    std::unique_ptr<QMenu> menu(w->LogListMenu(w->LogList->item(0)));
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "Show contents");
    menu->actions()[0]->trigger();
    EXPECT_NE(w->ContentsOf(Path("in/MENU.fat")), nullptr);

    Write("x.log", "");
    Add({Path("x.log")}, 3);
    menu.reset(w->LogListMenu(w->LogList->item(0)));
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "Show changes"); // logs get their change plan
    EXPECT_EQ(w->ContentsOf(Path("x.log")), nullptr);
}

TEST_F(ContentsWindowTest, NotDuringARun) {
    dialogs.folders.push_back(Path("out"));
    bool tried = false;
    DuringRun during([&] {
        if (!w->Running()) return false;
        std::unique_ptr<QMenu> menu(w->LogListMenu(w->LogList->item(0)));
        EXPECT_FALSE(menu->actions()[0]->isEnabled());
        EXPECT_EQ(w->ShowContents(Path("in/MENU.fat")), nullptr);
        w->LogListActivate(w->LogList->item(0));
        tried = true;
        return true;
    });
    w->BProcess->click();
    EXPECT_TRUE(tried);
    EXPECT_EQ(w->ContentsOf(Path("in/MENU.fat")), nullptr);
}

TEST_F(ContentsWindowTest, RefusedPackGoesToTheErrorBox) {
    Write("in/BAD.fat", std::string("\x09\0\0\0\0\0\0\0", 8));
    Write("in/BAD.mix", "");
    Add({Path("in/BAD.fat")}, 1);
    w->LogList->setCurrentRow(1);
    QTest::keyClick(w->LogList, Qt::Key_Return);
    ASSERT_FALSE(dialogs.boxes.empty());
    EXPECT_EQ(dialogs.boxes.back().kind, "error");
    EXPECT_EQ(dialogs.boxes.back().text, "Damaged pack index " + Path("in/BAD.fat") + ".");
    EXPECT_EQ(w->ContentsOf(Path("in/BAD.fat")), nullptr);
}

TEST_F(ContentsWindowTest, PreviewsTheSelectedEntry) {
    pw::TContentsForm* form = w->ShowContents(Path("in/MENU.fat"));
    ASSERT_NE(form, nullptr);
    const pw::Preview& text = PreviewOf(*form, 0);
    EXPECT_EQ(text.kind, pw::PreviewKind::Text);
    EXPECT_EQ(text.text, "hello\n");
    const pw::Preview& picture = PreviewOf(*form, 1);
    ASSERT_EQ(picture.kind, pw::PreviewKind::Image);
    EXPECT_EQ(picture.image.size(), QSize(2, 2));
    const pw::Preview& hex = PreviewOf(*form, 2);
    EXPECT_EQ(hex.kind, pw::PreviewKind::Hex);
    EXPECT_TRUE(hex.text.startsWith("00000000  01 02 "));
    // After a sort, the row shows the entry now standing there.
    form->Table->sortByColumn(pw::TPackModel::ColName, Qt::DescendingOrder);
    EXPECT_EQ(PreviewOf(*form, 0).kind, pw::PreviewKind::Image); // pic.tga
}

TEST_F(ContentsWindowTest, DamagedEntryPreviewSaysStreamReadError) {
    Write("in/MENU.mix", std::string(2048, 'h')); // entries 1 and 2 now lie outside
    pw::TContentsForm* form = w->ShowContents(Path("in/MENU.fat"));
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->Model()->data(form->Model()->index(1, 0), pw::TEntryModel::DamagedRole).toBool());
    EXPECT_EQ(PreviewOf(*form, 1).text, "Stream read error");
    EXPECT_EQ(PreviewOf(*form, 0).kind, pw::PreviewKind::Text);
}

} // namespace
