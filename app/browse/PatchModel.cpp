#include "app/browse/PatchModel.h"

#include "app/browse/Paths.h"
#include "core/FileNames.h"
#include "packs/EntryFilter.h"

namespace pw {

TPatchModel::TPatchModel(std::vector<patch::PatchPack> packs, QObject* parent)
    : TPackEntriesModel(std::move(packs), {"Pack", "Index", "Name", "Type", "Base size", "New size"}, parent) {
    Rebuild();
}

QVariant TPatchModel::Cell(size_t source, int column, int role) const {
    if (role == Qt::TextAlignmentRole && (column == ColBaseSize || column == ColNewSize))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    const patch::PatchEntry& e = EntryOf(source);
    switch (column) {
    case ColPack: return FromPath(PackOf(source).name);
    case ColIndex: return QString::fromStdString(Hex8(e.index));
    case ColName: return QString::fromLatin1(e.name);
    case ColType: return QString::fromLatin1(TypeOf(source));
    case ColBaseSize: return qint64(e.baseSize);
    case ColNewSize: return qint64(e.newSize);
    default: return {};
    }
}

bool TPatchModel::Less(int column, size_t a, size_t b) const {
    const patch::PatchEntry& x = EntryOf(a);
    const patch::PatchEntry& y = EntryOf(b);
    switch (column) {
    case ColName:
        if (x.name != y.name) return LowerCaseAscii(x.name) < LowerCaseAscii(y.name);
        break;
    case ColType:
        if (TypeId(a) != TypeId(b)) return TypeId(a) < TypeId(b);
        break;
    case ColBaseSize:
        if (x.baseSize != y.baseSize) return x.baseSize < y.baseSize;
        break;
    case ColNewSize:
        if (x.newSize != y.newSize) return x.newSize < y.newSize;
        break;
    default: break;
    }
    return a < b; // pack and index: the patch's order
}

} // namespace pw
