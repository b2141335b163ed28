// The Mods window's layout and its load order: adding, removing, moving,
// and mod lists read and written.
#include "app/mods/ModsWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/browse/Paths.h"
#include "app/browse/PreviewPane.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/mods/ModList.h"
#include "packs/patch/PatchFile.h"

namespace pw {

namespace {

constexpr int PathRole = Qt::UserRole;

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
            form_.RefreshConflicts();
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

QPushButton* Button(QWidget* parent, const QString& text, QLayout* into) {
    auto* b = new QPushButton(text, parent);
    into->addWidget(b);
    return b;
}

FileDialogSetup PatchSetup() { return {"Add mods", "Patches (*.pwpatch)|*.pwpatch", "pwpatch", true}; }
FileDialogSetup ListSetup(const QString& title) { return {title, "Mod lists (*.pwmods)|*.pwmods", "pwmods", true}; }

} // namespace

TModsForm::TModsForm(Dialogs& dialogs, QWidget* parent) : QWidget(parent, Qt::Window), dialogs_(dialogs) {
    setWindowTitle("Mods");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);

    auto* gameRow = new QHBoxLayout;
    gameRow->addWidget(new QLabel("Game folder:", this));
    GameFolder = new QLineEdit(this);
    GameFolder->setReadOnly(true);
    gameRow->addWidget(GameFolder, 1);
    ChooseGame = Button(this, "Choose…", gameRow);
    layout->addLayout(gameRow);

    auto* split = new QSplitter(Qt::Vertical, this);
    Mods = new TLoadOrder(*this);
    Mods->setHeaderLabels({"Mod", "Version", "Author", "Packs", "Entries", "Clashes"});
    split->addWidget(Mods);
    auto* clashes = new QSplitter(Qt::Horizontal, split);
    Conflicts = Table(clashes, {"Pack", "Entry", "Name", "Changed by", "Wins"});
    clashes->addWidget(Conflicts);
    FirstVersion = new TPreviewPane(clashes);
    LastVersion = new TPreviewPane(clashes);
    clashes->addWidget(FirstVersion);
    clashes->addWidget(LastVersion);
    clashes->setStretchFactor(0, 2);
    split->addWidget(clashes);
    Packs = Table(split, {"Pack", "State", "Entries"});
    split->addWidget(Packs);
    layout->addWidget(split, 1);

    auto* listRow = new QHBoxLayout;
    AddMods = Button(this, "Add…", listRow);
    RemoveMod = Button(this, "Remove", listRow);
    MoveUp = Button(this, "Up", listRow);
    MoveDown = Button(this, "Down", listRow);
    OpenList = Button(this, "Open list…", listRow);
    SaveList = Button(this, "Save list…", listRow);
    LaterWins = new QCheckBox("Later mods win", this);
    listRow->addWidget(LaterWins);
    listRow->addStretch(1);
    layout->addLayout(listRow);

    auto* runRow = new QHBoxLayout;
    StatusLine = new QLabel(this);
    runRow->addWidget(StatusLine, 1);
    Progress = new QProgressBar(this);
    runRow->addWidget(Progress);
    Deploy = Button(this, "Deploy", runRow);
    Restore = Button(this, "Restore game", runRow);
    Stop = Button(this, "Stop", runRow);
    Stop->setEnabled(false);
    layout->addLayout(runRow);

    connect(ChooseGame, &QPushButton::clicked, this, [this] { Guarded([&] { ChooseGameClick(); }); });
    connect(AddMods, &QPushButton::clicked, this, [this] { Guarded([&] { AddModsClick(); }); });
    connect(RemoveMod, &QPushButton::clicked, this, [this] {
        delete Mods->currentItem();
        RefreshConflicts();
    });
    connect(MoveUp, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(MoveDown, &QPushButton::clicked, this, [this] { MoveSelected(1); });
    connect(OpenList, &QPushButton::clicked, this, [this] { Guarded([&] { OpenListClick(); }); });
    connect(SaveList, &QPushButton::clicked, this, [this] { Guarded([&] { SaveListClick(); }); });
    connect(LaterWins, &QCheckBox::toggled, this, [this] { RefreshConflicts(); });
    connect(Mods, &QTreeWidget::itemChanged, this, [this] { RefreshConflicts(); });
    connect(Conflicts, &QTreeWidget::currentItemChanged, this, [this] { Guarded([&] { PreviewConflict(); }); });
    connect(Deploy, &QPushButton::clicked, this, [this] { Guarded([&] { DeployClick(); }); });
    connect(Restore, &QPushButton::clicked, this, [this] { Guarded([&] { RestoreClick(); }); });
    connect(Stop, &QPushButton::clicked, this, [this] { run_.RequestStop(); });
    Deploy->setShortcut(QKeySequence(Qt::Key_F5));

    resize(760, 560);
    const QString remembered = QSettings().value("mods/gameFolder").toString();
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir()) SetGameDir(remembered);
}

