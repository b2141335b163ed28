// The Mods window's layout and its load order: adding, removing, moving,
// mod lists read and written line for line, the deployed load order, and
// closing with unsaved changes.
#include "app/mods/ModsWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/browse/DiffView.h"
#include "app/browse/Paths.h"
#include "app/browse/PreviewPane.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "core/FileSync.h"
#include "packs/patch/PatchFile.h"

namespace pw {

namespace {

constexpr int PathRole = Qt::UserRole, LineRole = Qt::UserRole + 1, ProblemRole = Qt::UserRole + 2;

// The load order: rows move by drag and drop inside it; a drop of
// .pwpatch files from outside adds them.
class TLoadOrder : public QTreeWidget {
public:
    explicit TLoadOrder(TModsForm& form) : QTreeWidget(&form), form_(form) {
        setDragDropMode(QAbstractItemView::InternalMove);
        setAcceptDrops(true);
        setRootIsDecorated(false);
        setSelectionMode(QAbstractItemView::SingleSelection);
    }

protected:
    static QStringList Patches(const QMimeData* data) {
        QStringList paths;
        for (const QUrl& url : data->urls())
            if (url.isLocalFile() && url.toLocalFile().endsWith(".pwpatch", Qt::CaseInsensitive))
                paths.append(url.toLocalFile());
        return paths;
    }
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (!Patches(event->mimeData()).isEmpty()) event->acceptProposedAction();
        else QTreeWidget::dragEnterEvent(event);
    }
    void dragMoveEvent(QDragMoveEvent* event) override {
        if (!Patches(event->mimeData()).isEmpty()) event->acceptProposedAction();
        else QTreeWidget::dragMoveEvent(event);
    }
    void dropEvent(QDropEvent* event) override {
        const QStringList paths = Patches(event->mimeData());
        if (paths.isEmpty()) {
            QTreeWidget::dropEvent(event);
            emit itemChanged(nullptr, 0); // the order changed
            return;
        }
        event->acceptProposedAction();
        form_.AddPatches(paths);
    }

private:
    TModsForm& form_;
};

QTreeWidget* Table(QWidget* parent, const QStringList& titles) {
    auto* t = new QTreeWidget(parent);
    t->setHeaderLabels(titles);
    t->setRootIsDecorated(false);
    t->header()->setStretchLastSection(true);
    return t;
}

QPushButton* Button(QWidget* parent, const QString& text, QLayout* into, const QString& tip) {
    auto* b = new QPushButton(text, parent);
    b->setToolTip(tip);
    into->addWidget(b);
    return b;
}

// A pane: its heading above its contents.
QWidget* Pane(QWidget* parent, QLabel*& heading, QWidget* contents, QWidget* below = nullptr) {
    auto* pane = new QWidget(parent);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    heading = new QLabel(pane);
    heading->setWordWrap(true);
    layout->addWidget(heading);
    contents->setParent(pane);
    layout->addWidget(contents, 1);
    if (below) layout->addWidget(below, 1);
    return pane;
}

FileDialogSetup PatchSetup() { return {"Add mods", "Patches (*.pwpatch)|*.pwpatch", "pwpatch", true}; }
FileDialogSetup ListSetup(const QString& title) { return {title, "Mod lists (*.pwmods)|*.pwmods", "pwmods", true}; }

} // namespace

