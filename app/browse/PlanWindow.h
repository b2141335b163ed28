#pragma once
// The change plan window of a log: what a rebuild from it would do to each
// entry (changed, same, kept, refused), with old and new size and the file
// its line names, filtered like the contents window, and for a changed
// entry its old data beside the new file, or for a changed text the
// difference of the two. It writes nothing but, on "Save as patch…", a
// patch of its changed entries; Esc closes it.
#include <QWidget>
#include <map>
#include <memory>
#include <string>

#include "app/dialogs/Dialogs.h"
#include "packs/PackIndex.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSplitter;
class QTableView;

namespace pw {

class TDiffView;
class TFilterBar;
class TPlanModel;
class TPreviewPane;

class TPlanForm : public QWidget {
    Q_OBJECT
public:
    // Plans `logPath` against `targetDir`; throws pw::Error with
    // insertion's message for what fails before any pack.
    TPlanForm(const std::string& logPath, const std::string& targetDir, Dialogs& dialogs,
              QWidget* parent = nullptr);
    ~TPlanForm() override;

    TPlanModel* Model() const { return model_.get(); }

    TFilterBar* FilterBar;
    QCheckBox* ChangedOnly;
    QPushButton* SaveAsPatch; // enabled when the plan changes an entry
    QLabel* Summary;
    QSplitter* Splitter;
    QTableView* Table;
    TPreviewPane* OldPreview;
    TPreviewPane* NewPreview;
    QLabel* OldLabel;
    QLabel* NewLabel;
    TDiffView* Diff; // in place of the two panes for a changed text

    // Shows the entry at a view row: its old data, and beside them the new
    // file when the rebuild changes the entry.
    void PreviewRow(int row);

    // "Save as patch…": asks the title and the author, then the file, and
    // writes the patch of the log's changed entries as `diff --log` does.
    // Errors go to the error box, once.
    void SaveAsPatchClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    const PackIndex* SourceIndex(const std::string& path);
    void ShowPanes(int panes);
    void CompareIfText();

    Dialogs& dialogs_;
    std::string logPath_, targetDir_;
    std::unique_ptr<TPlanModel> model_;
    std::map<std::string, std::unique_ptr<PackIndex>> sources_;
    bool comparing_ = false; // a changed entry's two sides are being read
    int room_ = 0;           // previews the splitter last made room for
};

} // namespace pw
