#pragma once
// The entries of a patch as a table: one row per changed entry of every
// pack it names, with the pack, the index, the name, the size the entry
// must have in the game's pack (base) and the size of its new data. Rows
// are located in the patch's table as the engine read it (a copy: the
// patch file itself is not held open).
#include <string>
#include <utility>
#include <vector>

#include "app/browse/EntryModel.h"
#include "packs/patch/PatchFile.h"

namespace pw {

class TPatchModel : public TEntryModel {
    Q_OBJECT
public:
    enum Column { ColPack, ColIndex, ColName, ColType, ColBaseSize, ColNewSize, ColumnCount };

    explicit TPatchModel(std::vector<patch::PatchPack> packs, QObject* parent = nullptr);

    const std::vector<patch::PatchPack>& Packs() const { return packs_; }
    // Where a row is in the patch's table: its pack, and the entry in it.
    std::pair<size_t, size_t> Position(size_t source) const { return rows_[source]; }
    const patch::PatchPack& PackOf(size_t source) const { return packs_[rows_[source].first]; }
    const patch::PatchEntry& EntryOf(size_t source) const { return PackOf(source).entries[rows_[source].second]; }

protected:
    size_t Count() const override { return rows_.size(); }
    int Columns() const override { return ColumnCount; }
    QString ColumnTitle(int column) const override;
    QVariant Cell(size_t source, int column, int role) const override;
    bool Less(int column, size_t a, size_t b) const override;
    std::string FilterName(size_t source) const override { return EntryOf(source).name; }
    std::string TypeOf(size_t source) const override;

private:
    std::vector<patch::PatchPack> packs_;
    std::vector<std::pair<size_t, size_t>> rows_; // pack, entry
};

} // namespace pw
