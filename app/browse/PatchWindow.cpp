#include "app/browse/PatchWindow.h"

#include <QDir>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "app/browse/EntryTable.h"
#include "app/browse/FilterBar.h"
#include "app/browse/PatchModel.h"
#include "packs/patch/PatchApply.h"
#include "app/browse/Paths.h"
#include "app/browse/PreviewPane.h"
#include "core/Error.h"
#include "core/FileIO.h"
#include "core/FileNames.h"
#include "packs/EntryFilter.h"
#include "packs/PackReader.h"

namespace pw {

namespace {

QString ManifestText(const patch::Manifest& m) {
    const std::pair<const char*, const std::string*> fields[] = {
        {"Title", &m.title},   {"Version", &m.version}, {"Author", &m.author}, {"Description", &m.description},
        {"Text", &m.text},     {"Writer", &m.writer},   {"Time", &m.time}};
    QStringList lines;
    for (const auto& [key, value] : fields)
        if (!value->empty()) lines << QStringLiteral("%1: %2").arg(QLatin1String(key), QString::fromStdString(*value));
    if (lines.isEmpty()) lines << QStringLiteral("The patch says nothing of itself.");
    return lines.join(u'\n');
}

// The patch read and checked, and closed again.
std::vector<patch::PatchPack> ReadTable(const std::string& path, patch::Manifest& info) {
    const patch::PatchFile file(path);
    info = file.Info();
    return file.Packs();
}

Preview Note(const QString& text) {
    Preview p;
    p.text = text;
    return p;
}

} // namespace

TPatchForm::TPatchForm(const std::string& patchPath, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), dialogs_(dialogs), path_(patchPath),
      model_(std::make_unique<TPatchModel>(ReadTable(patchPath, info_))) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("%1 - patch: %2 entries of %3 packs")
                       .arg(FromPath(ExtractFileName(patchPath)))
                       .arg(model_->SourceCount())
                       .arg(model_->Packs().size()));

    auto* outer = new QVBoxLayout(this);
    Manifest = new QLabel(ManifestText(info_), this);
    Manifest->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Manifest->setWordWrap(true);
    outer->addWidget(Manifest);
    auto* top = new QHBoxLayout;
    FilterBar = new TFilterBar(this);
    CompareButton = new QPushButton(QStringLiteral("Compare with game folder\u2026"), this);
    top->addWidget(FilterBar, 1);
    CompareButton->setToolTip(
        QStringLiteral("Choose the game's pack folder and compare each entry the patch changes with it"));
    top->addWidget(CompareButton);
    outer->addLayout(top);

    AddPreviewColumns(outer, model_.get(), QStringLiteral("Base (the game's pack)"),
                      {Splitter, Table, BaseLabel, BasePreview, NewLabel, NewPreview});

    FilterBar->Bind(model_.get());
    connect(CompareButton, &QPushButton::clicked, this, [this] { CompareClick(); });
    connect(Table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { PreviewRow(current.isValid() ? current.row() : -1); });
    connect(model_.get(), &QAbstractItemModel::modelReset, this, [this] { PreviewRow(-1); });
    resize(OpeningWidth(this, Splitter, Table, 1100), 600);
    layout()->activate();
    SetGameFolder("");
}

TPatchForm::~TPatchForm() = default;

// Esc closes the window, as secondary windows do.
void TPatchForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TPatchForm::CompareClick() {
    const std::optional<QString> folder =
        dialogs_.SelectDirectory(this, gameDir_.empty() ? QDir::currentPath() : FromPath(gameDir_));
    if (folder) SetGameFolder(ToPath(*folder));
}

void TPatchForm::SetGameFolder(const std::string& folder) {
    gameDir_ = folder;
    gamePacks_.clear();
    const bool base = !gameDir_.empty();
    BaseLabel->setVisible(base);
    BasePreview->setVisible(base);
    if (base) BaseLabel->setText(QStringLiteral("Base (in %1)").arg(FromPath(gameDir_)));
    const int room = base ? 2 : 1;
    if (room != room_) {
        room_ = room;
        ShareWidth(Splitter, Table, room);
    }
    const QModelIndex current = Table->selectionModel()->currentIndex();
    PreviewRow(current.isValid() ? current.row() : -1);
}

// The game's pack NAME, found in any letter case, read once per folder.
const TPatchForm::GamePack& TPatchForm::GamePackNamed(const std::string& name) {
    auto it = gamePacks_.find(name);
    if (it != gamePacks_.end()) return it->second;
    GamePack pack;
    pack.indexPath = patch::GamePackPath(gameDir_, name);
    pack.dataPath = DataPathFor(pack.indexPath);
    try {
        PackPair pair = OpenPackPair(pack.indexPath, Pipes::Refuse);
        pack.dataSize = pair.data.Size();
        pack.index = std::make_unique<PackIndex>(std::move(pair.index), pack.indexPath);
    } catch (const Error& e) {
        pack.error = e.what();
    }
    return gamePacks_.emplace(name, std::move(pack)).first->second;
}

void TPatchForm::RequestBase(const patch::PatchPack& pack, const patch::PatchEntry& entry) {
    const GamePack& game = GamePackNamed(pack.name);
    if (!game.index) {
        BasePreview->Show(Note(QString::fromStdString(game.error)));
        return;
    }
    if (entry.index >= game.index->Count() || game.index->Name(entry.index) != entry.name) {
        BasePreview->Show(Note(QStringLiteral("%1 has no entry %2 named %3")
                                   .arg(FromPath(game.indexPath))
                                   .arg(entry.index)
                                   .arg(QString::fromLatin1(entry.name))));
        return;
    }
    const FatEntry e = game.index->Entry(entry.index);
    PreviewRequest base;
    base.dataPath = game.dataPath;
    base.type = EntryType(entry.name);
    base.size = e.Size;
    base.offset = int64_t(e.StartBlock) * PackBlockSize;
    base.inside = e.Size == 0 || EntryInside(e.StartBlock, e.Size, game.dataSize);
    BasePreview->Request(base);
}

void TPatchForm::PreviewRow(int row) {
    if (row < 0 || row >= model_->rowCount()) {
        BasePreview->Clear();
        NewPreview->Clear();
        return;
    }
    const size_t source = model_->SourceRow(row);
    const patch::PatchPack& pack = model_->PackOf(source);
    const patch::PatchEntry& entry = model_->EntryOf(source);
    PreviewRequest fresh;
    fresh.type = EntryType(entry.name);
    fresh.size = entry.newSize;
    // Read off the window's thread from the patch opened again; an entry
    // that is no longer the one listed fails the engine's own checks.
    fresh.read = [path = path_, position = model_->Position(source), listed = entry] {
        const patch::PatchFile file(path);
        const std::vector<patch::PatchPack>& packs = file.Packs();
        if (position.first >= packs.size() || position.second >= packs[position.first].entries.size())
            throw Error("Damaged patch " + path);
        patch::PatchEntry e = packs[position.first].entries[position.second];
        if (e.index != listed.index || e.newSize != listed.newSize || e.newHash != listed.newHash)
            throw Error("Damaged patch " + path);
        QByteArray bytes;
        bytes.reserve(qsizetype(e.newSize));
        file.ReadData(e, [&bytes](const unsigned char* data, size_t size) {
            bytes.append(reinterpret_cast<const char*>(data), qsizetype(size));
        });
        return bytes;
    };
    NewPreview->Request(fresh);
    if (!gameDir_.empty()) RequestBase(pack, entry);
}

} // namespace pw