TModsForm::TModsForm(Dialogs& dialogs, QWidget* parent) : QWidget(parent, Qt::Window), dialogs_(dialogs) {
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);

    auto* gameRow = new QHBoxLayout;
    gameRow->addWidget(new QLabel("Game folder:", this));
    GameFolder = new QLineEdit(this);
    GameFolder->setReadOnly(true);
    GameFolder->setToolTip("The game's folder, with its packs: the mods are deployed into it");
    gameRow->addWidget(GameFolder, 1);
    ChooseGame = Button(this, "Choose…", gameRow, "Choose the game's folder");
    layout->addLayout(gameRow);

    auto* split = new QSplitter(Qt::Vertical, this);
    Mods = new TLoadOrder(*this);
    Mods->setHeaderLabels({"Mod", "Version", "Author", "Packs", "Entries", "Clashes"});
    split->addWidget(Pane(split, LoadOrderHeading, Mods));
    clashes_ = new QSplitter(Qt::Horizontal, split);
    Conflicts = Table(clashes_, {"Pack", "Entry", "Name", "Changed by", "Wins"});
    clashes_->addWidget(Pane(clashes_, ConflictsHeading, Conflicts));
    GameVersion = new TPreviewPane(clashes_);
    clashes_->addWidget(Pane(clashes_, GameLabel, GameVersion));
    connect(GameVersion, &TPreviewPane::Shown, this, [this] { ShowTextDiffs(); });
    ShowVersions(2);
    clashes_->setStretchFactor(0, 2);
    split->addWidget(clashes_);
    auto* state = new QSplitter(Qt::Horizontal, split);
    Packs = Table(state, {"Pack", "State", "Entries"});
    state->addWidget(Pane(state, PacksHeading, Packs));
    History = Table(state, {"Deployment", "Time", "Mods", "Packs"});
    BackTo = new QPushButton("Back to this", this);
    BackTo->setToolTip("Deploy the selected deployment again, from the patches kept with it");
    state->addWidget(Pane(state, HistoryHeading, History, BackTo));
    state->setStretchFactor(1, 2);
    split->addWidget(state);
    layout->addWidget(split, 1);

    auto* listRow = new QHBoxLayout;
    AddMods = Button(this, "Add…", listRow, "Add patches (.pwpatch) at the end of the load order");
    RemoveMod = Button(this, "Remove", listRow, "Take the selected mod out of the load order");
    MoveUp = Button(this, "Up", listRow, "Load the selected mod earlier");
    MoveDown = Button(this, "Down", listRow, "Load the selected mod later");
    OpenList = Button(this, "Open list…", listRow, "Read a mod list (.pwmods) into the load order");
    SaveList = Button(this, "Save list…", listRow, "Write the load order as a mod list (.pwmods)");
    LaterWins = new QCheckBox("Later mods win", this);
    LaterWins->setToolTip("Where two mods change one entry, the later one in the list wins; off: such a clash "
                          "refuses the deploy");
    listRow->addWidget(LaterWins);
    listRow->addStretch(1);
    layout->addLayout(listRow);

    auto* searchRow = new QHBoxLayout;
    FindCulprit = Button(this, "Find the culprit…", searchRow,
                         "Find the mod that breaks the game: each step deploys half of the suspects, you play and "
                         "answer Good or Bad");
    SearchState = new QLabel(this);
    SearchState->setWordWrap(true);
    searchRow->addWidget(SearchState, 1);
    Good = Button(this, "Good", searchRow, "The game works with this step's mods");
    Bad = Button(this, "Bad", searchRow, "The game breaks with this step's mods");
    EndSearch = Button(this, "End search", searchRow, "End the search and deploy the mods from before it again");
    layout->addLayout(searchRow);

    auto* runRow = new QHBoxLayout;
    StatusLine = new QLabel(this);
    runRow->addWidget(StatusLine, 1);
    Progress = new QProgressBar(this);
    Progress->setVisible(false);
    runRow->addWidget(Progress);
    Refresh = Button(this, "Refresh", runRow, "Read the packs' states again (F5)");
    Deploy = Button(this, "Deploy", runRow, "Deploy the enabled mods into the game's folder, in this order");
    Restore = Button(this, "Restore game", runRow, "Take every mod out: the game's packs as shipped");
    Stop = Button(this, "Stop", runRow, "Stop the run: the game's folder stays as it was");
    Stop->setEnabled(false);
    layout->addLayout(runRow);

    watcher_ = new QFileSystemWatcher(this);
    auto* settle = new QTimer(this);
    settle->setSingleShot(true);
    settle->setInterval(300);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, settle, qOverload<>(&QTimer::start));
    connect(settle, &QTimer::timeout, this, [this] { RefreshQuietly(); });
    connect(ChooseGame, &QPushButton::clicked, this, [this] { Guarded([&] { ChooseGameClick(); }); });
    connect(AddMods, &QPushButton::clicked, this, [this] { Guarded([&] { AddModsClick(); }); });
    connect(RemoveMod, &QPushButton::clicked, this, [this] {
        delete Mods->currentItem();
        SetModified(true);
        RefreshConflicts();
    });
    connect(MoveUp, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(MoveDown, &QPushButton::clicked, this, [this] { MoveSelected(1); });
    connect(OpenList, &QPushButton::clicked, this, [this] { Guarded([&] { OpenListClick(); }); });
    connect(SaveList, &QPushButton::clicked, this, [this] { Guarded([&] { SaveListClick(); }); });
    connect(LaterWins, &QCheckBox::toggled, this, [this] {
        SetModified(true);
        RefreshConflicts();
    });
    connect(Mods, &QTreeWidget::itemChanged, this, [this] {
        SetModified(true);
        RefreshConflicts();
    });
    connect(Conflicts, &QTreeWidget::currentItemChanged, this, [this] { Guarded([&] { PreviewConflict(); }); });
    connect(Deploy, &QPushButton::clicked, this, [this] { Guarded([&] { DeployClick(); }); });
    connect(Restore, &QPushButton::clicked, this, [this] { Guarded([&] { RestoreClick(); }); });
    connect(Refresh, &QPushButton::clicked, this, [this] { Guarded([&] { RefreshState(); }); });
    connect(BackTo, &QPushButton::clicked, this, [this] { Guarded([&] { BackToClick(); }); });
    connect(FindCulprit, &QPushButton::clicked, this, [this] { Guarded([&] { FindCulpritClick(); }); });
    connect(Good, &QPushButton::clicked, this, [this] { Guarded([&] { Answer(true); }); });
    connect(Bad, &QPushButton::clicked, this, [this] { Guarded([&] { Answer(false); }); });
    connect(EndSearch, &QPushButton::clicked, this, [this] { Guarded([&] { EndSearchClick(); }); });
    connect(Stop, &QPushButton::clicked, this, [this] { run_.RequestStop(); });
    Refresh->setShortcut(QKeySequence(Qt::Key_F5));

    resize(1000, 700);
    UpdateCaption();
    UpdateHints();
    RefreshConflicts();
    const QString remembered = QSettings().value("mods/gameFolder").toString();
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir()) SetGameDir(remembered);
    else Guarded([&] { RefreshState(); });
}

