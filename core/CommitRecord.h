#pragma once
// The commit record a pack's journal holds (its layout: PairCommit.h):
// the two target names and the stamps of the new and the earlier files.
#include <string>
#include <vector>

#include "core/FileIO.h"

namespace pw {

// What a commit record says.
struct CommitRecord {
    std::string dataName, indexName;
    bool stamped = false; // false: a first-version record
    FileStamp newData, newIndex, oldData, oldIndex;
};

std::vector<unsigned char> EncodeRecord(const CommitRecord& r);
// Whether `in` is one whole record, of either version; fills `r` when it is.
bool DecodeRecord(const std::vector<unsigned char>& in, CommitRecord* r);

} // namespace pw
