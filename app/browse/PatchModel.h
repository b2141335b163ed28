#pragma once
// The entries of a patch as a table: one row per changed entry of every
// pack it names, with the pack, the index, the name, the size the entry
// must have in the game's pack (base) and the size of its new data. Rows
// are located in the patch's table as the engine read it (a copy: the
// patch file itself is not held open).
#include <vector>

#include "app/browse/EntryModel.h"
#include "packs/patch/PatchFile.h"

namespace pw {

class TPatchModel : public TPackEntriesModel<patch::PatchPack> {
    Q_OBJECT
public:
    enum Column { ColPack, ColIndex, ColName, ColType, ColBaseSize, ColNewSize };

    explicit TPatchModel(std::vector<patch::PatchPack> packs, QObject* parent = nullptr);

protected:
    QVariant Cell(size_t source, int column, int role) const override;
    bool Less(int column, size_t a, size_t b) const override;
};

} // namespace pw
