#pragma once
// The change plan window of a log: what a rebuild from it would do to each
// entry (changed, same, kept, refused), with old and new size and the file
// its line names, filtered like the contents window, and for a changed
// entry its old data beside the new file. It writes nothing.
#include <QWidget>
#include <map>
#include <memory>
#include <string>

#include "packs/PackIndex.h"

class QCheckBox;
class QLabel;
class QTableView;

namespace pw {

class TFilterBar;
class TPlanModel;
class TPreviewPane;

class TPlanForm : public QWidget {
    Q_OBJECT
public:
    // Plans `logPath` against `targetDir`; throws pw::Error with
    // insertion's message for what fails before any pack.
    TPlanForm(const std::string& logPath, const std::string& targetDir, QWidget* parent = nullptr);
    ~TPlanForm() override;

    TPlanModel* Model() const { return model_.get(); }

    TFilterBar* FilterBar;
    QCheckBox* ChangedOnly;
    QLabel* Summary;
    QTableView* Table;
    TPreviewPane* OldPreview;
    TPreviewPane* NewPreview;
    QLabel* OldLabel;
    QLabel* NewLabel;

    // Shows the entry at a view row: its old data, and beside them the new
    // file when the rebuild changes the entry.
    void PreviewRow(int row);

private:
    const PackIndex* SourceIndex(const std::string& path);

    std::unique_ptr<TPlanModel> model_;
    std::map<std::string, std::unique_ptr<PackIndex>> sources_;
};

} // namespace pw
