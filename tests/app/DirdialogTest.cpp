// The directory dialog and the folder prompt.
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "AppFixture.h"
#include "app/FolderPrompt.h"

namespace {

// Shows the dialog (which runs FormShow), lets `test` look at it, hides it.
void WithShown(TDirForm& form, const std::function<void()>& test) {
    form.show();
    test();
    form.hide();
}

} // namespace

TEST_F(AppTest, DirFormFileTypesAndOkButton) {
    EXPECT_EQ(dir->windowTitle(), "Directory to add");
    EXPECT_EQ(dir->size(), QSize(418, 53));
    EXPECT_FALSE(dir->BOk->isEnabled());
    EXPECT_FALSE(dir->BOk->isDefault() || dir->BOk->autoDefault());
    EXPECT_FALSE(dir->BCancel->isDefault() || dir->BCancel->autoDefault());

    WithShown(*dir, [&] {
        ASSERT_EQ(dir->Filter->count(), 4);
        EXPECT_EQ(dir->Filter->itemText(0), "Data Packs (*.fat)");
        EXPECT_EQ(dir->Filter->itemText(1), "Project list files (*.lst)");
        EXPECT_EQ(dir->Filter->itemText(2), "Log files (*.log)");
        EXPECT_EQ(dir->Filter->itemText(3), "Patches (*.pwpatch)");
        EXPECT_EQ(dir->Filter->currentIndex(), 0);
        EXPECT_EQ(dir->GetFilterIndex(), 0);
        EXPECT_EQ(dir->GetFileMask(), "*.fat");
        EXPECT_FALSE(dir->BOk->isEnabled());

        QTest::keyClicks(dir->ScanDir, "x");
        EXPECT_TRUE(dir->BOk->isEnabled());
        QTest::keyClick(dir->ScanDir, Qt::Key_Backspace);
        EXPECT_FALSE(dir->BOk->isEnabled());
        QTest::keyClicks(dir->ScanDir, " ");
        EXPECT_TRUE(dir->BOk->isEnabled()); // blanks count

        // The user's choice, by keyboard on the closed list.
        QTest::keyClick(dir->Filter, Qt::Key_Down);
        EXPECT_EQ(dir->GetFilterIndex(), 1);
        EXPECT_EQ(dir->GetFileMask(), "*.lst");
        QTest::keyClick(dir->Filter, Qt::Key_Down);
        EXPECT_EQ(dir->GetFilterIndex(), 2);
        EXPECT_EQ(dir->GetFileMask(), "*.log");
        QTest::keyClick(dir->Filter, Qt::Key_Down);
        EXPECT_EQ(dir->GetFilterIndex(), 3);
        EXPECT_EQ(dir->GetFileMask(), "*.pwpatch");
    });

    // Each show starts at the first file type; the folder text stays.
    WithShown(*dir, [&] {
        EXPECT_EQ(dir->Filter->count(), 4);
        EXPECT_EQ(dir->GetFilterIndex(), 0);
        EXPECT_EQ(dir->GetFileMask(), "*.fat");
        EXPECT_EQ(dir->ScanDir->text(), " ");
        EXPECT_TRUE(dir->BOk->isEnabled());
    });
}

TEST_F(AppTest, DirFormResults) {
    // Ok gives 1, Cancel and the close box 2.
    dir->ScanDir->setText("/x");
    dir->show();
    dir->BOk->click();
    EXPECT_EQ(dir->result(), 1);
    dir->show();
    dir->BCancel->click();
    EXPECT_EQ(dir->result(), 2);
    dir->show();
    dir->close();
    EXPECT_EQ(dir->result(), 2);
    // Escape has no meaning of its own here.
    dir->show();
    QTest::keyClick(dir.get(), Qt::Key_Escape);
    EXPECT_TRUE(dir->isVisible());
    dir->hide();
}

