#pragma once
// The entries of one pack as a table: index, name, type, start block, size,
// the file that replaces the entry when one does (its row marked), and the
// relative path a full extraction gives it. The index file is held in
// memory as the engine reads it; rows are located by arithmetic.
#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/browse/EntryModel.h"
#include "packs/PackIndex.h"
#include "packs/replace/Replace.h"

namespace pw {

class TPackModel : public TEntryModel {
    Q_OBJECT
public:
    enum Column { ColIndex, ColName, ColType, ColStart, ColSize, ColReplaced, ColPath };

    // Reads the index and looks at the data file's size. The engine's
    // messages: "Cannot open file %s" for either file, "Damaged pack index
    // %s" for an index the engine refuses.
    static std::unique_ptr<TPackModel> Open(const std::string& indexPath, QObject* parent = nullptr);
    TPackModel(PackIndex index, std::string indexPath, std::string dataPath, int64_t dataSize,
               QObject* parent = nullptr);

    const PackIndex& Index() const { return index_; }
    const std::string& IndexPath() const { return indexPath_; }
    const std::string& DataPath() const { return dataPath_; }
    int64_t DataSize() const { return dataSize_; }
    // Sum of the sizes of the entries with data.
    int64_t TotalBytes() const { return totalBytes_; }
    // Whether an entry's data lie inside the data file (empty entries do).
    bool Inside(size_t k) const;
    // The type folder name: the name's extension upper-cased, without its dot.
    std::string TypeName(size_t k) const;
    std::string RelativePath(size_t k) const;

    // Entry r.index takes r's file instead of its data, in place of any
    // file before; undone by Unreplace. Each changes the row's cells.
    void SetReplacement(replace::Replacement r);
    bool Unreplace(size_t k);
    void UnreplaceAll();
    const replace::Replacement* ReplacementOf(size_t k) const;
    // In index order.
    std::vector<replace::Replacement> Replacements() const;
    size_t ReplacedCount() const { return replaced_.size(); }
    int64_t ReplacedBytes() const;

protected:
    size_t Count() const override { return index_.Count(); }
    QVariant Cell(size_t source, int column, int role) const override;
    bool Less(int column, size_t a, size_t b) const override;
    void PrepareSort(int column) override;
    std::string FilterName(size_t source) const override;
    std::string TypeOf(size_t source) const override { return TypeName(source); }

private:
    PackIndex index_;
    std::string indexPath_, dataPath_, packName_;
    int64_t dataSize_ = 0;
    int64_t totalBytes_ = 0;
    std::vector<std::string> pathKeys_; // made when the path column is first sorted
    std::map<size_t, replace::Replacement> replaced_;
    void RowChanged(size_t k);
};

} // namespace pw
