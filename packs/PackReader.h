#pragma once
// One pack opened for reading single entries (to show or copy one without
// extracting the pack): the data file, opened read only and not shared as
// an extraction opens it, and the whole index in memory.
#include <cstdint>
#include <string>
#include <vector>

#include "core/FileIO.h"
#include "packs/PackIndex.h"

namespace pw {

// A pack's two files as one pair: the data file, opened read only and not
// shared, and the whole index, read from the same commit. A rebuild that
// puts a new pair in place while the pack is opened is waited for (its two
// renames take microseconds) and the pair opened again.
struct PackPair {
    File data;
    std::vector<unsigned char> index;
};
// Whether a commit that a crashed rebuild left unfinished is finished first,
// as every reader does, or left to be reported (verification).
enum class Unfinished { Finish, Leave };
// "Cannot open file %s" for the data file, then for the index, as an
// extraction opens them; also for the data file when a running rebuild
// keeps the pair half-replaced for seconds.
PackPair OpenPackPair(const std::string& indexPath, Pipes pipes = Pipes::Allow,
                      Unfinished unfinished = Unfinished::Finish);
// The index of the pack `indexPath` alone, once any commit a crashed
// rebuild left unfinished is finished.
std::vector<unsigned char> ReadPackIndex(const std::string& indexPath, Pipes pipes = Pipes::Allow);

class PackReader {
public:
    // "Cannot open file %s" for the data file, then for the index;
    // "Damaged pack index %s" for an index shorter than its records.
    explicit PackReader(const std::string& indexPath, Pipes pipes = Pipes::Allow);

    const PackIndex& Index() const { return index_; }
    const std::string& IndexPath() const { return indexPath_; }
    const File& Data() const { return data_; }
    int64_t DataSize() const { return dataSize_; }
    // Whether entry k's data lie inside the data file (an empty entry does).
    bool Inside(size_t k) const;
    // Entry k's offset in the data file (0 for an empty entry); "Stream read
    // error" when its data lie outside the data file.
    int64_t Offset(size_t k) const;
    // Copies entry k's bytes to `fd` at its current position in bounded
    // pieces. "Stream read error" before anything is written when the
    // entry's data lie outside the data file.
    void CopyEntry(size_t k, int fd) const;

private:
    PackReader(const std::string& indexPath, PackPair pair);

    std::string indexPath_;
    File data_;
    PackIndex index_;
    int64_t dataSize_;
};

} // namespace pw
