// Replacing entries in the contents window: drops on a row and on the
// table, the pack, log and patch it saves (against insert and diff), a file
// changed after it was chosen, the user's editor, undo, and the question
// when the window closes.
#include <QDropEvent>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QUrl>
#include <cstdlib>
#include <thread>

#include "AppFixture.h"
#include "app/browse/Contents.h"
#include "app/browse/DiffView.h"
#include "app/browse/PackModel.h"
#include "app/browse/PreviewPane.h"
#include "packs/Driver.h"
#include "packs/Kinds.h"
#include "packs/patch/PatchMake.h"

namespace {

class ContentsReplaceTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        MakePack("in/MENU", {{"a.txt", "hello\nworld\n"}, {"b.dat", "old b"}, {"c.tga", SmallTarga('\x40')}});
        Write("edit/a.txt", "hello\nthere\n");
        Write("edit2/MENU/TGA/00000002.tga", SmallTarga('\x7F'));
        Write("edit2/notes.txt", "mine");
        form = w->ShowContents(Path("in/MENU.fat"));
        ASSERT_NE(form, nullptr);
    }
    // Drops `files` on view row `row` (-1: below the rows); whether it was taken.
    bool Drop(const QStringList& files, int row) {
        QWidget* target = form->Table->viewport();
        const QPoint at = row >= 0 ? form->Table->visualRect(form->Model()->index(row, 1)).center()
                                   : QPoint(5, target->height() - 5);
        return DropFiles(target, at, files);
    }
    std::string PackFiles(const QString& index) {
        return Read(index) + "|" + Read(QFileInfo(index).path() + "/MENU.mix");
    }
    QString Cell(int row, int column) { return form->Model()->index(row, column).data().toString(); }
    QPointer<pw::TContentsForm> form;
};

TEST_F(ContentsReplaceTest, DroppedFilesSavedAsPackLogAndPatchAgreeWithInsertAndDiff) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    ASSERT_TRUE(Drop({Path("edit/a.txt")}, 0)); // one file on a row: that entry
    EXPECT_EQ(Cell(0, pw::TPackModel::ColIndex), "00000000 *");
    EXPECT_EQ(Cell(0, pw::TPackModel::ColReplaced), "12 bytes from a.txt");
    dialogs.answers.push_back(true);
    ASSERT_TRUE(Drop({Path("edit2")}, -1)); // a folder: matched by name, confirmed
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0], "Replace 1 entry of MENU.fat?\n00000002 c.tga \u2190 " +
                                        Path("edit2/MENU/TGA/00000002.tga") + "\n\nNo entry for:\n" +
                                        Path("edit2/notes.txt"));
    EXPECT_EQ(form->windowTitle(), "MENU.fat - 3 entries, 47 bytes; 2 replaced, 42 bytes");

    // Old and new side by side, and a text as a diff.
    WaitForPreview(form->NewPreview, [&] { form->Table->selectRow(2); });
    EXPECT_TRUE(form->NewPreview->isVisibleTo(form) && form->Preview->isVisibleTo(form));
    EXPECT_TRUE(form->NewPreview->Info->text().startsWith("2 x 2 pixels"));
    QSignalSpy diffShown(static_cast<pw::TDiffView*>(form->Diff), &pw::TDiffView::Shown);
    form->Table->selectRow(0);
    ASSERT_TRUE(diffShown.wait(5000));
    EXPECT_TRUE(form->Diff->isVisibleTo(form));

    dialogs.folders.push_back(Path("new"));
    dialogs.answers.push_back(true); // show the new pack's contents
    ASSERT_TRUE(form->SaveAsPackClick());
    EXPECT_NE(w->ContentsOf(Path("new/MENU.fat")), nullptr);
    QDir().mkpath(Path("log"));
    dialogs.saves.push_back(Path("log/result.log"));
    ASSERT_TRUE(form->SaveAsLogClick());
    pw::PlainStatus quiet;
    pw::RunContext ctx(quiet);
    ASSERT_EQ(pw::RunList(ctx, {Path("log/result.log").toStdString()}, pw::KindLogs, "", Path("ins").toStdString()),
              pw::Outcome::Done);
    EXPECT_EQ(PackFiles(Path("new/MENU.fat")), PackFiles(Path("ins/MENU.fat")));
    EXPECT_EQ(PackFiles(Path("new/MENU.fat")).find("old b") != std::string::npos, true);

    qputenv("SOURCE_DATE_EPOCH", "1700000000");
    dialogs.details.push_back(pw::PatchDetails{"Menu", "me", "1.0", "Bigger menu"});
    dialogs.saves.push_back(Path("r.pwpatch"));
    ASSERT_TRUE(form->SaveAsPatchClick());
    { // closed before it is read again: Windows opens it without sharing
        const pw::patch::PatchFile made(Path("r.pwpatch").toStdString());
        pw::patch::SetWriterVersion(made.Info().writer);
    }
    ASSERT_TRUE(pw::patch::WritePatch(
        ctx, Path("d.pwpatch").toStdString(), {"Menu", "1.0", "me", "Bigger menu", "", "", ""},
        {pw::patch::DiffPacks(Path("in/MENU.fat").toStdString(), Path("new/MENU.fat").toStdString())}));
    qunsetenv("SOURCE_DATE_EPOCH");
    EXPECT_EQ(Read(Path("r.pwpatch")), Read(Path("d.pwpatch")));
    EXPECT_FALSE(form->Unsaved());
}

