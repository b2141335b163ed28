#include "packs/ReadBack.h"

#include "core/Error.h"
#include "core/FileIO.h"
#include "packs/Compare.h"
#include "packs/RebuildRules.h"

namespace pw {

namespace {

[[noreturn]] void Fail(const std::string& what) { throw Error("Verification failed: " + what); }

std::string EntryText(size_t k, const std::string& pack) {
    return "entry " + std::to_string(k) + " of " + pack;
}

// An entry of the log's file: the file is read again as the rebuild found it.
bool SameAsFile(ByteCompare& compare, MappedWindow& data, const std::string& path, int64_t at, int64_t size) {
    File f;
    try {
        f = OpenReadNotShared(path);
    } catch (const Error&) {
        return false; // gone or held since: the pack no longer proves anything
    }
    return f.Size() == size && compare.Same(data, at, f.Fd(), 0, size);
}

} // namespace

void ReadBackRebuilt(RunContext& ctx, const RebuiltPack& pack) {
    if (ctx.BeforeReadBack) ctx.BeforeReadBack(pack.dataFd, pack.indexFd);
    const std::string& data = pack.targetData;
    ByteCompare compare;

    const std::vector<unsigned char>& written = pack.index.Bytes();
    if (!compare.Holds(pack.indexFd, written.data(), written.size()))
        Fail(pack.targetIndex + " does not hold the index written");
    MappedWindow newData(pack.dataFd);
    if (newData.Size() != pack.dataLength)
        Fail(data + " is not " + std::to_string(pack.dataLength) + " bytes long");

    for (size_t k = 0; k < pack.index.Count(); ++k) {
        const FatEntry e = pack.index.Entry(k);
        const EntryOrigin& origin = pack.origins[k];
        const int64_t at = int64_t(e.StartBlock) * PackBlockSize;
        if (origin.supplied) {
            if (!ctx.Supplied->Holds(k, pack.dataFd, at))
                Fail(EntryText(k, data) + " does not hold its new data");
        } else if (origin.fromFile) {
            const std::string& path = ctx.LogLines[origin.line];
            if (!SameAsFile(compare, newData, path, at, e.Size))
                Fail(EntryText(k, data) + " does not hold the bytes of " + path);
        } else if (!compare.Same(newData, at, pack.sourceDataFd, origin.oldOffset, e.Size)) {
            Fail(EntryText(k, data) + " does not hold its old data");
        }
        const int64_t end = PaddedEnd(at, e.Size);
        if (!compare.Zero(newData, at + e.Size, end - at - e.Size))
            Fail("the padding after " + EntryText(k, data) + " is not zero");
    }
}

} // namespace pw
