#include "app/browse/PlanWindow.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

#include "app/browse/DiffView.h"
#include "app/browse/EntryTable.h"
#include "app/browse/FilterBar.h"
#include "app/browse/Paths.h"
#include "app/browse/PlanModel.h"
#include "app/browse/PreviewPane.h"
#include "core/Error.h"
#include "core/FileIO.h"
#include "core/FileNames.h"
#include "packs/EntryFilter.h"

namespace pw {

namespace {

std::vector<PackPlan> PlanOf(const std::string& logPath, const std::string& targetDir) {
    PlainStatus quiet;
    RunContext ctx(quiet);
    return PlanLog(ctx, logPath, targetDir);
}

QString SummaryOf(const std::vector<PackPlan>& plan) {
    QStringList lines;
    for (const PackPlan& p : plan) {
        QString line = QStringLiteral("%1 to %2: %3 changed, %4 same, %5 kept")
                           .arg(FromPath(ExtractFileName(p.sourceIndex)), FromPath(p.targetIndex))
                           .arg(p.changed)
                           .arg(p.same)
                           .arg(p.kept);
        if (p.Refused())
            line += QStringLiteral("; the rebuild would stop: ") + FromPath(p.refusal);
        else
            line += QStringLiteral("; data %1 to %2 bytes (%3%4)")
                        .arg(p.sourceDataSize)
                        .arg(p.newDataSize)
                        .arg(p.newDataSize >= p.sourceDataSize ? QStringLiteral("+") : QString())
                        .arg(p.newDataSize - p.sourceDataSize);
        lines << line;
    }
    if (lines.isEmpty()) lines << QStringLiteral("The log rebuilds no pack.");
    return lines.join(u'\n');
}

} // namespace

TPlanForm::TPlanForm(const std::string& logPath, const std::string& targetDir, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), dialogs_(dialogs), logPath_(logPath), targetDir_(targetDir), model_(std::make_unique<TPlanModel>(PlanOf(logPath, targetDir), targetDir)) {
    setAttribute(Qt::WA_DeleteOnClose);
    size_t changed = 0;
    for (const PackPlan& p : model_->Plan()) changed += p.changed;
    setWindowTitle(QStringLiteral("%1 - changes: %2 of %3 entries")
                       .arg(FromPath(ExtractFileName(logPath)))
                       .arg(changed)
                       .arg(model_->SourceCount()));

    auto* outer = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    FilterBar = new TFilterBar(this);
    ChangedOnly = new QCheckBox(QStringLiteral("Changed only"), this);
    top->addWidget(FilterBar, 1);
    ChangedOnly->setToolTip(QStringLiteral("Show only the entries the plan changes"));
    top->addWidget(ChangedOnly);
    SaveAsPatch = new QPushButton(QStringLiteral("Save as patch\u2026"), this);
    SaveAsPatch->setEnabled(changed > 0);
    SaveAsPatch->setToolTip(changed > 0 ? QStringLiteral("Write a patch of the entries the plan changes")
                                        : QStringLiteral("Write a patch of the entries the plan changes\n"
                                                         "The plan changes no entry"));
    top->addWidget(SaveAsPatch);
    outer->addLayout(top);
    Summary = new QLabel(SummaryOf(model_->Plan()), this);
    Summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Summary->setWordWrap(true); // a long target path does not widen the window
    outer->addWidget(Summary);

    QHBoxLayout* grid = AddPreviewColumns(outer, model_.get(), QStringLiteral("Old"),
                                          {Splitter, Table, OldLabel, OldPreview, NewLabel, NewPreview});
    Diff = new TDiffView(grid->parentWidget());
    Diff->hide();
    grid->addWidget(Diff, 2);

    FilterBar->Bind(model_.get());
    connect(SaveAsPatch, &QPushButton::clicked, this, [this] { SaveAsPatchClick(); });
    connect(ChangedOnly, &QCheckBox::toggled, this, [this](bool on) { model_->SetChangedOnly(on); });
    connect(Table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { PreviewRow(current.isValid() ? current.row() : -1); });
    connect(model_.get(), &QAbstractItemModel::modelReset, this, [this] { PreviewRow(-1); });
    connect(OldPreview, &TPreviewPane::Shown, this, [this] { CompareIfText(); });
    connect(NewPreview, &TPreviewPane::Shown, this, [this] { CompareIfText(); });
    connect(Diff, &TDiffView::Shown, this, [this](bool compared) { ShowPanes(compared ? 0 : 2); });
    resize(OpeningWidth(this, Splitter, Table, 1100), 600);
    layout()->activate();
    PreviewRow(-1);
}

// Esc closes the window, as secondary windows do.
void TPlanForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

// 0: the diff of a changed text; 1: the old data alone; 2: old and new side
// by side. The table keeps what it needs, the previews get what they need.
void TPlanForm::ShowPanes(int panes) {
    Diff->setVisible(panes == 0);
    OldLabel->setVisible(panes > 0);
    OldPreview->setVisible(panes > 0);
    NewLabel->setVisible(panes == 2);
    NewPreview->setVisible(panes == 2);
    const int room = panes == 1 ? 1 : 2;
    if (room != room_) {
        room_ = room;
        ShareWidth(Splitter, Table, room);
    }
}

// Both sides of a changed entry read, and both texts: their difference
// replaces the two panes.
void TPlanForm::CompareIfText() {
    if (!comparing_ || OldPreview->Busy() || NewPreview->Busy()) return;
    comparing_ = false;
    const Preview& old = OldPreview->Current();
    const Preview& fresh = NewPreview->Current();
    if (old.kind != PreviewKind::Text || fresh.kind != PreviewKind::Text) return;
    Diff->Compare(old.text, fresh.text, QStringLiteral("Old: %1; new: %2").arg(old.info, fresh.info));
}

TPlanForm::~TPlanForm() = default;

const PackIndex* TPlanForm::SourceIndex(const std::string& path) {
    auto it = sources_.find(path);
    if (it == sources_.end()) {
        std::unique_ptr<PackIndex> index;
        try {
            index = std::make_unique<PackIndex>(ReadWholeFile(path), path);
        } catch (const Error&) {
            // The plan has said what is wrong with the pack; no old preview.
        }
        it = sources_.emplace(path, std::move(index)).first;
    }
    return it->second.get();
}

void TPlanForm::PreviewRow(int row) {
    comparing_ = false;
    Diff->Cancel();
    ShowPanes(1);
    if (row < 0 || row >= model_->rowCount()) {
        OldPreview->Clear();
        NewPreview->Clear();
        return;
    }
    const size_t source = model_->SourceRow(row);
    const PackPlan& pack = model_->PackOf(source);
    const EntryPlan& entry = model_->EntryOf(source);
    PreviewRequest old;
    old.type = EntryType(entry.name);
    old.size = entry.oldSize;
    if (const PackIndex* index = SourceIndex(pack.sourceIndex); index && entry.index < index->Count()) {
        const FatEntry e = index->Entry(entry.index);
        old.dataPath = DataPathFor(pack.sourceIndex);
        old.offset = int64_t(e.StartBlock) * PackBlockSize;
        old.inside = e.Size == 0 || EntryInside(e.StartBlock, e.Size, pack.sourceDataSize);
    } else {
        old.inside = false;
    }
    OldPreview->Request(old);
    if (entry.state != EntryState::Changed) return;
    PreviewRequest fresh;
    fresh.dataPath = model_->FilePath(source);
    fresh.type = old.type;
    fresh.size = entry.newSize;
    fresh.inside = QFileInfo(FromPath(fresh.dataPath)).size() >= entry.newSize;
    ShowPanes(2);
    comparing_ = true;
    NewPreview->Request(fresh);
}

} // namespace pw
