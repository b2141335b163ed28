// The commands that fill and change the input list: add files, remove the
// selection, clear, save as a project list, and scan a folder tree.
#include <QDir>
#include <QListWidget>
#include <QToolButton>
#include <algorithm>
#include <vector>

#include "app/Dirdialog.h"
#include "app/Main.h"
#include "packs/Kinds.h"
#include "packs/Scan.h"
#include "packs/TextLines.h"

namespace {

// Runs at the end of a scope, also when an error leaves it.
template <class F> class AtExit {
public:
    explicit AtExit(F f) : f_(std::move(f)) {}
    ~AtExit() { f_(); }
    AtExit(const AtExit&) = delete;
    AtExit& operator=(const AtExit&) = delete;

private:
    F f_;
};

std::vector<std::string> Entries(const QListWidget& list) {
    std::vector<std::string> out;
    out.reserve(size_t(list.count()));
    for (int i = 0; i < list.count(); ++i) out.push_back(pw::ToPath(list.item(i)->text()));
    return out;
}

void Append(QListWidget& list, const std::vector<std::string>& entries) {
    for (const std::string& entry : entries) list.addItem(pw::FromPath(entry));
}

} // namespace

// Files of one type accumulate over several adds; another type, or an add
// after a scan, starts a new list; a project list always replaces the list.
void TMainForm::BAddLogClick() {
    AddFiles([this](int& position) { return dialogs_.OpenFiles(this, SelectLogSetup(), position); });
}

void TMainForm::AddFiles(const std::function<QStringList(int& position)>& choose) {
    if (ListFromScan) {
        LogList->clear();
        ListFromScan = false;
    }
    BRemLog->setEnabled(false);
    BProcess->setEnabled(false);
    BSaveList->setEnabled(false);
    // The buttons follow the list however the command ends.
    const AtExit enable([this] { EnableListButtonsIfFilled(); });

    int position = SelectLogPosition;
    const QStringList files = choose(position);
    if (files.isEmpty()) return;
    SelectLogPosition = std::clamp(position, 1, int(pw::KindByFileType.size()));
    const uint8_t kind = pw::KindByFileType[size_t(SelectLogPosition - 1)];
    if (kind != InputKind) LogList->clear();
    InputKind = kind;
    if (kind == pw::KindProjectLists) {
        const std::vector<std::string> entries = pw::LoadLines(pw::ToPath(files.first()));
        LogList->clear();
        Append(*LogList, entries);
    } else {
        LogList->addItems(files);
    }
}

void TMainForm::BRemLogClick() {
    std::vector<int> rows;
    for (const QListWidgetItem* item : LogList->selectedItems()) rows.push_back(LogList->row(item));
    std::sort(rows.rbegin(), rows.rend());
    for (int row : rows) delete LogList->takeItem(row);

    if (LogList->count() > 0)
        LogList->setCurrentRow(LogList->count() - 1, QItemSelectionModel::NoUpdate);
    else
        SetListButtons(false);
}

void TMainForm::BClearAllClick() {
    LogList->clear();
    SetListButtons(false);
}

void TMainForm::BSaveListClick() {
    const auto file = dialogs_.SaveFile(this, SaveLSTSetup());
    if (!file) return;
    pw::SaveLines(pw::ToPath(*file), Entries(*LogList));
}

void TMainForm::ProcessDirClick() {
    BRemLog->setEnabled(false);
    BProcess->setEnabled(false);
    BSaveList->setEnabled(false);
    const AtExit enable([this] { EnableListButtonsIfFilled(); });

    if (!dirForm_ || dialogs_.ExecDirForm(*dirForm_) != 1) return;
    LogList->clear();
    ListFromScan = false;
    ScanRoot = dirForm_->DirectoryText();
    ScanDirectory(ScanRoot);
    const int32_t index = dirForm_->GetFilterIndex();
    if (index >= 0 && size_t(index) < pw::KindByFileType.size())
        InputKind = pw::KindByFileType[size_t(index)];
    if (LogList->count() > 0) ListFromScan = true;
}

// Every match below `dir`, subfolder trees first, then the folder's own
// matches, in the order the file system gives them.
void TMainForm::ScanDirectory(const QString& dir) {
    if (!dirForm_) return;
    std::vector<std::string> found;
    pw::ScanDirectory(pw::ToPath(dir), pw::ToPath(dirForm_->GetFileMask()), found);
    Append(*LogList, found);
}