TModsForm::~TModsForm() = default;

void TModsForm::closeEvent(QCloseEvent* event) {
    if (running_) {
        run_.RequestStop();
        return event->ignore();
    }
    if (modified_) {
        switch (dialogs_.AskSave(this, "The load order has changes that are not saved. Save the list?", "Mods")) {
        case Dialogs::SaveAnswer::Save: {
            // A list that cannot be written keeps the window open, its load
            // order with it.
            bool saved = false;
            Guarded([&] { saved = SaveListClick(); });
            if (!saved) return event->ignore();
            break;
        }
        case Dialogs::SaveAnswer::Discard: break;
        case Dialogs::SaveAnswer::Cancel: return event->ignore();
        }
    }
    QWidget::closeEvent(event);
}

void TModsForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) close();
    else QWidget::keyPressEvent(event);
}

void TModsForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Another program (the game's launcher, say) may have changed the packs.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) RefreshQuietly();
}

void TModsForm::RefreshQuietly() {
    if (running_ || refreshing_) return;
    try {
        RefreshState();
    } catch (const std::exception& e) {
        // Not worth a box each time the window gains focus: another mods
        // command at work, say.
        SetStatus(e.what());
    }
}

template <class Handler> void TModsForm::Guarded(Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        dialogs_.ShowError(this, QString::fromStdString(ErrorBoxText(e.what())), "Packwright");
    }
}

void TModsForm::SetGameDir(const QString& dir) {
    GameFolder->setText(dir);
    QSettings().setValue("mods/gameFolder", dir);
    if (!watcher_->directories().isEmpty()) watcher_->removePaths(watcher_->directories());
    watcher_->addPath(dir);
    Guarded([&] {
        RefreshState();
        if (!list_ && !modified_) ShowDeployed(deployed_);
    });
}

QString TModsForm::GameDir() const { return GameFolder->text(); }

void TModsForm::ChooseGameClick() {
    if (const auto dir = dialogs_.SelectDirectory(this, GameDir())) SetGameDir(*dir);
}

void TModsForm::ShowVersions(size_t count) {
    while (Versions.size() < count) {
        ModVersion v{};
        v.preview = new TPreviewPane(clashes_);
        v.diff = new TDiffView(clashes_);
        v.pane = Pane(clashes_, v.label, v.preview, v.diff);
        clashes_->addWidget(v.pane);
        connect(v.preview, &TPreviewPane::Shown, this, [this] { ShowTextDiffs(); });
        Versions.push_back(v);
    }
    for (size_t i = 0; i < Versions.size(); ++i) Versions[i].pane->setVisible(i < count);
    // The game's entry and each version shown share what the conflicts list
    // leaves, alike (a pane just made would get next to nothing).
    QList<int> sizes = clashes_->sizes();
    int room = 0;
    for (qsizetype i = 1; i < sizes.size(); ++i) room += sizes[i];
    if (count != shownVersions_ && room > 0) {
        for (qsizetype i = 1; i < sizes.size(); ++i) sizes[i] = i - 2 < qsizetype(count) ? room / int(count + 1) : 0;
        clashes_->setSizes(sizes);
    }
    shownVersions_ = count;
}

