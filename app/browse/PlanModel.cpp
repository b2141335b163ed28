#include "app/browse/PlanModel.h"

#include <QBrush>
#include <QColor>

#include "app/browse/Paths.h"
#include "core/FileNames.h"
#include "packs/EntryFilter.h"

namespace pw {

TPlanModel::TPlanModel(std::vector<PackPlan> plan, std::string targetDir, QObject* parent)
    : TPackEntriesModel(std::move(plan), {"Pack", "Index", "Name", "State", "Old size", "New size", "File"}, parent),
      paths_(std::move(targetDir)) {
    Rebuild();
}

std::string TPlanModel::FilePath(size_t source) const {
    return paths_(EntryOf(source).file);
}

void TPlanModel::SetChangedOnly(bool changedOnly) {
    changedOnly_ = changedOnly;
    Refresh();
}

bool TPlanModel::Keep(size_t source) const {
    const EntryState state = EntryOf(source).state;
    return !changedOnly_ || state == EntryState::Changed || state == EntryState::Refused;
}

QVariant TPlanModel::Cell(size_t source, int column, int role) const {
    const EntryPlan& e = EntryOf(source);
    if (role == Qt::ForegroundRole) {
        if (e.state == EntryState::Changed) return QBrush(QColor(0, 100, 190));
        if (e.state == EntryState::Refused) return QBrush(QColor(190, 0, 0));
        return {};
    }
    if (role == Qt::ToolTipRole) {
        // The file whole, as the column may show it elided.
        QString tip = column == ColFile ? FromPath(e.file) : QString();
        if (!e.message.empty()) tip += (tip.isEmpty() ? QString() : QStringLiteral("\n")) + FromPath(e.message);
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    if (role == Qt::TextAlignmentRole && (column == ColOldSize || column == ColNewSize))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    switch (column) {
    case ColPack: return FromPath(ExtractFileName(PackOf(source).sourceIndex));
    case ColIndex: return QString::fromStdString(Hex8(uint32_t(e.index)));
    case ColName: return QString::fromLatin1(e.name);
    case ColState: return QString::fromLatin1(StateName(e.state));
    case ColOldSize: return qint64(e.oldSize);
    case ColNewSize: return e.state == EntryState::Refused ? QVariant() : QVariant(qint64(e.newSize));
    case ColFile: return FromPath(e.file);
    default: return {};
    }
}

bool TPlanModel::Less(int column, size_t a, size_t b) const {
    const EntryPlan& x = EntryOf(a);
    const EntryPlan& y = EntryOf(b);
    switch (column) {
    case ColName:
        if (x.name != y.name) return LowerCaseAscii(x.name) < LowerCaseAscii(y.name);
        break;
    case ColState:
        if (x.state != y.state) return int(x.state) < int(y.state);
        break;
    case ColOldSize:
        if (x.oldSize != y.oldSize) return x.oldSize < y.oldSize;
        break;
    case ColNewSize:
        if (x.newSize != y.newSize) return x.newSize < y.newSize;
        break;
    case ColFile:
        if (x.file != y.file) return x.file < y.file;
        break;
    default: break;
    }
    return a < b; // pack and index: the plan's order
}

} // namespace pw
