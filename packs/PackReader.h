#pragma once
// One pack opened for reading single entries (to show or copy one without
// extracting the pack): the data file, opened read only and not shared as
// an extraction opens it, and the whole index in memory.
#include <cstdint>
#include <string>

#include "core/FileIO.h"
#include "packs/PackIndex.h"

namespace pw {

// The data file of the pack `indexPath`, opened read only and not shared,
// as every reader of a pack opens it: a pack that a crashed rebuild left
// half-replaced is finished first. "Cannot open file %s".
File OpenPackData(const std::string& indexPath);

class PackReader {
public:
    // "Cannot open file %s" for the data file, then for the index;
    // "Damaged pack index %s" for an index shorter than its records.
    explicit PackReader(const std::string& indexPath);

    const PackIndex& Index() const { return index_; }
    const std::string& IndexPath() const { return indexPath_; }
    // Whether entry k's data lie inside the data file (an empty entry does).
    bool Inside(size_t k) const;
    // Copies entry k's bytes to `fd` at its current position in bounded
    // pieces. "Stream read error" before anything is written when the
    // entry's data lie outside the data file.
    void CopyEntry(size_t k, int fd) const;

private:
    std::string indexPath_;
    File data_;
    PackIndex index_;
    int64_t dataSize_;
};

} // namespace pw