void TModsForm::SetModified(bool modified) {
    modified_ = modified;
    UpdateCaption();
    UpdateHints();
}

bool TModsForm::SameAsDeployed() const {
    std::vector<std::string> deployed;
    for (const mods::DeployedMod& m : deployed_.mods) deployed.push_back(m.path);
    return deployed == EnabledPaths() && (deployed.empty() || deployed_.preferLater == LaterWins->isChecked());
}

bool TModsForm::ShowingDeployedLosesNothing() const {
    if (!modified_) return true;
    for (int i = 0; i < Mods->topLevelItemCount(); ++i)
        if (Mods->topLevelItem(i)->checkState(0) != Qt::Checked) return false;
    return SameAsDeployed();
}

void TModsForm::UpdateCaption() {
    QString caption = "Mods";
    if (showsDeployed_) caption += " – deployed load order";
    else if (list_) caption += " – " + FromPath(ExtractFileName(list_->path));
    if (modified_) caption += " *";
    if (!showsDeployed_ && list_ && !GameDir().isEmpty())
        caption += SameAsDeployed() ? " (as deployed)" : " (differs from what is deployed)";
    setWindowTitle(caption);
}

void TModsForm::UpdateHints() {
    const int n = Mods->topLevelItemCount();
    LoadOrderHeading->setText(n == 0 ? "Load order: empty. Add mods with Add… or drop .pwpatch files here"
                                     : "Load order: later mods load last");
    ConflictsHeading->setText(Conflicts->topLevelItemCount() == 0
                                  ? "Conflicts: none. An entry two enabled mods change differently is listed here"
                                  : "Conflicts: entries two enabled mods change differently");
    PacksHeading->setText(Packs->topLevelItemCount() == 0 ? "Deployed packs: none, the game is as shipped"
                                                          : "Deployed packs");
    HistoryHeading->setText(History->topLevelItemCount() == 0 ? "History: no deployment yet"
                                                              : "History: every deployment, newest first");
}

QTreeWidgetItem* TModsForm::RowOf(const QString& path) const {
    for (int i = 0; i < Mods->topLevelItemCount(); ++i)
        if (Mods->topLevelItem(i)->data(0, PathRole).toString() == path) return Mods->topLevelItem(i);
    return nullptr;
}

std::string TModsForm::AddRow(const QString& path, bool enabled, int line) {
    QStringList cells;
    QString tip;
    std::string problem;
    try {
        // Read once for its manifest and entries, then let go of it: the
        // deployment opens it itself.
        const patch::PatchFile patch(ToPath(path));
        QStringList packs;
        size_t entries = 0;
        for (const patch::PatchPack& pp : patch.Packs()) {
            packs.append(QString::fromStdString(pp.name));
            entries += pp.entries.size();
        }
        const patch::Manifest& m = patch.Info();
        cells = {QString::fromStdString(m.title.empty() ? ExtractFileName(ToPath(path)) : m.title),
                 QString::fromStdString(m.version), QString::fromStdString(m.author), packs.join(", "),
                 QString::number(entries), "0"};
        tip = QString("%1\nVersion: %2\nAuthor: %3\nPacks: %4\n%5")
                  .arg(cells[0], cells[1].isEmpty() ? "-" : cells[1], cells[2].isEmpty() ? "-" : cells[2], cells[3], path);
    } catch (const Error& e) {
        problem = e.what();
        const bool missing = !NamePresent(ToPath(path));
        cells = {FromPath(ExtractFileName(ToPath(path))), "", "", missing ? "missing" : "damaged", "", ""};
        tip = QString::fromStdString(problem);
    }
    auto* row = new QTreeWidgetItem(cells);
    row->setData(0, PathRole, path);
    row->setData(0, LineRole, line);
    row->setData(0, ProblemRole, QString::fromStdString(problem));
    for (int c = 0; c < cells.size(); ++c) row->setToolTip(c, tip);
    if (!problem.empty()) row->setForeground(3, QBrush(Qt::red));
    row->setFlags((row->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsDragEnabled) & ~Qt::ItemIsDropEnabled);
    row->setCheckState(0, enabled ? Qt::Checked : Qt::Unchecked);
    Mods->addTopLevelItem(row);
    return problem;
}

