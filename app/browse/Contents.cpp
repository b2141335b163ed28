// The contents window: its table, preview and buttons.
#include "app/browse/Contents.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <algorithm>

#include "app/browse/ContentsReplace.h"
#include "app/browse/Counted.h"
#include "app/browse/EntryTable.h"
#include "app/browse/FilterBar.h"
#include "app/browse/Paths.h"
#include "app/browse/PackModel.h"
#include "app/browse/PreviewPane.h"
#include "app/open/Opener.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/PackIndex.h"
#include "ui_Contents.h"

namespace pw {

QString ContentsCaption(const std::string& indexPath, size_t entries, int64_t bytes, size_t replaced,
                        int64_t replacedBytes) {
    QString caption = QStringLiteral("%1 - %2, %3 bytes")
                          .arg(FromPath(ExtractFileName(indexPath)), Counted(entries, "entry", "entries"))
                          .arg(bytes);
    if (replaced > 0) caption += QStringLiteral("; %1 replaced, %2 bytes").arg(replaced).arg(replacedBytes);
    return caption;
}

TContentsForm::TContentsForm(const std::string& indexPath, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), ui_(std::make_unique<Ui::TContentsForm>()), dialogs_(dialogs),
      indexPath_(indexPath), model_(TPackModel::Open(indexPath)), run_(*this),
      opener_(&SystemOpener()) {
    ui_->setupUi(this);
    FilterBar = ui_->FilterBar;
    Table = ui_->Table;
    Preview = ui_->Preview;
    CurrentMessage = ui_->CurrentMessage;
    Progress = ui_->Progress;
    BExtractSelected = ui_->BExtractSelected;
    BExtractAll = ui_->BExtractAll;
    Stop = ui_->Stop;
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(ContentsCaption(indexPath, model_->SourceCount(), model_->TotalBytes()));
    SetUpEntryTable(Table, model_.get());
    // The bar has no text: it is shown only while an extraction runs.
    Progress->hide();

    FilterBar->Bind(model_.get());

    connect(Table->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& current) {
        PreviewRow(current.isValid() ? current.row() : -1);
        UpdateButtons();
    });
    connect(Table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateButtons(); });
    connect(model_.get(), &QAbstractItemModel::modelReset, this, [this] {
        Preview->Clear();
        UpdateButtons();
    });
    const auto guarded = [this](void (TContentsForm::*handler)()) {
        return [this, handler] {
            try {
                (this->*handler)();
            } catch (const std::exception& e) {
                ShowErrorBox(e.what());
            }
            if (closeAfterRun_ && !running_) close();
        };
    };
    connect(BExtractSelected, &QPushButton::clicked, this, guarded(&TContentsForm::BExtractSelectedClick));
    connect(BExtractAll, &QPushButton::clicked, this, guarded(&TContentsForm::BExtractAllClick));
    connect(Stop, &QPushButton::clicked, this, guarded(&TContentsForm::StopClick));
    SetUpReplacing();
    SetUpToolBar();
    SetUpTexts();
    UpdateButtons();
    resize(OpeningWidth(this, ui_->Splitter, Table, 1040), 600);
    layout()->activate();
    ShareWidth(ui_->Splitter, Table, 1);
}

TContentsForm::~TContentsForm() = default;

void TContentsForm::PreviewRow(int row) {
    if (row < 0 || row >= model_->rowCount()) {
        Preview->Clear();
        PreviewReplacement(SIZE_MAX);
        return;
    }
    const size_t k = model_->SourceRow(row);
    const FatEntry entry = model_->Index().Entry(k);
    PreviewRequest request;
    request.dataPath = model_->DataPath();
    request.offset = int64_t(entry.StartBlock) * PackBlockSize;
    request.size = entry.Size;
    request.type = model_->TypeName(k);
    request.inside = model_->Inside(k);
    Preview->Request(request);
    PreviewReplacement(k);
}

std::vector<bool> TContentsForm::SelectedEntries() const {
    std::vector<bool> selected(model_->SourceCount(), false);
    for (const QModelIndex& i : Table->selectionModel()->selectedRows())
        selected[model_->SourceRow(i.row())] = true;
    return selected;
}

void TContentsForm::UpdateButtons() {
    Stop->setEnabled(running_);
    UpdateActions();
}

void TContentsForm::BExtractSelectedClick() {
    Extract(SelectedEntries());
}

void TContentsForm::BExtractAllClick() {
    Extract(std::vector<bool>(model_->SourceCount(), true));
}

void TContentsForm::StopClick() {
    run_.RequestStop();
    Stop->setEnabled(false);
}

void TContentsForm::ShowErrorBox(const std::string& message) {
    dialogs_.ShowError(this, QString::fromStdString(ErrorBoxText(message)), QCoreApplication::applicationName());
}

// Esc closes the window, as secondary windows do.
void TContentsForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

// Closing during an extraction asks it to stop; the window closes after.
void TContentsForm::closeEvent(QCloseEvent* event) {
    if (running_) {
        closeAfterRun_ = true;
        run_.RequestStop();
        Stop->setEnabled(false);
        event->ignore();
        return;
    }
    if (!MayClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

void TContentsForm::SetStatus(const std::string& caption) { CurrentMessage->setText(FromPath(caption)); }
int TContentsForm::ProgressPosition() const { return Progress->value(); }
void TContentsForm::SetProgressPosition(int position) {
    Progress->setValue(std::clamp(position, Progress->minimum(), Progress->maximum()));
}
int TContentsForm::ProgressMax() const { return Progress->maximum(); }
void TContentsForm::SetProgressMax(int maximum) { Progress->setMaximum(maximum); }
void TContentsForm::ProcessEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

} // namespace pw
