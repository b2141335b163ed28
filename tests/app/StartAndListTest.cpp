// The window at start, the enabling rules, and the list commands.
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

#include "AppFixture.h"
#include "targa/Targa.h"
#include "textobject/Textobject.h"

using Names = std::vector<std::string>;

TEST_F(AppTest, StartStateAndLayout) {
    EXPECT_EQ(w->windowTitle(), "Packwright");
    EXPECT_EQ(w->size(), QSize(688, 464));
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    EXPECT_TRUE(w->windowFlags() & Qt::Tool);
    EXPECT_EQ(w->font().pointSize(), 8);

    EXPECT_EQ(w->ToolBar1->geometry(), QRect(0, 0, 688, 26));
    EXPECT_EQ(w->LogList->geometry(), QRect(0, 26, 688, 189));
    EXPECT_EQ(w->Results->geometry(), QRect(0, 215, 688, 183));
    EXPECT_EQ(w->GroupBox1->geometry(), QRect(0, 398, 688, 66));
    EXPECT_EQ(w->GroupBox1->title(), " Process ");
    EXPECT_EQ(w->SaveLog->geometry(), QRect(506, 10, 105, 19));
    EXPECT_EQ(w->Stop->geometry(), QRect(612, 10, 71, 19));
    EXPECT_EQ(w->Progress->geometry(), QRect(12, 32, 671, 13));
    EXPECT_EQ(w->Total->geometry(), QRect(12, 48, 671, 13));
    EXPECT_EQ(w->LogList->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(w->Results->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_FALSE(w->Results->isReadOnly());

    // Eight 23-pixel buttons, left to right, each with a glyph and a
    // tooltip naming its command (WindowHelpTest has the rest).
    const QToolButton* order[] = {w->BAddLog,   w->ProcessDir, w->BSaveList, w->BRemLog,
                                  w->BClearAll, w->BProcess,   w->BMods,     w->BExit};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(order[i]->width(), 23);
        if (i > 0) {
            EXPECT_EQ(order[i]->x(), order[i - 1]->x() + 23);
        }
        EXPECT_FALSE(order[i]->icon().isNull());
        EXPECT_FALSE(order[i]->toolTip().isEmpty());
    }

    EXPECT_EQ(w->LogList->count(), 0);
    EXPECT_TRUE(w->Results->document()->isEmpty());
    EXPECT_EQ(w->CurrentMessage->text(), "");
    EXPECT_EQ(w->Extracted->text(), "Extracted: 0");
    EXPECT_EQ(w->Progress->value(), 0);
    EXPECT_EQ(w->Total->value(), 0);
    EXPECT_EQ(EnabledButtons(), (Names{"BAddLog", "ProcessDir", "BExit"}));
    EXPECT_EQ(w->InputKind, 0);
    EXPECT_FALSE(w->ListFromScan);

    // The components the form configures.
    EXPECT_EQ(w->TextObject->GetTextStyle(), pw::TTextObject::IniStyle);
    EXPECT_TRUE(w->TextObject->GetAsciiZ() && w->TextObject->GetClearBounds() &&
                w->TextObject->GetLinuxFormat());
    EXPECT_EQ(w->TextObject->GetTextAlign(), 1);
    EXPECT_EQ(w->Targa->GetWidth(), 256);
    EXPECT_EQ(w->Targa->GetHeight(), 256);
    EXPECT_EQ(w->Targa->GetDepth(), 32);
}

TEST_F(AppTest, AddingFilesOfOneKindThenAnother) {
    Add({"/d/a.fat", "/d/b.fat"}, 1);
    EXPECT_EQ(Entries(), (QStringList{"/d/a.fat", "/d/b.fat"}));
    EXPECT_EQ(w->InputKind, 1);
    EXPECT_EQ(EnabledButtons(),
              (Names{"BAddLog", "ProcessDir", "BSaveList", "BRemLog", "BClearAll", "BProcess", "BExit"}));

    // The same type accumulates, duplicates included.
    Add({"/d/a.fat"}, 1);
    EXPECT_EQ(Entries(), (QStringList{"/d/a.fat", "/d/b.fat", "/d/a.fat"}));

    // Another type starts a new list; the dialog keeps the type chosen.
    Add({"/d/c.log"}, 3);
    EXPECT_EQ(Entries(), (QStringList{"/d/c.log"}));
    EXPECT_EQ(w->InputKind, 2);

    // A cancelled add changes nothing, not even the remembered type.
    Add({}, 1);
    EXPECT_EQ(Entries(), (QStringList{"/d/c.log"}));
    EXPECT_EQ(w->InputKind, 2);
    Add({"/d/e.log"}, 3);
    EXPECT_EQ(dialogs.openStartPositions, (std::vector<int>{1, 1, 1, 3, 3}));
}

TEST_F(AppTest, ButtonsWhileTheOpenDialogIsUp) {
    Add({"/d/a.fat"}, 1);
    Names during;
    dialogs.onOpen = [&] { during = EnabledButtons(); };
    dialogs.opens.push_back({{}, 1});
    w->BAddLog->click(); // cancelled: the list keeps its entry
    EXPECT_EQ(during, (Names{"BAddLog", "ProcessDir", "BClearAll", "BExit"}));
    EXPECT_EQ(Entries(), (QStringList{"/d/a.fat"}));
    EXPECT_TRUE(w->BProcess->isEnabled());

    w->BClearAll->click();
    EXPECT_EQ(EnabledButtons(), (Names{"BAddLog", "ProcessDir", "BExit"}));
    EXPECT_EQ(w->InputKind, 1); // clearing keeps the kind
}

TEST_F(AppTest, ProjectListsLoadAndSaveByteExact) {
    Write("one.lst", "a\r\n\r\nb");
    Write("two.lst", "x\r\n");
    Add({"/d/p.fat"}, 1);
    // Only the first of several chosen lists is read; it replaces the list.
    Add({Path("one.lst"), Path("two.lst")}, 2);
    EXPECT_EQ(Entries(), (QStringList{"a", "", "b"}));
    EXPECT_EQ(w->InputKind, 3);

    // Loading again replaces, though the type is the same.
    Add({Path("two.lst")}, 2);
    EXPECT_EQ(Entries(), (QStringList{"x"}));

    w->LogList->addItem("/data/second entry.log");
    dialogs.saves.push_back(Path("saved.lst"));
    w->BSaveList->click();
    // Written as the engine takes paths: with the system's separators.
    EXPECT_EQ(Read(Path("saved.lst")), "x\r\n" + Native("/data/second entry.log").toStdString() + "\r\n");
    ASSERT_EQ(dialogs.saveSetups.size(), 1u);
    EXPECT_EQ(dialogs.saveSetups[0].title, "Select file...");
    EXPECT_EQ(dialogs.saveSetups[0].filter, "Project list files (*.lst)|*.lst");
    EXPECT_EQ(dialogs.saveSetups[0].defaultSuffix, "lst");
    EXPECT_TRUE(dialogs.boxes.empty());

    // A list without entries leaves the list buttons off.
    Write("empty.lst", "");
    Add({Path("empty.lst")}, 2);
    EXPECT_EQ(w->LogList->count(), 0);
    EXPECT_EQ(EnabledButtons(), (Names{"BAddLog", "ProcessDir", "BClearAll", "BExit"}));
}

TEST_F(AppTest, ErrorBoxForFilesThatCannotBeReadOrCreated) {
    Add({"/d/a.fat"}, 1);
    const QString bad = Path("no/such/folder/list.lst");
    dialogs.saves.push_back(bad);
    w->BSaveList->click();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].kind, "error");
    EXPECT_EQ(dialogs.boxes[0].text, "Cannot create file " + bad + ".");
    EXPECT_EQ(dialogs.boxes[0].caption, QCoreApplication::applicationName());
    EXPECT_EQ(Entries(), (QStringList{"/d/a.fat"}));

    // A missing project list: the box, and the window goes on; the list
    // (of another kind) was emptied and the buttons follow it.
    const QString missing = Path("missing.lst");
    Add({missing}, 2);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text, "Cannot open file " + missing + ".");
    EXPECT_EQ(w->LogList->count(), 0);
    EXPECT_FALSE(w->BProcess->isEnabled());

    Add({"/d/b.fat"}, 1);
    EXPECT_EQ(Entries(), (QStringList{"/d/b.fat"}));
    EXPECT_TRUE(w->BProcess->isEnabled());
}

