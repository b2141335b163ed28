#pragma once
// The contents window of one pack: its entries in a table that sorts and
// filters, a preview of the selected entry, and extraction of the selected
// entries or of all of them, with progress and Stop. It does not block the
// main window; the main window keeps one per pack.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "packs/Formathandlers.h"
#include "packs/RunContext.h"
#include "packs/StatusSink.h"

namespace Ui {
class TContentsForm;
}
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;

namespace pw {

class TFilterBar;
class TPackModel;
class TPreviewPane;
class TTranslationWindow;

// The caption of a contents window: "MENU.fat - 3 entries, 12 bytes".
QString ContentsCaption(const std::string& indexPath, size_t entries, int64_t bytes);

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

private:
    void Extract(const std::vector<bool>& selected);
    void ShowErrorBox(const std::string& message);
    void UpdateButtons();
    void SetUpTexts();

    std::unique_ptr<Ui::TContentsForm> ui_;
    Dialogs& dialogs_;
    std::string indexPath_;
    std::unique_ptr<TPackModel> model_;
    RunContext run_;
    bool running_ = false;
    bool closeAfterRun_ = false;
    int total_ = 0, totalMax_ = 100;
};

} // namespace pw