TEST_F(AppTest, DirFormFolderPrompt) {
    dir->ScanDir->setText("typed");
    dialogs.folders.push_back(std::nullopt);
    dir->CallDialog->click();
    EXPECT_EQ(dir->ScanDir->text(), "typed");
    EXPECT_EQ(dialogs.folderStarts.back(), "typed");

    dir->ScanDir->clear();
    dialogs.folders.push_back(Path("chosen"));
    dir->CallDialog->click();
    EXPECT_EQ(dir->ScanDir->text(), Path("chosen"));
    EXPECT_TRUE(dir->BOk->isEnabled());
}

TEST_F(AppTest, FolderPromptCreatesATypedFolderOnYes) {
    pw::FolderPrompt prompt(nullptr, tmp.path(), dialogs);
    EXPECT_EQ(prompt.windowTitle(), "Select Directory");
    auto* edit = prompt.findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(edit, nullptr);
    edit->setText("new/inner");
    const QString wanted = Path("new/inner");

    prompt.open();
    dialogs.answers.push_back(false);
    prompt.accept();
    EXPECT_TRUE(prompt.isVisible()); // No keeps the prompt open
    EXPECT_FALSE(QFileInfo::exists(wanted));
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0], "The specified directory does not exist. Create it?");

    dialogs.answers.push_back(true);
    prompt.accept();
    EXPECT_FALSE(prompt.isVisible());
    EXPECT_EQ(prompt.result(), QDialog::Accepted);
    EXPECT_TRUE(QFileInfo(wanted).isDir());
    EXPECT_EQ(QDir(prompt.Folder()).canonicalPath(), QDir(wanted).canonicalPath());
}

TEST_F(AppTest, FolderPromptStartsAtTheCurrentDirectoryForAnUnusableStart) {
    pw::FolderPrompt prompt(nullptr, Path("not-there"), dialogs);
    EXPECT_EQ(QDir(prompt.directory()).canonicalPath(), QDir::current().canonicalPath());
    pw::FolderPrompt inside(nullptr, tmp.path(), dialogs);
    EXPECT_EQ(QDir(inside.directory()).canonicalPath(), QDir(tmp.path()).canonicalPath());
}

TEST_F(AppTest, QtOpenDialogKeepsTheChosenFileType) {
    Write("a.log", "");
    pw::QtDialogs real;
    int position = 1;
    OnModal<QFileDialog>([&](QFileDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Select file...");
        EXPECT_EQ(d.fileMode(), QFileDialog::ExistingFiles);
        EXPECT_EQ(d.nameFilters(), (QStringList{"Data Packs (*.fat)", "Project list files (*.lst)",
                                                "Log files (*.log)", "Patches (*.pwpatch)"}));
        EXPECT_EQ(d.selectedNameFilter(), "Data Packs (*.fat)");
        d.reject();
    });
    EXPECT_TRUE(real.OpenFiles(nullptr, TMainForm::SelectLogSetup(), position).isEmpty());
    EXPECT_EQ(position, 1);

    OnModal<QFileDialog>([&](QFileDialog& d) {
        d.selectNameFilter("Log files (*.log)");
        d.setDirectory(tmp.path());
        d.selectFile(Path("a.log"));
        static_cast<QDialog&>(d).accept();
    });
    const QStringList files = real.OpenFiles(nullptr, TMainForm::SelectLogSetup(), position);
    EXPECT_EQ(files, QStringList{Path("a.log")});
    EXPECT_EQ(position, 3);
}

TEST_F(AppTest, QtSaveDialogAddsTheDefaultExtension) {
    pw::QtDialogs real;
    OnModal<QFileDialog>([&](QFileDialog& d) {
        EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_FALSE(d.testOption(QFileDialog::DontConfirmOverwrite));
        d.setDirectory(tmp.path());
        d.selectFile("out");
        static_cast<QDialog&>(d).accept();
    });
    const auto file = real.SaveFile(nullptr, TMainForm::SaveResSetup());
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(*file, Path("out.txt"));
}
