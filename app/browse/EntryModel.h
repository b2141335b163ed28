#pragma once
// The table behind the windows that list the entries of a pack: a view
// order over rows held elsewhere (never a copy of every row), sorted by a
// permutation computed once per column and kept, and narrowed by a name
// filter and a type. A window of this family adds only its columns.
#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "packs/EntryFilter.h"

namespace pw {

// A filter text: `*` and `?` make it a whole-name pattern (the engine's
// entry patterns), "#N" or "#0xN" an entry number, anything else is a
// substring; all ignore the case of the letters A to Z.
class NameFilter {
public:
    explicit NameFilter(const QString& text = QString());
    bool Empty() const { return text_.empty(); }
    bool ByNumber() const { return number_.has_value(); }
    bool Matches(size_t index, std::string_view name) const;

private:
    std::string text_; // lower-cased
    bool pattern_ = false;
    std::optional<uint64_t> number_;
};

class TEntryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Rows outside the data file answer true for this role.
    static constexpr int DamagedRole = Qt::UserRole + 1;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The row of the data (its entry number) shown at view row `row`, and back.
    size_t SourceRow(int row) const { return visible_[size_t(row)]; }
    int RowOfSource(size_t source) const; // -1 when filtered out
    size_t SourceCount() const { return Count(); }

    // Narrows the rows: a filter text on name and type, and one type ("" for
    // every type). The sort order stays.
    void SetFilter(const QString& text);
    void SetType(const QString& type, bool anyType);
    // Every type with its number of rows, in order of the type names.
    std::vector<std::pair<QString, size_t>> TypeCounts() const;

protected:
    // `titles`: the header of each column, in the order of the columns.
    TEntryModel(QStringList titles, QObject* parent) : QAbstractTableModel(parent), titles_(std::move(titles)) {}

    virtual size_t Count() const = 0;
    virtual QVariant Cell(size_t source, int column, int role) const = 0;
    // Whether row a sorts before row b by `column` (ties are settled by
    // the row numbers). PrepareSort runs once before a column is sorted.
    virtual bool Less(int column, size_t a, size_t b) const = 0;
    virtual void PrepareSort(int /*column*/) {}
    // The name the filter looks at, and the type the chooser lists.
    virtual std::string FilterName(size_t source) const = 0;
    virtual std::string TypeOf(size_t source) const = 0;
    // A further narrowing of a window of this family.
    virtual bool Keep(size_t /*source*/) const { return true; }

    // After what Keep answers changed: the rows are narrowed again.
    void Refresh();
    // After what Less answers for `column` changed: its order is computed
    // again when it is next sorted by (at once when it is sorted by now).
    void ForgetSort(int column);

    // After the rows changed: types counted again, the view in row order.
    void Rebuild();
    uint32_t TypeId(size_t source) const { return typeIds_[source]; }
    const std::vector<std::string>& TypeNames() const { return typeNames_; }

private:
    void Refilter();
    int Columns() const { return int(titles_.size()); }

    QStringList titles_;
    std::vector<uint32_t> typeIds_;        // by source row
    std::vector<std::string> typeNames_;   // by type id, sorted
    std::vector<size_t> typeCounts_;
    std::vector<std::vector<uint32_t>> sorted_; // ascending permutation by column, once computed
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    NameFilter filter_;
    bool anyType_ = true;
    uint32_t type_ = 0;
    std::vector<uint32_t> visible_;
};

// The table of the entries of several packs as the engine listed them (a
// change plan's, a patch's), held here: a row is located by its pack and
// the entry in it, and is filtered and typed by the entry's name.
template <class Pack>
class TPackEntriesModel : public TEntryModel {
public:
    using Entry = typename decltype(Pack::entries)::value_type;

    const std::vector<Pack>& Packs() const { return packs_; }
    // Where a row is in the packs: its pack, and the entry in it.
    std::pair<size_t, size_t> Position(size_t source) const { return rows_[source]; }
    const Pack& PackOf(size_t source) const { return packs_[rows_[source].first]; }
    const Entry& EntryOf(size_t source) const { return PackOf(source).entries[rows_[source].second]; }

protected:
    TPackEntriesModel(std::vector<Pack> packs, QStringList titles, QObject* parent)
        : TEntryModel(std::move(titles), parent), packs_(std::move(packs)) {
        for (size_t p = 0; p < packs_.size(); ++p)
            for (size_t e = 0; e < packs_[p].entries.size(); ++e) rows_.emplace_back(p, e);
    }

    size_t Count() const override { return rows_.size(); }
    std::string FilterName(size_t source) const override { return EntryOf(source).name; }
    std::string TypeOf(size_t source) const override { return EntryType(EntryOf(source).name); }

private:
    std::vector<Pack> packs_;
    std::vector<std::pair<size_t, size_t>> rows_; // pack, entry
};

} // namespace pw
