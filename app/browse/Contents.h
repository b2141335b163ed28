#pragma once
// The contents window of one pack: its entries in a table that sorts and
// filters, a preview of the selected entry, and extraction of the selected
// entries or of all of them, with progress and Stop. Entries are replaced
// by files where they are shown (ContentsReplace.cpp) and saved as a new
// pack, a patch or a log. It does not block the main window; the main
// window keeps one per pack.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/dialogs/Dialogs.h"
#include "packs/Formathandlers.h"
#include "packs/RunContext.h"
#include "packs/StatusSink.h"
#include "packs/replace/Replace.h"

namespace Ui {
class TContentsForm;
}
class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTableView;
class QToolBar;

namespace pw {

class Opener;
class TFilterBar;
class TPackModel;
class TPreviewPane;
struct ReplaceParts;
class TTranslationWindow;

// The close question: "1 replaced entry: save it?", "3 replaced entries:
// save them?".
QString ReplacedQuestion(size_t replaced);

// The caption of a contents window: "MENU.fat - 3 entries, 12 bytes", and
// with replaced entries "; 2 replaced, 40 bytes".
QString ContentsCaption(const std::string& indexPath, size_t entries, int64_t bytes, size_t replaced = 0,
                        int64_t replacedBytes = 0);

class TContentsForm : public QWidget, public StatusSink {
    Q_OBJECT
public:
    // Reads the pack's index; throws pw::Error with the engine's message
    // when the pack cannot be opened or its index is refused.
    TContentsForm(const std::string& indexPath, Dialogs& dialogs, QWidget* parent = nullptr);
    ~TContentsForm() override;

    TPackModel* Model() const { return model_.get(); }
    const std::string& IndexPath() const { return indexPath_; }

    // Controls, for the caller and the tests.
    TFilterBar* FilterBar;
    QTableView* Table;
    TPreviewPane* Preview;
    QLabel* CurrentMessage;
    QProgressBar* Progress;
    QPushButton* BExtractSelected;
    QPushButton* BExtractAll;
    QPushButton* Stop;
    // Only for a pack with numbered-text entries (ContentsTexts.cpp), else none.
    QPushButton* BExportTexts = nullptr;
    QPushButton* BImportTranslation = nullptr;
    QPointer<TTranslationWindow> Translation; // the last import's results

    // The main window answers whether it is working through its list, so
    // that the two never run at once.
    std::function<bool()> OtherRunBusy;
    // Called when an extraction has ended, however it ended.
    std::function<void()> RunEnded;
    // How entries are handed to other programs (the system's by default;
    // tests put a stand-in here).
    void SetOpener(Opener& opener) { opener_ = &opener; }
    // Opens the contents window of another pack (a new pack just saved).
    std::function<void(const std::string& indexPath)> OpenPack;

    // Handlers. The extractions ask for a folder through the run's folder
    // prompt and write TARGET/result.log as a run over this pack would.
    void BExtractSelectedClick();
    void BExtractAllClick();
    void StopClick();
    void ExportTextsClick();
    void ImportTranslationClick();
    bool Running() const { return running_; }
    // The entries (by index number) selected in the table, in index order.
    std::vector<bool> SelectedEntries() const;
    // Shows the preview of the entry at a view row.
    void PreviewRow(int row);

    // Replacing entries. Errors are thrown with the engine's messages.
    QAction *ReplaceAction, *OpenInEditorAction, *OpenWithAction, *UndoReplaceAction, *UndoAllAction,
        *ReplaceFromFolderAction, *SaveAsPackAction, *SaveAsPatchAction, *SaveAsLogAction;
    QToolBar* Tools = nullptr;    // the replacing actions and Save, above the table
    QAction* SaveAction = nullptr; // the tool bar's Save, its menu: new pack, patch, log
    TPreviewPane* NewPreview; // beside Preview for a replaced entry
    QWidget* Diff;            // a TDiffView in place of both for a replaced text
    // Entry k takes the file's bytes (as they are now).
    void ReplaceEntry(size_t k, const QString& file);
    // Files matched to entries by name, listed for confirmation first.
    void ReplaceFiles(const QStringList& files);
    // The files or folders dropped at a view row (-1: on no row).
    void DropFiles(const QStringList& files, int row);
    void ReplaceClick();
    void ReplaceFromFolderClick();
    // The current entry written to a private temporary file named as an
    // extraction names it (with the extension of what it holds when its
    // name has none), opened with the program chosen for its type, else
    // VISUAL's or EDITOR's editor for a text, else the desktop's
    // application, and watched: each save replaces the entry by it.
    // Returns the file.
    QString OpenInEditorClick();
    // Chooses the program for the current entry's type, remembers it and
    // opens the entry with it.
    QString OpenWithClick();
    // The program chosen for files with this extension (empty: none).
    static QString ProgramFor(const QString& extension);
    void UndoReplaceClick();
    void UndoAllClick();
    // Each returns whether it saved.
    bool SaveAsPackClick();
    bool SaveAsPatchClick();
    bool SaveAsLogClick();
    // Replacements that no save has written yet.
    bool Unsaved() const;
    QMenu* TableMenu();

    // Status of the engine while it extracts.
    void SetStatus(const std::string& caption) override;
    int ProgressPosition() const override;
    void SetProgressPosition(int position) override;
    int ProgressMax() const override;
    void SetProgressMax(int maximum) override;
    int TotalPosition() const override { return total_; }
    void SetTotalPosition(int position) override { total_ = position; }
    int TotalMax() const override { return totalMax_; }
    void SetTotalMax(int maximum) override { totalMax_ = maximum; }
    void ProcessEvents() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetUpReplacing();
    void ReplacementsChanged();
    // The new side of the preview for entry k (hidden when it is not replaced).
    void PreviewReplacement(size_t k);
    void EditedFileChanged(const QString& path);
    QString EditExtension(size_t k) const;
    void Launch(const QString& path, const QString& extension);
    void SetUpToolBar();
    // Enables the actions and says in their tooltips why one is disabled.
    void UpdateActions();
    void LookAtEdited(const QString& path, int retries);
    // Closing with unsaved replacements: save as a new pack or a patch,
    // discard or cancel.
    bool MayClose();
    // The folder for a new pack, starting beside the source's folder; the
    // source's own folder is refused and asked again.
    std::optional<QString> AskPackFolder();
    replace::ReplaceSet Set() const;
    void Extract(const std::vector<bool>& selected);
    void ShowErrorBox(const std::string& message);
    void UpdateButtons();
    void SetUpTexts();

    // A run of the window (an extraction, a new pack): the buttons and the
    // progress bar say so while it lasts, and the main window hears its end.
    class RunScope {
    public:
        explicit RunScope(TContentsForm& form);
        ~RunScope();
        RunScope(const RunScope&) = delete;
        RunScope& operator=(const RunScope&) = delete;

    private:
        TContentsForm& form_;
    };

    std::unique_ptr<Ui::TContentsForm> ui_;
    Dialogs& dialogs_;
    std::string indexPath_;
    std::unique_ptr<TPackModel> model_;
    RunContext run_;
    bool running_ = false;
    bool closeAfterRun_ = false;
    int total_ = 0, totalMax_ = 100;
    std::unique_ptr<ReplaceParts> replace_;
    Opener* opener_;
};

} // namespace pw