TEST_F(ContentsReplaceTest, AFileChangedAfterItWasChosenIsNamedAndNothingWritten) {
    form->ReplaceEntry(1, Path("edit/a.txt"));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    Write("edit/a.txt", "hello\nthere!\n");
    dialogs.folders.push_back(Path("new"));
    form->SaveAsPackAction->trigger();
    ASSERT_FALSE(dialogs.boxes.empty());
    EXPECT_EQ(dialogs.boxes.back().kind, "error");
    EXPECT_EQ(dialogs.boxes.back().text, "File " + Path("edit/a.txt") + " changed after it was chosen.");
    EXPECT_FALSE(QFileInfo::exists(Path("new/MENU.fat")));
}

TEST_F(ContentsReplaceTest, AnEntryEditedInTheUsersEditorIsReplacedAtEachSave) {
    FakeOpener opener;
    form->SetOpener(opener);
    form->Table->selectRow(1);
    const QString path = form->OpenInEditorClick();
    ASSERT_EQ(opener.calls, QStringList{"desktop " + path});
    EXPECT_TRUE(path.endsWith("/MENU/DAT/00000001.dat")) << path.toStdString();
    EXPECT_EQ(Read(path), "old b");
    EXPECT_EQ(form->Model()->ReplacedCount(), 0u); // opening is no save
    for (const std::string text : {"new b", "newer b!"}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.data(), qint64(text.size()));
        f.close();
        QTRY_VERIFY_WITH_TIMEOUT(form->Model()->ReplacementOf(1) &&
                                     form->Model()->ReplacementOf(1)->stamp.size == int64_t(text.size()),
                                 5000);
    }
    EXPECT_EQ(form->Model()->ReplacementOf(1)->file, Native(path).toStdString());
    // Closing throws the copy away with the window.
    dialogs.picks.push_back(2);
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(ContentsReplaceTest, UndoAndTheQuestionWhenClosing) {
    form->ReplaceEntry(0, Path("edit/a.txt"));
    form->ReplaceEntry(1, Path("edit/a.txt"));
    form->Table->selectRow(0);
    form->UndoReplaceAction->trigger();
    EXPECT_EQ(form->Model()->ReplacedCount(), 1u);
    EXPECT_EQ(Cell(0, pw::TPackModel::ColIndex), "00000000");
    form->UndoAllAction->trigger();
    EXPECT_EQ(form->windowTitle(), "MENU.fat - 3 entries, 47 bytes");
    EXPECT_TRUE(form->close()); // nothing to save: no question

}

TEST_F(ContentsReplaceTest, TheCloseQuestionsFourAnswers) {
    const QStringList answers = {"Save as new pack\u2026", "Save as patch\u2026", "Discard", "Cancel"};
    struct Case {
        int answer;
        bool closes;
        QString written; // the file the answer writes
    };
    for (const Case& c : {Case{3, false, ""}, Case{0, true, "new/MENU.fat"}, Case{1, true, "p.pwpatch"},
                          Case{2, true, ""}}) {
        SCOPED_TRACE(c.answer);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the window closed before
        form = w->ShowContents(Path("in/MENU.fat"));
        form->ReplaceEntry(1, Path("edit/a.txt"));
        dialogs.questions.clear();
        dialogs.picks.push_back(c.answer);
        if (c.answer == 0) {
            dialogs.folders.push_back(Path("new"));
            dialogs.answers.push_back(false); // no window for the new pack
        }
        if (c.answer == 1) {
            dialogs.details.push_back(pw::PatchDetails{"t", "", "", ""});
            dialogs.saves.push_back(Path("p.pwpatch"));
        }
        EXPECT_EQ(form->close(), c.closes);
        ASSERT_GE(dialogs.questions.size(), 1u); // a new pack then offers its window
        EXPECT_EQ(dialogs.questions[0], "1 replaced entry: save it?");
        EXPECT_EQ(dialogs.choiceSets.back(), answers);
        if (!c.written.isEmpty()) {
            EXPECT_TRUE(QFileInfo::exists(Path(c.written)));
        }
    }
    EXPECT_EQ(Read(Path("new/MENU.mix")).substr(2048, 12), "hello\nthere\n");
    EXPECT_EQ(pw::ReplacedQuestion(3), "3 replaced entries: save them?");
}

TEST_F(ContentsReplaceTest, AFolderHoldingTheSourceIsRefusedAndAskedAgainBesideIt) {
    form->ReplaceEntry(1, Path("edit/a.txt"));
    dialogs.folders = {Path("in"), Path("in/"), Path("new")};
    dialogs.answers.push_back(false);
    ASSERT_TRUE(form->SaveAsPackClick());
    EXPECT_EQ(dialogs.folderStarts, std::vector<QString>(3, QDir(tmp.path()).absolutePath()));
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0].text,
              "A pack is never written over its source: choose another folder for the new MENU.fat.");
    EXPECT_TRUE(QFileInfo::exists(Path("new/MENU.fat")));
}

} // namespace
