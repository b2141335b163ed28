// The Mods window's conflicts pane: the entries two enabled mods change
// differently, each shown three ways: the game's own entry, the first
// mod's version and the last one's, each labelled, the winner marked.
#include <QCheckBox>
#include <QLabel>
#include <QTreeWidget>
#include <map>

#include "app/browse/DiffView.h"
#include "app/browse/Paths.h"
#include "app/browse/PreviewPane.h"
#include "app/mods/ModsWindow.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/EntryFilter.h"
#include "packs/PackReader.h"
#include "packs/patch/PatchApply.h"
#include "packs/patch/PatchFile.h"

namespace pw {

namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }

constexpr int FirstPath = Qt::UserRole, LastPath = Qt::UserRole + 1, FirstSize = Qt::UserRole + 2,
              LastSize = Qt::UserRole + 3, FirstTitle = Qt::UserRole + 4, LastTitle = Qt::UserRole + 5;

// Entry `index` of the patch `path`'s pack `pack`, inflated.
QByteArray PatchedEntry(const std::string& path, const std::string& pack, uint32_t index) {
    const patch::PatchFile file(path);
    for (const patch::PatchPack& pp : file.Packs())
        for (const patch::PatchEntry& e : pp.entries)
            if (SameTextAscii(pp.name, pack) && e.index == index) {
                QByteArray bytes;
                file.ReadData(e, [&bytes](const unsigned char* data, size_t size) {
                    bytes.append(reinterpret_cast<const char*>(data), qsizetype(size));
                });
                return bytes;
            }
    throw Error("Damaged patch " + path);
}

// Entry `index` of the pack `indexPath`.
QByteArray PackEntry(const std::string& indexPath, uint32_t index) {
    const PackReader pack(indexPath, Pipes::Refuse);
    if (index >= pack.Index().Count()) throw Error("Damaged pack index " + indexPath);
    QByteArray bytes(qsizetype(pack.Index().Size(index)), '\0');
    if (!bytes.isEmpty()) ReadAt(pack.Data().Fd(), bytes.data(), size_t(bytes.size()), pack.Offset(index));
    return bytes;
}

} // namespace

void TModsForm::RefreshConflicts() {
    if (!Conflicts) return;
    Conflicts->clear();
    // Per pack and entry, each enabled mod's new data (length and hash).
    struct Change {
        int row;
        int64_t size;
        uint64_t hash;
    };
    std::map<std::pair<std::string, uint32_t>, std::vector<Change>> changes;
    std::map<std::pair<std::string, uint32_t>, std::string> names;
    const QSignalBlocker block(Mods);
    for (int i = 0; i < Mods->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = Mods->topLevelItem(i);
        row->setText(5, row->text(4).isEmpty() ? "" : "0");
        if (row->checkState(0) != Qt::Checked || row->text(4).isEmpty()) continue;
        try {
            const patch::PatchFile patch(ToPath(row->data(0, Qt::UserRole).toString()));
            for (const patch::PatchPack& pp : patch.Packs())
                for (const patch::PatchEntry& e : pp.entries) {
                    const auto key = std::make_pair(UpperCaseAscii(pp.name), e.index);
                    changes[key].push_back({i, e.newSize, e.newHash});
                    names[key] = pp.name + "\t" + e.name;
                }
        } catch (const Error&) {
            row->setText(5, "?"); // unreadable now: the deploy will say why
        }
    }
    std::vector<int> clashes(size_t(Mods->topLevelItemCount()), 0);
    for (const auto& [key, list] : changes) {
        bool differ = false;
        for (const Change& c : list) differ = differ || c.size != list.front().size || c.hash != list.front().hash;
        if (!differ) continue;
        QStringList by;
        for (const Change& c : list) {
            by.append(Mods->topLevelItem(c.row)->text(0));
            ++clashes[size_t(c.row)];
        }
        const QString name = Text(names[key]);
        const QTreeWidgetItem *first = Mods->topLevelItem(list.front().row), *last = Mods->topLevelItem(list.back().row);
        auto* item = new QTreeWidgetItem(
            QStringList{name.section('\t', 0, 0), QString::number(key.second), name.section('\t', 1), by.join(", "),
                        LaterWins->isChecked() ? last->text(0) : QString("none: the deploy is refused")});
        item->setData(0, FirstPath, first->data(0, Qt::UserRole));
        item->setData(0, LastPath, last->data(0, Qt::UserRole));
        item->setData(0, FirstSize, qlonglong(list.front().size));
        item->setData(0, LastSize, qlonglong(list.back().size));
        item->setData(0, FirstTitle, first->text(0));
        item->setData(0, LastTitle, last->text(0));
        for (int c = 0; c < 5; ++c) item->setToolTip(c, item->text(c));
        Conflicts->addTopLevelItem(item);
    }
    for (int i = 0; i < Mods->topLevelItemCount(); ++i)
        if (!Mods->topLevelItem(i)->text(5).isEmpty())
            Mods->topLevelItem(i)->setText(5, QString::number(clashes[size_t(i)]));
    for (int c = 0; c < 4; ++c) Conflicts->resizeColumnToContents(c);
    for (int c = 0; c < 5; ++c) Mods->resizeColumnToContents(c);
    UpdateHints();
    PreviewConflict();
}