TEST_F(AppTest, RemovingTheSelection) {
    Add({"1", "2", "3", "4", "5"}, 1);
    for (int row : {1, 2, 3}) w->LogList->item(row)->setSelected(true);
    w->BRemLog->click();
    EXPECT_EQ(Entries(), (QStringList{"1", "5"}));
    EXPECT_EQ(w->LogList->currentRow(), 1);
    EXPECT_TRUE(w->BProcess->isEnabled());

    w->LogList->selectAll();
    w->BRemLog->click();
    EXPECT_EQ(w->LogList->count(), 0);
    EXPECT_EQ(EnabledButtons(), (Names{"BAddLog", "ProcessDir", "BExit"}));
}

TEST_F(AppTest, DirectoryScanOrderHiddenFoldersAndKind) {
    Write("D/S/T/c.fat", "");
    Write("D/S/b.FAT", "");
    Write("D/a.fat", "");
    Write("D/.hidden/d.fat", "");
    Write("D/.e.fat", "");
    Write("D/f.log", "");
    Add({"/old/x.fat"}, 1);

    const QString root = Path("D");
    dialogs.dirForms.push_back([&](TDirForm& form) {
        form.ScanDir->setText(root);
        return 1;
    });
    w->ProcessDir->click();
    const QStringList entries = Entries();
    ASSERT_EQ(entries.size(), 4);
    EXPECT_EQ(entries[0], Path("D/S/T/c.fat"));
    EXPECT_EQ(entries[1], Path("D/S/b.FAT"));
    // The folder's own matches, hidden ones included, in the file system's order.
    EXPECT_EQ(QSet<QString>(entries.begin() + 2, entries.end()),
              (QSet<QString>{Path("D/a.fat"), Path("D/.e.fat")}));
    EXPECT_EQ(w->InputKind, 1);
    EXPECT_TRUE(w->ListFromScan);
    EXPECT_EQ(w->ScanRoot, root);
    EXPECT_TRUE(w->BProcess->isEnabled());

    // An add after a scan starts from an empty list, even a cancelled one.
    Add({}, 1);
    EXPECT_EQ(w->LogList->count(), 0);
    EXPECT_FALSE(w->ListFromScan);
    EXPECT_FALSE(w->BProcess->isEnabled());

    // A scan for logs sets the kind from the dialog's file type.
    dialogs.dirForms.push_back([&](TDirForm& form) {
        form.Filter->setCurrentIndex(2);
        form.FilterChange();
        return 1;
    });
    w->ProcessDir->click();
    EXPECT_EQ(Entries(), (QStringList{Path("D/f.log")}));
    EXPECT_EQ(w->InputKind, 2);
}

TEST_F(AppTest, ScanWithoutMatchesOrCancelled) {
    Write("E/readme.txt", "");
    Add({"/d/a.fat"}, 1);

    // Cancelled: the list stays, the buttons come back.
    dialogs.dirForms.push_back([](TDirForm&) { return 2; });
    w->ProcessDir->click();
    EXPECT_EQ(Entries(), (QStringList{"/d/a.fat"}));
    EXPECT_TRUE(w->BProcess->isEnabled());
    EXPECT_EQ(w->InputKind, 1);

    // Confirmed on a folder with no match (and on one that does not exist).
    for (const QString& folder : {Path("E"), Path("nowhere")}) {
        dialogs.dirForms.push_back([folder](TDirForm& form) {
            form.ScanDir->setText(folder);
            return 1;
        });
        w->ProcessDir->click();
        EXPECT_EQ(w->LogList->count(), 0);
        EXPECT_FALSE(w->ListFromScan);
        EXPECT_EQ(EnabledButtons(), (Names{"BAddLog", "ProcessDir", "BClearAll", "BExit"}));
    }
    w->BClearAll->click();
    EXPECT_FALSE(w->BClearAll->isEnabled());
}
