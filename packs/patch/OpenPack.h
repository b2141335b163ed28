#pragma once
// A pack opened for reading entry data by offset: its index in memory and
// its data file, opened as every reader of a pack opens it.
#include <cstdint>
#include <string>
#include <utility>

#include "core/FileIO.h"
#include "packs/PackIndex.h"
#include "packs/PackReader.h"

namespace pw::patch {

struct OpenPack {
    // "Cannot open file %s", "Damaged pack index %s". The index and the
    // data file of one commit, as every reader opens them.
    explicit OpenPack(const std::string& indexPath) : OpenPack(indexPath, OpenPackPair(indexPath, Pipes::Refuse)) {}
    OpenPack(const std::string& indexPath, PackPair pair)
        : path(indexPath), data(std::move(pair.data)), index(std::move(pair.index), indexPath),
          dataSize(data.Size()) {}
    // Entry k's offset in the data file; "Stream read error" when its data
    // lie outside the data file.
    int64_t Offset(size_t k) const {
        if (index.Size(k) != 0 && !EntryInside(index.StartBlock(k), index.Size(k), dataSize)) ThrowReadError();
        return index.Size(k) == 0 ? 0 : int64_t(index.StartBlock(k)) * PackBlockSize;
    }
    std::string path;
    File data;
    PackIndex index;
    int64_t dataSize;
};

} // namespace pw::patch
