// Files and folders dropped onto the input list, as synthesised drag and
// drop events: the add-files rules, the directory dialog, and refusals.
#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QToolButton>
#include <QUrl>

#include "AppFixture.h"

namespace {

class DropTest : public AppTest {
protected:
    // Drags `files` over the list and drops them; whether the drag was taken.
    bool Drop(const QStringList& files) { return DropFiles(w->LogList->viewport(), QPoint(10, 10), files); }
    QString Status() const { return w->CurrentMessage->text(); }
};

TEST_F(DropTest, PacksAreAddedAsTheAddCommandWould) {
    Write("a.fat", "");
    Write("b.FAT", "");
    EXPECT_TRUE(Drop({Path("a.fat"), Path("b.FAT")}));
    EXPECT_EQ(Entries(), QStringList({Path("a.fat"), Path("b.FAT")}));
    EXPECT_EQ(w->InputKind, 1);
    EXPECT_EQ(w->SelectLogPosition, 1);
    EXPECT_EQ(EnabledButtons(), (std::vector<std::string>{"BAddLog", "ProcessDir", "BSaveList", "BRemLog",
                                                          "BClearAll", "BProcess", "BExit"}));
    // The same type adds to the list; another type starts a new one.
    EXPECT_TRUE(Drop({Path("a.fat")}));
    EXPECT_EQ(Entries().size(), 3);
    Write("x.log", "");
    EXPECT_TRUE(Drop({Path("x.log")}));
    EXPECT_EQ(Entries(), QStringList({Path("x.log")}));
    EXPECT_EQ(w->InputKind, 2);
    EXPECT_EQ(w->SelectLogPosition, 3);
}

TEST_F(DropTest, ProjectListReplacesTheList) {
    Write("a.log", "");
    Write("p.lst", "C:\\one.log\r\nC:\\two.log\r\n");
    Drop({Path("a.log")});
    EXPECT_TRUE(Drop({Path("p.lst")}));
    EXPECT_EQ(Entries(), QStringList({"C:\\one.log", "C:\\two.log"}));
    EXPECT_EQ(w->InputKind, 3);
}

TEST_F(DropTest, OtherFilesAddNothingAndSayWhy) {
    Write("a.fat", "");
    Write("notes.txt", "");
    Drop({Path("a.fat")});
    EXPECT_TRUE(Drop({Path("a.fat"), Path("notes.txt")}));
    EXPECT_EQ(Entries(), QStringList({Path("a.fat")}));
    EXPECT_TRUE(Status().contains("notes.txt")) << Status().toStdString();
    Write("b.log", "");
    EXPECT_TRUE(Drop({Path("a.fat"), Path("b.log")}));
    EXPECT_EQ(Entries(), QStringList({Path("a.fat")}));
    EXPECT_TRUE(Status().contains("different types")) << Status().toStdString();
    // Nothing but local files: the drag is not taken at all.
    QMimeData text;
    text.setText("hello");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w->LogList->viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST_F(DropTest, FolderOpensTheDirectoryDialogFilledIn) {
    QDir().mkpath(Path("game/sub"));
    Write("game/sub/MENU.fat", "");
    dialogs.dirForms.push_back([&](TDirForm& form) {
        EXPECT_EQ(form.ScanDir->text(), Path("game"));
        EXPECT_TRUE(form.BOk->isEnabled());
        return 1;
    });
    EXPECT_TRUE(Drop({Path("game")}));
    EXPECT_EQ(Entries(), QStringList({Path("game/sub/MENU.fat")}));
    EXPECT_TRUE(w->ListFromScan);
}

TEST_F(DropTest, NoDropDuringARun) {
    MakePack("MENU", {{"a.txt", "hello"}});
    Add({Path("MENU.fat")}, 1);
    Write("b.fat", "");
    dialogs.folders.push_back(Path("out"));
    bool tried = false;
    DuringRun during([&] {
        if (!w->Running()) return false;
        EXPECT_FALSE(Drop({Path("b.fat")}));
        tried = true;
        return true;
    });
    w->BProcess->click();
    EXPECT_TRUE(tried);
    EXPECT_EQ(Entries(), QStringList({Path("MENU.fat")}));
}

} // namespace
