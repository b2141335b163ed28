#pragma once
// The read-back of a rebuilt pack before it is put in place: the new index
// must hold what was written, and every entry of the new data file exactly
// the bytes of its source, the entry file its line names or the entry's old
// data, followed by zero padding to its block's end. A mismatch is
// "Verification failed: ..." and the pack is not put in place.
#include <cstdint>
#include <string>
#include <vector>

#include "packs/PackIndex.h"
#include "packs/RunContext.h"

namespace pw {

// Where one entry of a rebuilt pack came from.
struct EntryOrigin {
    bool fromFile;      // the file named on line `line` of the log
    size_t line;
    int64_t oldOffset;  // else the old data at this offset of the source data file
    bool supplied = false; // the data of the context's supplier (fromFile is set too)
};

struct RebuiltPack {
    std::string targetIndex, targetData;      // the names the pack will take
    int dataFd, indexFd;                      // the files written, not yet in place
    int64_t dataLength;                       // the data file's length as written
    const PackIndex& index;                   // the new index as written
    int sourceDataFd;
    const std::vector<EntryOrigin>& origins;  // one per entry, in index order
};

// Calls the context's BeforeReadBack hook, then reads the pack back.
void ReadBackRebuilt(RunContext& ctx, const RebuiltPack& pack);

} // namespace pw
