// The contents and plan windows as a new user sees them: columns sized to
// their texts with long paths elided, the panes' room, the diff of a
// changed text, Esc, the progress bar only while extracting, and the
// preview following the current row.
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QToolButton>

#include "AppFixture.h"
#include "app/browse/Contents.h"
#include "app/browse/DiffView.h"
#include "app/browse/EntryTable.h"
#include "app/browse/FilterBar.h"
#include "app/browse/PackModel.h"
#include "app/browse/PlanModel.h"
#include "app/browse/PlanWindow.h"

namespace {

QString LongText(int changedLine) {
    QString text;
    for (int i = 1; i <= 300; ++i)
        text += (i == changedLine ? QStringLiteral("line %1 changed") : QStringLiteral("line %1")).arg(i) + "\n";
    return text;
}

class BrowseLookTest : public AppTest {
protected:
    // A log whose lines name files deep in a long folder, one text changed
    // at line 250, one picture changed, one entry the same.
    pw::TPlanForm* PlanWithLongPaths() {
        MakePack("in/MENU", {{"a.txt", LongText(0).toStdString()}, {"b.tga", SmallTarga('\x40')}, {"c.dat", "c"}});
        Add({Path("in/MENU.fat")}, 1);
        const QString deep = "out/a_rather_long_folder_name_for_a_mod/another_long_folder_name/and_one_more";
        dialogs.folders.push_back(Path(deep));
        w->BProcess->click();
        Write(deep + "/MENU/TXT/00000000.txt", LongText(250).toStdString());
        Write(deep + "/MENU/TGA/00000001.tga", SmallTarga('\x7F'));
        Add({Path(deep + "/result.log")}, 3);
        deepFolder = Path(deep);
        return w->ShowChanges(Path(deep + "/result.log"));
    }
    static void WaitForDiff(pw::TPlanForm* form, const std::function<void()>& action) {
        QSignalSpy shown(form->Diff, &pw::TDiffView::Shown);
        action();
        if (shown.isEmpty()) {
            ASSERT_TRUE(shown.wait(5000));
        }
    }
    static void PressKey(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(target, key, modifiers);
    }
    QString deepFolder;
};

TEST_F(BrowseLookTest, PlanColumnsFitAndLongPathsAreElidedWhole) {
    pw::TPlanForm* form = PlanWithLongPaths();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    QTableView* table = form->Table;
    // No column is cut and nothing scrolls sideways at the default size.
    EXPECT_EQ(table->horizontalScrollBar()->maximum(), 0);
    const int file = pw::TPlanModel::ColFile;
    for (int c = 0; c < file; ++c) {
        const QString text = table->model()->data(table->model()->index(0, c)).toString();
        EXPECT_GE(table->columnWidth(c), table->fontMetrics().horizontalAdvance(text)) << c;
    }
    EXPECT_EQ(table->textElideMode(), Qt::ElideMiddle);
    const QModelIndex path = table->model()->index(0, file);
    EXPECT_EQ(table->model()->data(path, Qt::ToolTipRole).toString(), Native(deepFolder + "/MENU/TXT/00000000.txt"));
    // The table gets what it needs; one preview pane less room than two.
    WaitForPreview(form->OldPreview, [&] { table->selectRow(2); }); // the same entry: one pane
    const int onePane = form->Splitter->sizes()[1];
    EXPECT_GE(form->Splitter->sizes()[0], std::min(pw::NeededWidth(table), form->Splitter->width() * 2 / 3));
    WaitForPreview(form->NewPreview, [&] { // a picture changed: two panes, each loaded on its own
        WaitForPreview(form->OldPreview, [&] { table->selectRow(1); });
    });
    EXPECT_GT(form->Splitter->sizes()[1], onePane);
    EXPECT_TRUE(form->OldPreview->isVisibleTo(form) && form->NewPreview->isVisibleTo(form));
    EXPECT_TRUE(form->OldPreview->Info->text().startsWith("2 x 2 pixels")); // sizes beside both
    EXPECT_TRUE(form->NewPreview->Info->text().startsWith("2 x 2 pixels"));
}

TEST_F(BrowseLookTest, ChangedTextShownAsADiffAtItsFirstChange) {
    pw::TPlanForm* form = PlanWithLongPaths();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    WaitForDiff(form, [&] { form->Table->selectRow(0); });
    EXPECT_TRUE(form->Diff->isVisibleTo(form));
    EXPECT_FALSE(form->OldPreview->isVisibleTo(form));
    EXPECT_FALSE(form->NewPreview->isVisibleTo(form));
    const pw::TextDiff& diff = form->Diff->Current();
    EXPECT_EQ(diff.changed, 1);
    EXPECT_EQ(diff.firstChange, 249);
    EXPECT_TRUE(form->Diff->Info->text().contains("1 line changed, 0 added, 0 removed"));
    // The changed pair is marked and coloured, and in view.
    const QTextBlock old = form->Diff->Lines->document()->findBlockByNumber(249);
    EXPECT_TRUE(old.text().endsWith("! line 250")) << old.text().toStdString();
    EXPECT_EQ(old.blockFormat().background().color(), pw::TDiffView::Background(pw::DiffMark::ChangedOld));
    EXPECT_TRUE(old.next().text().endsWith("! line 250 changed"));
    EXPECT_FALSE(old.previous().blockFormat().background().style() != Qt::NoBrush);
    EXPECT_GT(form->Diff->Lines->verticalScrollBar()->value(), 0);
    const QRect shown = form->Diff->Lines->viewport()->rect();
    EXPECT_TRUE(shown.contains(form->Diff->Lines->cursorRect(QTextCursor(old)).center()));

    // Another row: the panes come back.
    WaitForPreview(form->OldPreview, [&] { form->Table->selectRow(2); });
    EXPECT_FALSE(form->Diff->isVisibleTo(form));
    EXPECT_TRUE(form->OldPreview->isVisibleTo(form));
}

TEST_F(BrowseLookTest, EscClosesTheContentsAndPlanWindows) {
    pw::TPlanForm* plan = PlanWithLongPaths();
    ASSERT_NE(plan, nullptr);
    PressKey(plan->Table, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w->ChangesOf(Path(deepFolder + "/result.log")), nullptr);

    pw::TContentsForm* contents = w->ShowContents(Path("in/MENU.fat"));
    ASSERT_NE(contents, nullptr);
    PressKey(contents->FilterBar->FilterEdit, Qt::Key_Escape); // from the filter text
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w->ContentsOf(Path("in/MENU.fat")), nullptr);
}