TModsForm::~TModsForm() = default;

void TModsForm::closeEvent(QCloseEvent* event) {
    if (!running_) return QWidget::closeEvent(event);
    run_.RequestStop();
    event->ignore();
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
    Guarded([&] { RefreshState(); });
}

QString TModsForm::GameDir() const { return GameFolder->text(); }

void TModsForm::ChooseGameClick() {
    if (const auto dir = dialogs_.SelectDirectory(this, GameDir())) SetGameDir(*dir);
}

QTreeWidgetItem* TModsForm::RowOf(const QString& path) const {
    for (int i = 0; i < Mods->topLevelItemCount(); ++i)
        if (Mods->topLevelItem(i)->data(0, PathRole).toString() == path) return Mods->topLevelItem(i);
    return nullptr;
}

void TModsForm::AddPatches(const QStringList& paths) {
    Guarded([&] {
        for (const QString& p : paths) {
            const QString path = QFileInfo(p).absoluteFilePath();
            if (RowOf(path)) continue;
            // Read once for its manifest and entries, then let go of it:
            // the deployment opens it itself.
            const patch::PatchFile patch(ToPath(path));
            QStringList packs;
            size_t entries = 0;
            for (const patch::PatchPack& pp : patch.Packs()) {
                packs.append(QString::fromStdString(pp.name));
                entries += pp.entries.size();
            }
            const patch::Manifest& m = patch.Info();
            auto* row = new QTreeWidgetItem(QStringList{QString::fromStdString(m.title.empty() ? ExtractFileName(ToPath(path)) : m.title),
                 QString::fromStdString(m.version), QString::fromStdString(m.author), packs.join(", "),
                 QString::number(entries), "0"});
            row->setData(0, PathRole, path);
            row->setToolTip(0, path);
            row->setFlags((row->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsDragEnabled) & ~Qt::ItemIsDropEnabled);
            row->setCheckState(0, Qt::Checked);
            Mods->addTopLevelItem(row);
        }
    });
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
    RefreshConflicts();
}

void TModsForm::AddModsClick() {
    int position = 1;
    AddPatches(dialogs_.OpenFiles(this, PatchSetup(), position));
}

void TModsForm::LoadList(const QString& path) {
    const std::vector<mods::ListedMod> listed = mods::ReadModList(ToPath(QFileInfo(path).absoluteFilePath()));
    Mods->clear();
    QStringList paths;
    for (const mods::ListedMod& m : listed) paths.append(FromPath(m.path));
    AddPatches(paths);
    for (size_t i = 0; i < listed.size(); ++i)
        if (QTreeWidgetItem* row = RowOf(QFileInfo(FromPath(listed[i].path)).absoluteFilePath()))
            row->setCheckState(0, listed[i].enabled ? Qt::Checked : Qt::Unchecked);
    RefreshConflicts();
}

void TModsForm::SaveListAs(const QString& path) const {
    std::vector<mods::ListedMod> listed;
    for (int i = 0; i < Mods->topLevelItemCount(); ++i)
        listed.push_back({ToPath(Mods->topLevelItem(i)->data(0, PathRole).toString()),
                          Mods->topLevelItem(i)->checkState(0) == Qt::Checked});
    mods::WriteModList(ToPath(path), listed);
}

void TModsForm::OpenListClick() {
    int position = 1;
    const QStringList chosen = dialogs_.OpenFiles(this, ListSetup("Open mod list"), position);
    if (!chosen.isEmpty()) LoadList(chosen.first());
}

void TModsForm::SaveListClick() {
    if (const auto path = dialogs_.SaveFile(this, ListSetup("Save mod list"))) SaveListAs(*path);
}

} // namespace pw