void TModsForm::AddPatches(const QStringList& paths) {
    QStringList problems;
    {
        const QSignalBlocker block(Mods);
        for (const QString& p : paths) {
            const QString path = QFileInfo(p).absoluteFilePath();
            if (RowOf(path)) continue;
            const std::string problem = AddRow(path, true, -1);
            if (!problem.empty()) problems.append(QString::fromStdString(problem));
        }
    }
    SetModified(true);
    RefreshConflicts();
    if (!problems.isEmpty()) dialogs_.ShowError(this, problems.join("\n"), "Packwright");
}

void TModsForm::ShowDeployed(const mods::Deployment& deployed) {
    if (deployed.mods.empty()) return;
    {
        const QSignalBlocker block(Mods), later(LaterWins);
        Mods->clear();
        for (const mods::DeployedMod& m : deployed.mods) AddRow(FromPath(m.path), true, -1);
        LaterWins->setChecked(deployed.preferLater);
    }
    list_.reset();
    showsDeployed_ = true;
    SetModified(false);
    RefreshConflicts();
}

std::vector<std::string> TModsForm::EnabledPaths() const {
    std::vector<std::string> paths;
    for (int i = 0; i < Mods->topLevelItemCount(); ++i)
        if (Mods->topLevelItem(i)->checkState(0) == Qt::Checked)
            paths.push_back(ToPath(Mods->topLevelItem(i)->data(0, PathRole).toString()));
    return paths;
}

void TModsForm::MoveSelected(int by) {
    QTreeWidgetItem* row = Mods->currentItem();
    if (!row) return;
    const int at = Mods->indexOfTopLevelItem(row), to = at + by;
    if (to < 0 || to >= Mods->topLevelItemCount()) return;
    Mods->takeTopLevelItem(at);
    Mods->insertTopLevelItem(to, row);
    Mods->setCurrentItem(row);
    SetModified(true);
    RefreshConflicts();
}

void TModsForm::AddModsClick() {
    int position = 1;
    AddPatches(dialogs_.OpenFiles(this, PatchSetup(), position));
}

void TModsForm::LoadList(const QString& path) {
    mods::ModList list = mods::ReadModList(ToPath(QFileInfo(path).absoluteFilePath()));
    QStringList problems;
    {
        const QSignalBlocker block(Mods), later(LaterWins);
        Mods->clear();
        for (const mods::ListedMod& m : list.mods) {
            const std::string problem = AddRow(FromPath(m.path), m.enabled, m.line);
            if (!problem.empty())
                problems.append(QString("line %1: %2").arg(m.line + 1).arg(QString::fromStdString(problem)));
        }
        LaterWins->setChecked(list.preferLater);
    }
    list_ = std::move(list);
    showsDeployed_ = false;
    SetModified(false);
    RefreshConflicts();
    if (!problems.isEmpty()) {
        SetStatus(problems.size() == 1 ? "1 line of the list names a patch that cannot be read"
                                       : std::to_string(problems.size()) + " lines of the list name patches that "
                                                                           "cannot be read");
        dialogs_.ShowError(this, "These lines of the list name patches that cannot be read; they stay in the "
                                 "list:\n" + problems.join("\n"), "Packwright");
    }
}

void TModsForm::SaveListAs(const QString& path) {
    const std::string target = ToPath(path);
    std::vector<mods::ListedMod> rows;
    for (int i = 0; i < Mods->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = Mods->topLevelItem(i);
        rows.push_back({ToPath(row->data(0, PathRole).toString()), row->checkState(0) == Qt::Checked,
                        row->data(0, LineRole).toInt()});
    }
    // The lines as read are kept where the list stays in its folder.
    const bool sameFolder = list_ && ExtractFilePath(list_->path) == ExtractFilePath(target);
    list_ = mods::ParseModList(
        target, mods::WriteModList(target, rows, LaterWins->isChecked(), sameFolder ? &*list_ : nullptr));
    const QSignalBlocker block(Mods);
    for (int i = 0; i < Mods->topLevelItemCount(); ++i)
        Mods->topLevelItem(i)->setData(0, LineRole, size_t(i) < list_->mods.size() ? list_->mods[size_t(i)].line : -1);
    showsDeployed_ = false;
    SetModified(false);
}

void TModsForm::OpenListClick() {
    int position = 1;
    const QStringList chosen = dialogs_.OpenFiles(this, ListSetup("Open mod list"), position);
    if (!chosen.isEmpty()) LoadList(chosen.first());
}

bool TModsForm::SaveListClick() {
    const auto path = dialogs_.SaveFile(this, ListSetup("Save mod list"));
    if (path) SaveListAs(*path);
    return path.has_value();
}

} // namespace pw