TEST_F(BrowseLookTest, ProgressBarOnlyWhileExtracting) {
    MakePack("in/MENU", {{"a.txt", "hello"}, {"b.dat", "b"}});
    pw::TContentsForm* form = w->ShowContents(Path("in/MENU.fat"));
    ASSERT_NE(form, nullptr);
    EXPECT_FALSE(form->Progress->isVisibleTo(form));
    bool seen = false;
    DuringRun watch([&] {
        if (form->Running()) seen = form->Progress->isVisibleTo(form);
        return seen;
    });
    dialogs.folders.push_back(Path("out"));
    form->BExtractAll->click();
    EXPECT_TRUE(seen);
    EXPECT_FALSE(form->Progress->isVisibleTo(form));
    EXPECT_EQ(dialogs.boxes.back().text, "Operation complete!");
}

TEST_F(BrowseLookTest, PreviewFollowsTheCurrentRow) {
    MakePack("in/MENU", {{"a.txt", "one"}, {"b.txt", "two"}, {"c.txt", "three"}});
    pw::TContentsForm* form = w->ShowContents(Path("in/MENU.fat"));
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    form->Table->setFocus();
    WaitForPreview(form->Preview, [&] { form->Table->selectRow(0); });
    EXPECT_EQ(form->Preview->Current().text, "one");
    // Ctrl+Down moves the current row and leaves the selection.
    WaitForPreview(form->Preview, [&] { PressKey(form->Table, Qt::Key_Down, Qt::ControlModifier); });
    EXPECT_EQ(form->Table->currentIndex().row(), 1);
    EXPECT_EQ(form->Table->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(form->Preview->Current().text, "two");
    // Sorting moves the rows; the preview stays with the current one.
    form->Table->sortByColumn(pw::TPackModel::ColName, Qt::DescendingOrder);
    QTest::qWait(50);
    const int current = form->Table->currentIndex().row();
    ASSERT_GE(current, 0);
    EXPECT_EQ(form->Model()->SourceRow(current), 1u);
    EXPECT_EQ(form->Preview->Current().text, "two");
}

TEST_F(BrowseLookTest, PreviewsKeepTheirWidthAndReadLikeThePoFiles) {
    MakePack("in/MENU", {{"a.txt", std::string(3000, 'w') + " one long line"},
                         {"b.dat", std::string("\x01\x02\x03\x04\x05", 5)},
                         {"c.txt", "\x01Red\x01"},
                         {"d.tga", SmallTarga('\x20')},
                         {"e.txt", ""}});
    pw::TContentsForm* form = w->ShowContents(Path("in/MENU.fat"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    WaitForPreview(form->Preview, [&] { form->Table->selectRow(4); });
    const int width = form->Preview->width();
    // The one preview fills the side the splitter gives it.
    EXPECT_GE(width, form->Preview->parentWidget()->width() - 12);
    for (int row : {0, 1, 2, 3, 4}) {
        SCOPED_TRACE(row);
        WaitForPreview(form->Preview, [&] { form->Table->selectRow(row); });
        QCoreApplication::processEvents();
        EXPECT_EQ(form->Preview->width(), width);
        if (row == 1) { // a whole row of 16 bytes in sight, in a fixed-width font
            QPlainTextEdit* hex = form->Preview->HexView;
            EXPECT_TRUE(QFontInfo(hex->font()).fixedPitch());
            const QString line = hex->toPlainText().section(u'\n', 0, 0);
            EXPECT_TRUE(line.startsWith("00000000  01 02 03 04 05"));
            EXPECT_EQ(hex->lineWrapMode(), QPlainTextEdit::NoWrap);
        }
        if (row == 2) { // control codes as the PO files write them, in the link colour
            QPlainTextEdit* text = form->Preview->TextView;
            EXPECT_EQ(text->toPlainText(), "{0x01}Red{0x01}");
            const QList<QTextLayout::FormatRange> marks = text->document()->firstBlock().layout()->formats();
            ASSERT_EQ(marks.size(), 2);
            EXPECT_EQ(marks[1].start, 9);
            EXPECT_EQ(marks[1].length, 6);
            EXPECT_EQ(marks[1].format.foreground().color(), text->palette().color(QPalette::Link));
        }
    }
}

} // namespace

TEST_F(BrowseLookTest, ACutCellShowsItsWholeTextInItsTooltip) {
    // Widths are measured on the first rows: a long name further down is cut.
    std::vector<Entry> entries(250, Entry{"a.txt", "x"});
    entries[240] = {"b1234567890a.txt", "x"};
    MakePack("in/MENU", entries);
    Add({Path("in/MENU.fat")}, 1);
    pw::TContentsForm* form = w->ShowContents(Path("in/MENU.fat"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    QTableView* table = form->Table;
    const QModelIndex longName = table->model()->index(240, pw::TPackModel::ColName);
    ASSERT_LT(table->columnWidth(pw::TPackModel::ColName), table->fontMetrics().horizontalAdvance("b1234567890a.txt"));
    EXPECT_EQ(pw::CellToolTip(table, longName), "b1234567890a.txt");
    EXPECT_EQ(pw::CellToolTip(table, table->model()->index(0, pw::TPackModel::ColName)), ""); // whole: no tip
    table->setColumnWidth(pw::TPackModel::ColIndex, 4); // the model's own tip after the text
    table->setColumnWidth(pw::TPackModel::ColPath, 4);
    EXPECT_EQ(pw::CellToolTip(table, table->model()->index(3, pw::TPackModel::ColIndex)), "00000003");
    EXPECT_EQ(pw::CellToolTip(table, table->model()->index(3, pw::TPackModel::ColPath)), Native("MENU/TXT/00000003.txt"));
}
