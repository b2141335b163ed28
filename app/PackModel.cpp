// The pack table: cells read from the index record of each row.
#include "app/PackModel.h"

#include <QBrush>
#include <QColor>

#include "core/Bytes.h"
#include "core/Error.h"
#include "core/FileIO.h"
#include "core/FileNames.h"
#include "packs/EntryFilter.h"
#include "packs/Formathandlers.h"

namespace pw {

namespace {

const unsigned char* Record(const PackIndex& index, size_t k) {
    return index.Bytes().data() + FatHeader::Bytes + k * FatEntry::Bytes;
}

// The name field up to its zero byte (or all 16 bytes).
std::string_view RawName(const PackIndex& index, size_t k) {
    const char* r = reinterpret_cast<const char*>(Record(index, k));
    size_t len = 0;
    while (len < FatEntry::NameBytes && r[len] != 0) ++len;
    return {r, len};
}

int32_t Field(const PackIndex& index, size_t k, size_t at) {
    return ReadI32LE(Record(index, k) + at);
}

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
    PackIndex index(ReadWholeFile(indexPath), indexPath);
    const std::string dataPath = DataPathFor(indexPath);
    const int64_t dataSize = RegularFileSize(dataPath);
    if (dataSize < 0) ThrowCannotOpen(dataPath);
    return std::make_unique<TPackModel>(std::move(index), indexPath, dataPath, dataSize, parent);
}

TPackModel::TPackModel(PackIndex index, std::string indexPath, std::string dataPath, int64_t dataSize,
                       QObject* parent)
    : TEntryModel(parent), index_(std::move(index)), indexPath_(std::move(indexPath)),
      dataPath_(std::move(dataPath)), packName_(PackName(indexPath_)), dataSize_(dataSize) {
    for (size_t k = 0; k < index_.Count(); ++k) {
        const int32_t size = Field(index_, k, 20);
        if (size > 0) totalBytes_ += size;
    }
    Rebuild();
}

bool TPackModel::Inside(size_t k) const {
    const int32_t size = Field(index_, k, 20);
    return size == 0 || EntryInside(Field(index_, k, 16), size, dataSize_);
}

std::string TPackModel::TypeName(size_t k) const { return EntryType(RawName(index_, k)); }

std::string TPackModel::RelativePath(size_t k) const {
    return RelativeEntryName(packName_, std::string(RawName(index_, k)), uint32_t(k));
}

QString TPackModel::ColumnTitle(int column) const {
    switch (column) {
    case ColIndex: return QStringLiteral("Index");
    case ColName: return QStringLiteral("Name");
    case ColType: return QStringLiteral("Type");
    case ColStart: return QStringLiteral("Start block");
    case ColSize: return QStringLiteral("Size");
    case ColPath: return QStringLiteral("Output path");
    default: return {};
    }
}

QVariant TPackModel::Cell(size_t k, int column, int role) const {
    const bool damaged = !Inside(k);
    if (role == DamagedRole) return damaged;
    if (role == Qt::ForegroundRole) return damaged ? QVariant(QBrush(QColor(190, 0, 0))) : QVariant();
    if (role == Qt::ToolTipRole)
        return damaged ? QVariant(QStringLiteral("The data lie outside the data file")) : QVariant();
    if (role == Qt::TextAlignmentRole && (column == ColStart || column == ColSize))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    switch (column) {
    case ColIndex: return QString::fromStdString(Hex8(uint32_t(k))) + (damaged ? QStringLiteral(" !") : QString());
    case ColName: {
        const std::string_view name = RawName(index_, k);
        return QString::fromLatin1(name.data(), qsizetype(name.size()));
    }
    case ColType: return QString::fromLatin1(TypeName(k));
    case ColStart: return Field(index_, k, 16);
    case ColSize: return Field(index_, k, 20);
    case ColPath: return QString::fromLatin1(RelativePath(k));
    default: return {};
    }
}

void TPackModel::PrepareSort(int column) {
    if (column != ColPath || !pathKeys_.empty()) return;
    pathKeys_.resize(index_.Count());
    for (size_t k = 0; k < index_.Count(); ++k) pathKeys_[k] = RelativePath(k);
}

bool TPackModel::Less(int column, size_t a, size_t b) const {
    switch (column) {
    case ColName: {
        const int c = CompareFolded(RawName(index_, a), RawName(index_, b));
        return c != 0 ? c < 0 : a < b;
    }
    case ColType: return TypeId(a) != TypeId(b) ? TypeId(a) < TypeId(b) : a < b;
    case ColStart:
    case ColSize: {
        const size_t at = column == ColStart ? 16 : 20;
        const int32_t x = Field(index_, a, at), y = Field(index_, b, at);
        return x != y ? x < y : a < b;
    }
    case ColPath: return pathKeys_[a] != pathKeys_[b] ? pathKeys_[a] < pathKeys_[b] : a < b;
    default: return a < b;
    }
}

std::string TPackModel::FilterName(size_t k) const { return std::string(RawName(index_, k)); }

} // namespace pw
