#pragma once
// The real window driven through a dialog stand-in that answers every
// dialog and message box from a queue filled by the test.
#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/Dirdialog.h"
#include "app/Main.h"
#include "app/browse/PreviewPane.h"
#include "app/open/Opener.h"

class FakeDialogs : public pw::Dialogs {
public:
    struct OpenAnswer {
        QStringList files; // empty: cancelled
        int position = 1;
    };
    struct Box {
        std::string kind; // "info", "error"
        QString text, caption;
    };

    std::deque<OpenAnswer> opens;
    std::vector<int> openStartPositions;
    std::function<void()> onOpen; // runs while an open dialog is up
    std::deque<std::optional<QString>> saves;
    std::vector<pw::FileDialogSetup> saveSetups;
    std::deque<std::optional<QString>> folders;
    std::vector<QString> folderStarts;
    std::deque<std::function<int(TDirForm&)>> dirForms;
    std::vector<pw::FileDialogSetup> openSetups;
    std::deque<std::optional<int>> choices; // AskChoice's answers
    std::vector<QStringList> choiceItems;
    std::vector<int> choiceStarts;
    std::deque<std::optional<QString>> texts; // AskText's answers
    std::vector<QString> textLabels;
    std::deque<bool> answers;
    std::vector<QString> questions;
    std::vector<Box> boxes;

    QStringList OpenFiles(QWidget*, const pw::FileDialogSetup& setup, int& position) override;
    std::optional<QString> SaveFile(QWidget*, const pw::FileDialogSetup& setup) override;
    std::optional<QString> SelectDirectory(QWidget*, const QString& start) override;
    int ExecDirForm(TDirForm& form) override;
    std::optional<QString> AskText(QWidget*, const QString& caption, const QString& label,
                                   const QString& start) override;
    std::optional<int> AskChoice(QWidget*, const QString& caption, const QString& label, const QStringList& items,
                                 int current) override;
    bool Ask(QWidget*, const QString& text, const QString& caption) override;
    void Inform(QWidget*, const QString& text, const QString& caption) override;
    void ShowError(QWidget*, const QString& text, const QString& caption) override;
    SaveAnswer AskSave(QWidget*, const QString& text, const QString& caption) override;
    std::deque<SaveAnswer> saveAnswers; // AskSave's answers
    int Choose(QWidget*, const QString& text, const QString&, const QStringList& answers, const QStringList&) override;
    std::deque<int> picks;             // Choose's answers, as indexes
    std::vector<QStringList> choiceSets; // the answers offered each time
    std::optional<pw::PatchDetails> AskPatchDetails(QWidget*, const QString& caption,
                                                    const pw::PatchDetails& start) override;
    std::deque<std::optional<pw::PatchDetails>> details; // the patch details forms' answers
    std::vector<pw::PatchDetails> detailStarts;
    QString openTitle = QStringLiteral("Select file..."); // the open dialog expected
};

// Stands in for the system's opener: records each call ("desktop FILE",
// "with PROGRAM FILE", "editor COMMAND FILE") and answers `starts`.
class FakeOpener : public pw::Opener {
public:
    QStringList calls;
    bool starts = true;
    bool OpenWithDesktop(const QString& file) override { return Record("desktop " + file); }
    bool OpenWith(const QString& program, const QString& file) override { return Record("with " + program + " " + file); }
    bool OpenWithEditor(const QString& command, const QString& file) override {
        return Record("editor " + command + " " + file);
    }
    QString ProgramsFolder() const override { return QStringLiteral("/usr/bin"); }
    QString ProgramsFilter() const override { return QStringLiteral("Programs (*)|*"); }

private:
    bool Record(const QString& call) {
        calls << call;
        return starts;
    }
};

// `path` with the system's own separators, as the window shows and writes
// the paths it makes ("\\" on Windows): for expected paths built with "/".
inline QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

// The buttons, tool buttons and check boxes of `window` (and of the
// windows and menus it owns) that have no tooltip, by object name or text.
QStringList Unexplained(const QWidget* window);

// Runs `act` on the modal dialog (a `D`) as soon as it is up.
template <class D, class Act>
void OnModal(Act act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

// A window with its directory dialog, a scratch folder, and the working
// directory put back after each test (a run changes it).
class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A path under the scratch folder, and making files there.
    QString Path(const QString& relative) const;
    void Write(const QString& relative, const std::string& bytes) const;
    static std::string Read(const QString& path);
    QStringList Entries() const;
    // Whether exactly these buttons of the tool bar and group are enabled.
    std::vector<std::string> EnabledButtons() const;

    // A pack `relative`.fat/.mix whose entries have these names and data,
    // laid out in 2048-byte blocks.
    struct Entry {
        std::string name;
        std::string data;
    };
    void MakePack(const QString& relative, const std::vector<Entry>& entries) const;
    // Adds files through the input dialog at a file-type position.
    void Add(const QStringList& files, int position);

    QTemporaryDir tmp;
    QString oldCwd;
    FakeDialogs dialogs;
    std::unique_ptr<TMainForm> w;
    std::unique_ptr<TDirForm> dir;
};

// A 2 x 2 uncompressed true-colour Targa picture, every pixel byte `fill`.
std::string SmallTarga(char fill);

// Drops local `files` on `target` at `at`, as a file manager does: whether
// the drag was let in and the drop taken.
bool DropFiles(QWidget* target, QPoint at, const QStringList& files);

// Runs `action` (a selection, say) and waits until `pane` shows its preview.
void WaitForPreview(pw::TPreviewPane* pane, const std::function<void()>& action);

// Calls `action` each time the window lets events run, until it returns true.
class DuringRun : public QObject {
public:
    explicit DuringRun(std::function<bool()> action);
    ~DuringRun() override;

private:
    void timerEvent(QTimerEvent*) override;
    std::function<bool()> action_;
    int timer_;
};
