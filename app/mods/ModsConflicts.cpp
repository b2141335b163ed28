// The Mods window's conflicts pane: the entries two enabled mods change
// differently, each shown as the game's own entry beside every mod's
// version, in load order, each labelled, the winner marked.
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

// Per conflict, the mods that change its entry, in load order.
constexpr int ModPaths = Qt::UserRole, ModSizes = Qt::UserRole + 1, ModTitles = Qt::UserRole + 2;

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
        const QTreeWidgetItem* last = Mods->topLevelItem(list.back().row);
        auto* item = new QTreeWidgetItem(
            QStringList{name.section('\t', 0, 0), QString::number(key.second), name.section('\t', 1), by.join(", "),
                        LaterWins->isChecked() ? last->text(0) : QString("none: the deploy is refused")});
        QVariantList paths, sizes;
        for (const Change& c : list) {
            paths.append(Mods->topLevelItem(c.row)->data(0, Qt::UserRole));
            sizes.append(qlonglong(c.size));
        }
        item->setData(0, ModPaths, paths);
        item->setData(0, ModSizes, sizes);
        item->setData(0, ModTitles, by);
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
    const auto readText = [](const TPreviewPane* pane) {
        return !pane->Busy() && pane->Current().kind == PreviewKind::Text;
    };
    bool texts = Conflicts->currentItem() && readText(GameVersion);
    for (size_t i = 0; i < shownVersions_; ++i) texts = texts && readText(Versions[i].preview);
    for (size_t i = 0; i < shownVersions_; ++i) {
        const ModVersion& v = Versions[i];
        v.preview->setVisible(!texts);
        v.diff->setVisible(texts);
        if (texts) v.diff->Compare(GameVersion->Current().text, v.preview->Current().text, "Against the game's own entry");
    }
}

void TModsForm::PreviewConflict() {
    QTreeWidgetItem* item = Conflicts->currentItem();
    GameLabel->setText("The game's own entry");
    if (!item) {
        GameVersion->Clear();
        ShowVersions(2);
        Versions[0].label->setText("The first mod's version");
        Versions[1].label->setText("The next mod's version");
        for (const ModVersion& v : Versions) v.preview->Clear();
        ShowTextDiffs();
        return;
    }
    const std::string pack = ToPath(item->text(0)), name = ToPath(item->text(2));
    const uint32_t index = item->text(1).toUInt();
    const bool later = LaterWins->isChecked();
    // The game's own pack: the kept copy when a deployment changed it.
    std::string source = patch::GamePackPath(ToPath(GameDir()), pack);
    for (const mods::DeployedPack& p : deployed_.packs)
        if (SameTextAscii(p.index, pack)) source = mods::GameFolder(ToPath(GameDir())).Vanilla(p.index);
    // Its size from its index, read here (it is small); its bytes off the
    // window's thread.
    try {
        if (GameDir().isEmpty()) throw Error("Choose the game's folder to see its own entry");
        const PackReader reader(source, Pipes::Refuse);
        if (index >= reader.Index().Count()) throw Error("Damaged pack index " + source);
        PreviewRequest game;
        game.type = EntryType(name);
        game.size = reader.Index().Size(index);
        game.read = [source, index] { return PackEntry(source, index); };
        GameVersion->Request(game);
    } catch (const Error& e) {
        Preview reason;
        reason.text = Text(e.what());
        GameVersion->Show(reason);
    }
    const QVariantList paths = item->data(0, ModPaths).toList(), sizes = item->data(0, ModSizes).toList();
    const QStringList titles = item->data(0, ModTitles).toStringList();
    ShowVersions(size_t(paths.size()));
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const ModVersion& v = Versions[size_t(i)];
        QString label = titles.value(i);
        if (i + 1 == paths.size()) label += later ? " (wins)" : " (clashes: the deploy is refused)";
        v.label->setText(label);
        PreviewRequest request;
        request.type = EntryType(name);
        const std::string path = ToPath(paths[i].toString());
        // Read off the window's thread from the patch opened again.
        request.read = [path, pack, index] { return PatchedEntry(path, pack, index); };
        request.size = sizes[i].toLongLong();
        v.preview->Request(request);
    }
}

} // namespace pw
