// View order, sorting and filtering of the entry tables.
#include "app/browse/EntryModel.h"

#include <algorithm>
#include <map>
#include <numeric>

#include "core/Error.h"
#include "packs/EntryFilter.h"
#include "packs/Scan.h"

namespace pw {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool ContainsFolded(std::string_view hay, std::string_view needle) {
    if (needle.size() > hay.size()) return false;
    for (size_t i = 0; i + needle.size() <= hay.size(); ++i) {
        size_t j = 0;
        while (j < needle.size() && Lower(hay[i + j]) == needle[j]) ++j;
        if (j == needle.size()) return true;
    }
    return false;
}

} // namespace

NameFilter::NameFilter(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    text_.reserve(size_t(bytes.size()));
    for (char c : bytes) text_ += Lower(c);
    pattern_ = text_.find_first_of("*?") != std::string::npos;
    // "#N" and "#0xN" name an entry by its number, as on the command line.
    if (!text_.empty() && text_[0] == '#') {
        try {
            number_ = ParseEntryPattern(text_).Index;
        } catch (const Error&) {
            number_.reset(); // not a number yet: matched as text
        }
    }
}

bool NameFilter::Matches(size_t index, std::string_view name) const {
    if (text_.empty()) return true;
    if (number_) return *number_ == index;
    return pattern_ ? MatchesMask(name, text_) : ContainsFolded(name, text_);
}

int TEntryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(visible_.size());
}

int TEntryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns();
}

QVariant TEntryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return section >= 0 && section < Columns() ? titles_[section] : QString();
}

QVariant TEntryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || size_t(index.row()) >= visible_.size()) return {};
    return Cell(visible_[size_t(index.row())], index.column(), role);
}

int TEntryModel::RowOfSource(size_t source) const {
    const auto it = std::find(visible_.begin(), visible_.end(), uint32_t(source));
    return it == visible_.end() ? -1 : int(it - visible_.begin());
}

void TEntryModel::Rebuild() {
    const size_t n = Count();
    std::map<std::string, uint32_t> ids;
    std::vector<std::string> names(n);
    for (size_t k = 0; k < n; ++k) {
        names[k] = TypeOf(k);
        ids.emplace(names[k], 0);
    }
    typeNames_.clear();
    for (auto& [name, id] : ids) {
        id = uint32_t(typeNames_.size());
        typeNames_.push_back(name);
    }
    typeIds_.assign(n, 0);
    typeCounts_.assign(typeNames_.size(), 0);
    for (size_t k = 0; k < n; ++k) {
        typeIds_[k] = ids[names[k]];
        ++typeCounts_[typeIds_[k]];
    }
    sorted_.assign(size_t(Columns()), {});
    beginResetModel();
    Refilter();
    endResetModel();
}

std::vector<std::pair<QString, size_t>> TEntryModel::TypeCounts() const {
    std::vector<std::pair<QString, size_t>> out;
    for (size_t i = 0; i < typeNames_.size(); ++i)
        out.emplace_back(QString::fromLatin1(typeNames_[i]), typeCounts_[i]);
    return out;
}

void TEntryModel::sort(int column, Qt::SortOrder order) {
    if (column >= Columns()) return;
    if (column >= 0 && sorted_[size_t(column)].empty() && Count() > 0) {
        PrepareSort(column);
        std::vector<uint32_t> perm(Count());
        std::iota(perm.begin(), perm.end(), 0u);
        std::stable_sort(perm.begin(), perm.end(),
                         [this, column](uint32_t a, uint32_t b) { return Less(column, a, b); });
        sorted_[size_t(column)] = std::move(perm);
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<uint32_t> sources;
    for (const QModelIndex& i : before) sources.push_back(visible_[size_t(i.row())]);
    sortColumn_ = column;
    sortOrder_ = order;
    Refilter();
    std::vector<int> rowOf(Count(), -1);
    for (size_t r = 0; r < visible_.size(); ++r) rowOf[visible_[r]] = int(r);
    QModelIndexList after;
    for (size_t i = 0; i < sources.size(); ++i) {
        const int row = rowOf[sources[i]];
        after.append(row < 0 ? QModelIndex() : index(row, before[qsizetype(i)].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TEntryModel::SetFilter(const QString& text) {
    beginResetModel();
    filter_ = NameFilter(text);
    Refilter();
    endResetModel();
}

void TEntryModel::SetType(const QString& type, bool anyType) {
    beginResetModel();
    anyType_ = anyType;
    const std::string name = type.toLatin1().toStdString();
    const auto it = std::lower_bound(typeNames_.begin(), typeNames_.end(), name);
    if (!anyType && (it == typeNames_.end() || *it != name)) {
        anyType_ = false;
        type_ = UINT32_MAX; // a type no row has
    } else {
        type_ = uint32_t(it - typeNames_.begin());
    }
    Refilter();
    endResetModel();
}

void TEntryModel::Refresh() {
    beginResetModel();
    Refilter();
    endResetModel();
}

void TEntryModel::ForgetSort(int column) {
    if (column < 0 || column >= Columns() || sorted_[size_t(column)].empty()) return;
    sorted_[size_t(column)].clear();
    if (sortColumn_ == column) sort(column, sortOrder_);
}

void TEntryModel::Refilter() {
    const size_t n = Count();
    visible_.clear();
    visible_.reserve(n);
    const auto keep = [this](uint32_t k) {
        if (!anyType_ && typeIds_[k] != type_) return false;
        if (!Keep(k)) return false;
        return filter_.Empty() || filter_.Matches(k, FilterName(k)) ||
               (!filter_.ByNumber() && filter_.Matches(k, typeNames_[typeIds_[k]]));
    };
    const bool sorted = sortColumn_ >= 0 && !sorted_[size_t(sortColumn_)].empty();
    for (size_t i = 0; i < n; ++i) {
        uint32_t k = uint32_t(i);
        if (sorted) {
            const auto& perm = sorted_[size_t(sortColumn_)];
            k = sortOrder_ == Qt::AscendingOrder ? perm[i] : perm[n - 1 - i];
        }
        if (keep(k)) visible_.push_back(k);
    }
}

} // namespace pw
