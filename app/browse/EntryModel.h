#pragma once
// The table behind the windows that list the entries of a pack: a view
// order over rows held elsewhere (never a copy of every row), sorted by a
// permutation computed once per column and kept, and narrowed by a name
// filter and a type. A window of this family adds only its columns.
#include <QAbstractTableModel>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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
    explicit TEntryModel(QObject* parent) : QAbstractTableModel(parent) {}

    virtual size_t Count() const = 0;
    virtual int Columns() const = 0;
    virtual QString ColumnTitle(int column) const = 0;
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

    // After the rows changed: types counted again, the view in row order.
    void Rebuild();
    uint32_t TypeId(size_t source) const { return typeIds_[source]; }
    const std::vector<std::string>& TypeNames() const { return typeNames_; }

private:
    void Refilter();

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

} // namespace pw
