// Replacing entries in the contents window: by a file dropped on a row or
// chosen with Replace…, by files matched to entries by name (dropped
// together, or a folder), or by the user's own editor on a private copy of
// the entry that is watched; undone per entry or all at once. A replaced
// entry is previewed beside its old data, or as a diff when both are texts.
#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

#include "app/browse/Contents.h"
#include "app/browse/ContentsReplace.h"
#include "app/browse/Counted.h"
#include "app/browse/DiffView.h"
#include "app/browse/EntryTable.h"
#include "app/browse/PackModel.h"
#include "app/browse/Paths.h"
#include "app/browse/PreviewPane.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "ui_Contents.h"

namespace pw {

namespace {

// Matches listed in the confirmation at most; the rest are counted.
constexpr size_t ListedMatches = 40;

// The local files of a drag, or none when anything else is dragged.
QStringList LocalFiles(const QMimeData* mime) {
    QStringList files;
    if (!mime || !mime->hasUrls()) return files;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile()) return {};
        files << url.toLocalFile();
    }
    return files;
}

} // namespace

void TContentsForm::SetUpReplacing() {
    replace_ = std::make_unique<ReplaceParts>();
    ReplaceParts& r = *replace_;

    // The preview side: the old data, beside them the new, or the diff.
    auto* side = new QWidget(ui_->Splitter);
    auto* row = new QHBoxLayout(side);
    row->setContentsMargins(0, 0, 0, 0);
    auto* oldColumn = new QVBoxLayout;
    auto* newColumn = new QVBoxLayout;
    r.oldLabel = new QLabel(QStringLiteral("Old"), side);
    r.newLabel = new QLabel(QStringLiteral("New"), side);
    NewPreview = new TPreviewPane(side);
    ui_->Splitter->insertWidget(1, side);
    oldColumn->addWidget(r.oldLabel);
    oldColumn->addWidget(Preview, 1);
    newColumn->addWidget(r.newLabel);
    newColumn->addWidget(NewPreview, 1);
    row->addLayout(oldColumn, 1);
    // The "New" column takes its share only while it shows.
    row->addLayout(newColumn, 0);
    r.row = row;
    r.newColumn = newColumn;
    Diff = r.diff = new TDiffView(side);
    row->addWidget(r.diff, 2);
    for (QWidget* w : {static_cast<QWidget*>(r.oldLabel), static_cast<QWidget*>(r.newLabel),
                       static_cast<QWidget*>(NewPreview), static_cast<QWidget*>(r.diff)})
        w->hide();
    r.room = 1;

    const auto guarded = [this](std::function<void()> handler) {
        return [this, handler] {
            try {
                handler();
            } catch (const std::exception& e) {
                ShowErrorBox(e.what());
            }
            if (closeAfterRun_ && !running_) close();
        };
    };
    const auto action = [&](const QString& text, const QKeySequence& key, std::function<void()> handler) {
        auto* a = new QAction(text, this);
        if (!key.isEmpty()) {
            a->setShortcut(key);
            a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            addAction(a);
        }
        connect(a, &QAction::triggered, this, guarded(std::move(handler)));
        return a;
    };
    ReplaceAction = action(QStringLiteral("Replace\u2026"), QKeySequence(Qt::CTRL | Qt::Key_R), [this] { ReplaceClick(); });
    OpenInEditorAction =
        action(QStringLiteral("Open in editor"), QKeySequence(Qt::CTRL | Qt::Key_E), [this] { OpenInEditorClick(); });
    UndoReplaceAction =
        action(QStringLiteral("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { UndoReplaceClick(); });
    OpenWithAction = action(QStringLiteral("Open with\u2026"), {}, [this] { OpenWithClick(); });
    UndoAllAction = action(QStringLiteral("Undo all"), {}, [this] { UndoAllClick(); });
    ReplaceFromFolderAction = action(QStringLiteral("Replace from folder\u2026"),
                                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R), [this] { ReplaceFromFolderClick(); });
    SaveAsPackAction = action(QStringLiteral("Save as new pack\u2026"), QKeySequence(Qt::CTRL | Qt::Key_S),
                              [this] { SaveAsPackClick(); });
    SaveAsPatchAction = action(QStringLiteral("Save as patch\u2026"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
                               [this] { SaveAsPatchClick(); });
    SaveAsLogAction = action(QStringLiteral("Save as log\u2026"), {}, [this] { SaveAsLogClick(); });

    Table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Table, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { TableMenu()->popup(Table->viewport()->mapToGlobal(at)); });
    // Ctrl with a double-click opens the entry in the user's editor.
    connect(Table, &QAbstractItemView::doubleClicked, this, guarded([this] {
                if (QGuiApplication::keyboardModifiers() & Qt::ControlModifier) OpenInEditorClick();
            }));
    Table->setAcceptDrops(true);
    Table->viewport()->setAcceptDrops(true);
    Table->viewport()->installEventFilter(this);

    r.watcher = new QFileSystemWatcher(this);
    connect(r.watcher, &QFileSystemWatcher::fileChanged, this, [this](const QString& path) { EditedFileChanged(path); });

    const auto compare = [this] {
        ReplaceParts& p = *replace_;
        if (!p.comparing || Preview->Busy() || NewPreview->Busy()) return;
        p.comparing = false;
        const pw::Preview& old = Preview->Current();
        const pw::Preview& fresh = NewPreview->Current();
        if (old.kind == PreviewKind::Text && fresh.kind == PreviewKind::Text)
            p.diff->Compare(old.text, fresh.text, QStringLiteral("Old: %1; new: %2").arg(old.info, fresh.info));
    };
    connect(Preview, &TPreviewPane::Shown, this, compare);
    connect(NewPreview, &TPreviewPane::Shown, this, compare);
    connect(r.diff, &TDiffView::Shown, this, [this](bool compared) {
        ReplaceParts& p = *replace_;
        p.diff->setVisible(compared);
        p.oldLabel->setVisible(!compared);
        Preview->setVisible(!compared);
        p.newLabel->setVisible(!compared);
        NewPreview->setVisible(!compared);
    });
}

bool TContentsForm::Unsaved() const { return !replace_->saved && model_->ReplacedCount() > 0; }

replace::ReplaceSet TContentsForm::Set() const { return {indexPath_, model_->Replacements()}; }

void TContentsForm::ReplacementsChanged() {
    replace_->saved = false;
    // The marker and the files came after the widths were measured (a
    // sample of the replaced rows is enough: the tooltips have the rest).
    const std::vector<replace::Replacement> all = model_->Replacements();
    for (size_t i = 0; i < all.size() && i < ListedMatches; ++i) {
        const int row = model_->RowOfSource(all[i].index);
        if (row < 0) continue;
        for (int c : {int(TPackModel::ColIndex), int(TPackModel::ColReplaced)})
            WidenColumnFor(Table, c, model_->index(row, c).data().toString());
    }
    setWindowTitle(ContentsCaption(indexPath_, model_->SourceCount(), model_->TotalBytes(), model_->ReplacedCount(),
                                   model_->ReplacedBytes()));
    UpdateButtons();
    const QModelIndex current = Table->currentIndex();
    PreviewRow(current.isValid() ? current.row() : -1);
}

void TContentsForm::PreviewReplacement(size_t k) {
    if (!replace_) return;
    ReplaceParts& r = *replace_;
    r.comparing = false;
    r.diff->Cancel();
    r.diff->hide();
    const replace::Replacement* replaced = k < model_->SourceCount() ? model_->ReplacementOf(k) : nullptr;
    const bool both = replaced != nullptr;
    Preview->show();
    r.oldLabel->setVisible(both);
    r.newLabel->setVisible(both);
    NewPreview->setVisible(both);
    r.row->setStretchFactor(r.newColumn, both ? 1 : 0);
    const int room = both ? 2 : 1;
    if (room != r.room) {
        r.room = room;
        ShareWidth(ui_->Splitter, Table, room);
    }
    if (!both) {
        NewPreview->Clear();
        return;
    }
    PreviewRequest fresh;
    fresh.dataPath = replaced->file;
    fresh.size = replaced->stamp.size;
    fresh.type = model_->TypeName(k);
    r.comparing = true;
    NewPreview->Request(fresh);
}

void TContentsForm::ReplaceEntry(size_t k, const QString& file) {
    if (running_ || k >= model_->SourceCount()) return;
    model_->SetReplacement(replace::Choose(k, ToPath(QFileInfo(file).absoluteFilePath())));
    ReplacementsChanged();
}

void TContentsForm::ReplaceFiles(const QStringList& files) {
    if (running_) return;
    std::vector<std::string> paths;
    for (const QString& f : files) {
        const QFileInfo info(f);
        if (info.isDir()) {
            for (std::string& p : replace::FilesBelow(ToPath(info.absoluteFilePath()))) paths.push_back(std::move(p));
        } else {
            paths.push_back(ToPath(info.absoluteFilePath()));
        }
    }
    const replace::FileMatch match = replace::MatchFiles(model_->Index(), paths);
    const QString pack = FromPath(ExtractFileName(indexPath_));
    QString text = match.matched.empty()
                       ? QStringLiteral("No file matches an entry of %1.").arg(pack)
                       : QStringLiteral("Replace %1 of %2?")
                             .arg(Counted(match.matched.size(), "entry", "entries"), pack);
    for (size_t i = 0; i < match.matched.size() && i < ListedMatches; ++i) {
        const replace::Replacement& m = match.matched[i];
        text += QStringLiteral("\n%1 %2 \u2190 %3")
                    .arg(QString::fromStdString(Hex8(uint32_t(m.index))))
                    .arg(QString::fromLatin1(std::string(model_->Index().Name(m.index))))
                    .arg(FromPath(m.file));
    }
    if (match.matched.size() > ListedMatches)
        text += QStringLiteral("\nand %1 more").arg(match.matched.size() - ListedMatches);
    if (!match.unmatched.empty()) {
        text += QStringLiteral("\n\nNo entry for:");
        for (const std::string& u : match.unmatched) text += u'\n' + FromPath(u);
    }
    if (match.matched.empty()) {
        dialogs_.Inform(this, text, QStringLiteral("Replace entries"));
        return;
    }
    if (!dialogs_.Ask(this, text, QStringLiteral("Replace entries"))) return;
    for (const replace::Replacement& m : match.matched) model_->SetReplacement(m);
    ReplacementsChanged();
}

void TContentsForm::DropFiles(const QStringList& files, int row) {
    if (files.size() == 1 && row >= 0 && !QFileInfo(files[0]).isDir())
        ReplaceEntry(model_->SourceRow(row), files[0]);
    else
        ReplaceFiles(files);
}

void TContentsForm::ReplaceClick() {
    const QModelIndex current = Table->currentIndex();
    if (running_ || !current.isValid()) return;
    int position = 1;
    const QStringList files = dialogs_.OpenFiles(
        this, {QStringLiteral("Replace entry"), QStringLiteral("All files (*)|*"), QString(), true}, position);
    if (!files.isEmpty()) ReplaceEntry(model_->SourceRow(current.row()), files.first());
}

void TContentsForm::ReplaceFromFolderClick() {
    if (running_) return;
    const auto folder = dialogs_.SelectDirectory(this, QDir::currentPath());
    if (folder) ReplaceFiles({*folder});
}

void TContentsForm::UndoReplaceClick() {
    bool any = false;
    for (const QModelIndex& i : Table->selectionModel()->selectedRows()) any |= model_->Unreplace(model_->SourceRow(i.row()));
    if (any) ReplacementsChanged();
}

void TContentsForm::UndoAllClick() {
    if (model_->ReplacedCount() == 0) return;
    model_->UnreplaceAll();
    ReplacementsChanged();
}

QMenu* TContentsForm::TableMenu() {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    UpdateActions();
    menu->setToolTipsVisible(true);
    menu->addActions({ReplaceAction, OpenInEditorAction, OpenWithAction, UndoReplaceAction, UndoAllAction});
    menu->addSeparator();
    menu->addAction(ReplaceFromFolderAction);
    menu->addSeparator();
    menu->addActions({SaveAsPackAction, SaveAsPatchAction, SaveAsLogAction});
    return menu;
}

bool TContentsForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Table->viewport()) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (running_ || LocalFiles(drag->mimeData()).isEmpty()) return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList files = LocalFiles(drop->mimeData());
        if (running_ || files.isEmpty()) return false;
        drop->acceptProposedAction();
        const int row = Table->indexAt(drop->position().toPoint()).row();
        try {
            DropFiles(files, row);
        } catch (const std::exception& e) {
            ShowErrorBox(e.what());
        }
        return true;
    }
    default: return QWidget::eventFilter(watched, event);
    }
}

} // namespace pw
