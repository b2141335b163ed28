// A pack checked on its own.
#include "packs/Verify.h"

#include <algorithm>

#include "core/Bytes.h"
#include "core/PairCommit.h"
#include "packs/Compare.h"
#include "packs/RebuildRules.h"

namespace pw {

namespace {

// The index with as many records as the file holds in full.
PackIndex CompleteRecords(const std::vector<unsigned char>& bytes, const std::string& path, int64_t* claimed) {
    std::vector<unsigned char> copy = bytes;
    if (copy.size() < FatHeader::Bytes) copy.assign(FatHeader::Bytes, 0);
    const int32_t n = ReadI32LE(copy.data());
    *claimed = std::max(n, 0);
    const int64_t complete = int64_t(copy.size() - FatHeader::Bytes) / int64_t(FatEntry::Bytes);
    if (*claimed > complete) WriteI32LE(copy.data(), int32_t(complete));
    return PackIndex(std::move(copy), path);
}

std::string EntryText(size_t k, const FatEntry& e) { return "entry " + std::to_string(k) + " (" + e.Name + ")"; }

std::string Range(int64_t from, int64_t to) {
    return "bytes " + std::to_string(from) + " to " + std::to_string(to);
}

struct Span {
    int64_t start, end;
    size_t k;
};

void CheckComplete(const PackOnDisk& pack, std::vector<Finding>& out) {
    const size_t size = pack.bytes.size();
    if (size < FatHeader::Bytes) {
        out.push_back({FindingKind::IncompleteIndex, "index is incomplete: " + std::to_string(size) +
                                                         " bytes, shorter than its 8-byte header"});
    } else if (uint64_t(pack.claimed) > pack.index.Count()) {
        const uint64_t needed = FatHeader::Bytes + uint64_t(pack.claimed) * FatEntry::Bytes;
        out.push_back({FindingKind::IncompleteIndex,
                       "index is incomplete: " + std::to_string(pack.claimed) + " entries need " +
                           std::to_string(needed) + " bytes, the file has " + std::to_string(size)});
    }
}

// Entries with data outside the data file; the others, with data, as spans.
std::vector<Span> CheckInside(const PackOnDisk& pack, std::vector<Finding>& out) {
    std::vector<Span> spans;
    int64_t needed = 0;
    std::vector<Finding> outside;
    for (size_t k = 0; k < pack.index.Count(); ++k) {
        const FatEntry e = pack.index.Entry(k);
        if (e.Size == 0) continue;
        if (e.StartBlock < 0 || e.Size < 0) {
            outside.push_back({FindingKind::Outside, EntryText(k, e) + " has a negative " +
                                                         (e.Size < 0 ? "Size" : "StartBlock")});
            continue;
        }
        const int64_t start = int64_t(e.StartBlock) * PackBlockSize, end = start + e.Size;
        needed = std::max(needed, end);
        if (end > pack.dataSize)
            outside.push_back({FindingKind::Outside, EntryText(k, e) + " lies outside the data file: " +
                                                         Range(start, end) + " of " +
                                                         std::to_string(pack.dataSize)});
        else
            spans.push_back({start, end, k});
    }
    if (needed > pack.dataSize) out.push_back(IndexDataMismatchFinding(needed, pack.dataSize));
    out.insert(out.end(), outside.begin(), outside.end());
    return spans;
}

// Sorted by start, an entry overlaps another when it starts before the
// furthest end seen so far.
void CheckOverlaps(const PackOnDisk& pack, std::vector<Span> spans, std::vector<Finding>& out) {
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.start != b.start ? a.start < b.start : a.k < b.k; });
    const Span* furthest = nullptr;
    for (const Span& s : spans) {
        if (furthest && s.start < furthest->end) {
            const size_t a = std::min(s.k, furthest->k), b = std::max(s.k, furthest->k);
            out.push_back({FindingKind::Overlap, "entries " + std::to_string(a) + " (" + pack.index.Entry(a).Name +
                                                     ") and " + std::to_string(b) + " (" +
                                                     pack.index.Entry(b).Name + ") overlap: " +
                                                     Range(s.start, std::min(s.end, furthest->end))});
        }
        if (!furthest || s.end > furthest->end) furthest = &s;
    }
}

// Dense: entries with data in index order, each on the next block boundary,
// zero bytes up to the next one, and nothing after the last.
bool DenseWithZeroPadding(const PackOnDisk& pack) {
    ByteCompare compare;
    int64_t length = 0;
    for (size_t k = 0; k < pack.index.Count(); ++k) {
        const FatEntry e = pack.index.Entry(k);
        if (e.Size == 0) continue;
        if (e.Size < 0 || int64_t(e.StartBlock) * PackBlockSize != length) return false;
        const int64_t end = length + e.Size, padded = PaddedEnd(length, e.Size);
        if (padded > pack.dataSize || !compare.Zero(pack.data.Fd(), end, padded - end)) return false;
        length = padded;
    }
    return length == pack.dataSize;
}

} // namespace

PackOnDisk::PackOnDisk(const std::string& path)
    : PackOnDisk(path, (RegularFileSize(path) < 0 ? ThrowCannotOpen(path) : void(),
                        OpenPackPair(path, Pipes::Refuse, Unfinished::Leave))) {}

// The pair of one commit, read as every reader reads it; a commit a crashed
// run left unfinished is reported, not finished.
PackOnDisk::PackOnDisk(const std::string& path, PackPair pair)
    : indexPath(path), dataPath(DataPathFor(path)), bytes(std::move(pair.index)),
      index(CompleteRecords(bytes, path, &claimed)), data(std::move(pair.data)), dataSize(data.Size()) {}

bool Verification::Sound() const {
    return std::none_of(findings.begin(), findings.end(), [](const Finding& f) { return f.Fault(); });
}

Finding IndexDataMismatchFinding(int64_t needed, int64_t dataSize) {
    return {FindingKind::IndexDataMismatch, "index does not match its data file: its entries need " +
                                                std::to_string(needed) + " bytes, the data file has " +
                                                std::to_string(dataSize)};
}

Verification VerifyPack(const std::string& indexPath) {
    PackOnDisk pack(indexPath);
    Verification v{pack.indexPath, pack.dataPath, {}};
    // Verification only reads: a crashed rebuild's unfinished commit is
    // told, and left for the next run that opens the pack to finish.
    if (HasInterruptedCommit(indexPath))
        v.findings.push_back({FindingKind::IndexDataMismatch,
                              "index does not match its data file: a rebuild was killed while it replaced "
                              "them, and the next run that opens the pack finishes that"});
    CheckComplete(pack, v.findings);
    CheckOverlaps(pack, CheckInside(pack, v.findings), v.findings);
    v.findings.push_back({FindingKind::Layout, DenseWithZeroPadding(pack)
                                                   ? "layout: dense, with zero padding"
                                                   : "layout: not dense with zero padding (sparse, reordered "
                                                     "or with filler bytes), which is sound"});
    return v;
}

} // namespace pw
