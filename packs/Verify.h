#pragma once
// Verification of a pack: on its own (the index is complete, every entry
// with data lies inside the data file, no two of them overlap; the layout is
// told as information), and against the log that built it (every entry holds
// exactly the bytes of the file its line names, or, where there is no such
// file, its source entry's bytes).
#include <cstdint>
#include <string>
#include <vector>

#include "core/FileIO.h"
#include "packs/PackIndex.h"
#include "packs/PackReader.h"

namespace pw {

enum class FindingKind {
    IncompleteIndex,   // the index is shorter than its header and records need
    Outside,           // an entry with data lies (partly) outside the data file
    IndexDataMismatch, // the index does not match its data file
    Overlap,           // two entries with data share bytes
    Layout,            // information: whether the layout is dense with zero padding
    Content,           // an entry does not hold what the log asked for
    Source,            // the index does not match its source pack's
};

struct Finding {
    FindingKind kind;
    std::string text; // one line
    bool Fault() const { return kind != FindingKind::Layout; }
};

struct Verification {
    std::string indexPath, dataPath;
    std::vector<Finding> findings;
    bool Sound() const;
};

// A pack as verification reads it: its index with the complete records
// only, and its data file open for reading.
struct PackOnDisk {
    // The index is named first when it cannot be read.
    explicit PackOnDisk(const std::string& indexPath);
    PackOnDisk(const std::string& indexPath, PackPair pair);
    std::string indexPath, dataPath;
    std::vector<unsigned char> bytes; // the whole index file
    int64_t claimed = 0;              // the entries EntryCount claims (0 for none)
    PackIndex index;                  // the complete records
    File data;
    int64_t dataSize = 0;
};

// "Cannot open file %s" when the index or the data file cannot be read.
Verification VerifyPack(const std::string& indexPath);

// Also checks the pack against the block of `logPath` that built it: the
// last block, under the format "FAT", whose existing source pack has the
// pack's file name. Relative paths in the log are taken from the pack's
// folder, where insertion wrote it. "No block of %s builds %s" when the log
// has none.
Verification VerifyPackWithLog(const std::string& indexPath, const std::string& logPath);

// The finding about a pair whose data file is shorter than its entries need.
Finding IndexDataMismatchFinding(int64_t needed, int64_t dataSize);

} // namespace pw