void TModsForm::ShowTextDiffs() {
    const bool texts = Conflicts->currentItem() && !GameVersion->Busy() && !FirstVersion->Busy() &&
                       !LastVersion->Busy() && GameVersion->Current().kind == PreviewKind::Text &&
                       FirstVersion->Current().kind == PreviewKind::Text &&
                       LastVersion->Current().kind == PreviewKind::Text;
    for (auto [pane, diff] : {std::pair{FirstVersion, FirstDiff}, std::pair{LastVersion, LastDiff}}) {
        pane->setVisible(!texts);
        diff->setVisible(texts);
        if (texts) diff->Compare(GameVersion->Current().text, pane->Current().text, "Against the game's own entry");
    }
}

void TModsForm::PreviewConflict() {
    QTreeWidgetItem* item = Conflicts->currentItem();
    if (!item) {
        for (TPreviewPane* pane : {GameVersion, FirstVersion, LastVersion}) pane->Clear();
        GameLabel->setText("The game's own entry");
        FirstLabel->setText("The first mod's version");
        LastLabel->setText("The last mod's version");
        ShowTextDiffs();
        return;
    }
    const std::string pack = ToPath(item->text(0)), name = ToPath(item->text(2));
    const uint32_t index = item->text(1).toUInt();
    const bool later = LaterWins->isChecked();
    GameLabel->setText("The game's own entry");
    FirstLabel->setText(item->data(0, FirstTitle).toString());
    LastLabel->setText(item->data(0, LastTitle).toString() + (later ? " (wins)" : " (clashes: the deploy is refused)"));
    // The game's own pack: the kept copy when a deployment changed it.
    std::string source = patch::GamePackPath(ToPath(GameDir()), pack);
    for (const mods::DeployedPack& p : deployed_.packs)
        if (SameTextAscii(p.index, pack)) source = mods::GameFolder(ToPath(GameDir())).Vanilla(p.index);
    PreviewRequest game;
    game.type = EntryType(name);
    game.read = [source, index] { return PackEntry(source, index); };
    GameVersion->Request(game);
    for (auto [pane, column] : {std::pair{FirstVersion, 0}, std::pair{LastVersion, 1}}) {
        PreviewRequest request;
        request.type = EntryType(name);
        const std::string path = ToPath(item->data(0, column == 0 ? FirstPath : LastPath).toString());
        // Read off the window's thread from the patch opened again.
        request.read = [path, pack, index] { return PatchedEntry(path, pack, index); };
        request.size = item->data(0, column == 0 ? FirstSize : LastSize).toLongLong();
        pane->Request(request);
    }
}

} // namespace pw
