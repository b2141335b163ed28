// The pack table: cells read from the index record of each row.
#include "app/browse/PackModel.h"

#include <QBrush>
#include <QColor>

#include "core/Error.h"
#include "core/FileIO.h"
#include "core/FileNames.h"
#include "packs/EntryFilter.h"
#include "packs/Formathandlers.h"
#include "packs/PackReader.h"

namespace pw {

namespace {

int CompareFolded(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = uint8_t(a[i]), y = uint8_t(b[i]);
        if (x >= 'A' && x <= 'Z') x = uint8_t(x + 32);
        if (y >= 'A' && y <= 'Z') y = uint8_t(y + 32);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

} // namespace

std::unique_ptr<TPackModel> TPackModel::Open(const std::string& indexPath, QObject* parent) {
    // The index and the data file's length of one commit.
    PackPair pair = OpenPackPair(indexPath, Pipes::Refuse);
    PackIndex index(std::move(pair.index), indexPath);
    const std::string dataPath = DataPathFor(indexPath);
    const int64_t dataSize = pair.data.Size();
    return std::make_unique<TPackModel>(std::move(index), indexPath, dataPath, dataSize, parent);
}

TPackModel::TPackModel(PackIndex index, std::string indexPath, std::string dataPath, int64_t dataSize,
                       QObject* parent)
    : TEntryModel({"Index", "Name", "Type", "Start block", "Size", "Replaced by", "Output path"}, parent), index_(std::move(index)), indexPath_(std::move(indexPath)),
      dataPath_(std::move(dataPath)), packName_(PackName(indexPath_)), dataSize_(dataSize) {
    for (size_t k = 0; k < index_.Count(); ++k) {
        const int32_t size = index_.Size(k);
        if (size > 0) totalBytes_ += size;
    }
    Rebuild();
}

bool TPackModel::Inside(size_t k) const {
    const int32_t size = index_.Size(k);
    return size == 0 || EntryInside(index_.StartBlock(k), size, dataSize_);
}

std::string TPackModel::TypeName(size_t k) const { return EntryType(index_.Name(k)); }

std::string TPackModel::RelativePath(size_t k) const {
    return RelativeEntryName(packName_, std::string(index_.Name(k)), uint32_t(k));
}

QVariant TPackModel::Cell(size_t k, int column, int role) const {
    const bool damaged = !Inside(k);
    const replace::Replacement* replaced = ReplacementOf(k);
    if (role == DamagedRole) return damaged;
    if (role == Qt::ForegroundRole) return damaged ? QVariant(QBrush(QColor(190, 0, 0))) : QVariant();
    // A replaced row: tinted, its index marked.
    if (role == Qt::BackgroundRole) return replaced ? QVariant(QBrush(QColor(214, 238, 214))) : QVariant();
    if (role == Qt::ToolTipRole) {
        // The paths whole, as the columns may show them elided.
        QString tip = column == ColPath ? QString::fromLatin1(RelativePath(k))
                      : column == ColReplaced && replaced ? QString::fromStdString(replaced->file)
                                                          : QString();
        if (damaged) tip += (tip.isEmpty() ? QString() : QStringLiteral("\n")) +
                            QStringLiteral("The data lie outside the data file");
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    if (role == Qt::TextAlignmentRole && (column == ColStart || column == ColSize))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    switch (column) {
    case ColIndex:
        return QString::fromStdString(Hex8(uint32_t(k))) + (damaged ? QStringLiteral(" !") : QString()) +
               (replaced ? QStringLiteral(" *") : QString());
    case ColName: {
        const std::string_view name = index_.Name(k);
        return QString::fromLatin1(name.data(), qsizetype(name.size()));
    }
    case ColType: return QString::fromLatin1(TypeName(k));
    case ColStart: return index_.StartBlock(k);
    case ColSize: return index_.Size(k);
    case ColPath: return QString::fromLatin1(RelativePath(k));
    case ColReplaced:
        if (!replaced) return QString();
        return QStringLiteral("%1 bytes from %2")
            .arg(replaced->stamp.size)
            .arg(QString::fromStdString(ExtractFileName(replaced->file)));
    default: return {};
    }
}

void TPackModel::SetReplacement(replace::Replacement r) {
    const size_t k = r.index;
    replaced_[k] = std::move(r);
    RowChanged(k);
}

bool TPackModel::Unreplace(size_t k) {
    if (replaced_.erase(k) == 0) return false;
    RowChanged(k);
    return true;
}

void TPackModel::UnreplaceAll() {
    std::map<size_t, replace::Replacement> was;
    was.swap(replaced_);
    for (const auto& [k, r] : was) RowChanged(k);
}

const replace::Replacement* TPackModel::ReplacementOf(size_t k) const {
    const auto it = replaced_.find(k);
    return it == replaced_.end() ? nullptr : &it->second;
}

std::vector<replace::Replacement> TPackModel::Replacements() const {
    std::vector<replace::Replacement> out;
    for (const auto& [k, r] : replaced_) out.push_back(r);
    return out;
}

int64_t TPackModel::ReplacedBytes() const {
    int64_t bytes = 0;
    for (const auto& [k, r] : replaced_) bytes += r.stamp.size;
    return bytes;
}

void TPackModel::RowChanged(size_t k) {
    ForgetSort(ColReplaced);
    const int row = RowOfSource(k);
    if (row >= 0) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void TPackModel::PrepareSort(int column) {
    if (column != ColPath || !pathKeys_.empty()) return;
    pathKeys_.resize(index_.Count());
    for (size_t k = 0; k < index_.Count(); ++k) pathKeys_[k] = RelativePath(k);
}

bool TPackModel::Less(int column, size_t a, size_t b) const {
    switch (column) {
    case ColName: {
        const int c = CompareFolded(index_.Name(a), index_.Name(b));
        return c != 0 ? c < 0 : a < b;
    }
    case ColType: return TypeId(a) != TypeId(b) ? TypeId(a) < TypeId(b) : a < b;
    case ColStart:
    case ColSize: {
        const auto field = column == ColStart ? &PackIndex::StartBlock : &PackIndex::Size;
        const int32_t x = (index_.*field)(a), y = (index_.*field)(b);
        return x != y ? x < y : a < b;
    }
    case ColPath: return pathKeys_[a] != pathKeys_[b] ? pathKeys_[a] < pathKeys_[b] : a < b;
    case ColReplaced: { // replaced rows first
        const bool x = replaced_.count(a) != 0, y = replaced_.count(b) != 0;
        return x != y ? x : a < b;
    }
    default: return a < b;
    }
}

std::string TPackModel::FilterName(size_t k) const { return std::string(index_.Name(k)); }

} // namespace pw
