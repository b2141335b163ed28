// A pack checked against the log block that built it.
#include <algorithm>
#include <optional>

#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/Compare.h"
#include "packs/Kinds.h"
#include "packs/LogWalk.h"
#include "packs/RebuildRules.h"
#include "packs/TextLines.h"
#include "packs/Verify.h"

namespace pw {

namespace {

struct Block {
    std::string source; // as the "#Source:" line names it
    size_t firstEntryLine = 0;
};

// Finds the last block that insertion rebuilt under the pack's file name,
// skipping each block's entry lines as insertion does.
class BlockFinder : public LogWalk {
public:
    BlockFinder(std::string packName, const LogPaths& paths) : packName_(std::move(packName)), paths_(paths) {}
    std::optional<Block> found;

    size_t OnSource(const std::string& path, size_t i, uint8_t format) override {
        const std::string fs = paths_(path);
        if (format != FormatFat || !Exists(fs)) return i + 1;
        size_t entries = 0;
        try {
            entries = PackIndex(ReadWholeFile(fs), fs).Count();
        } catch (const Error&) {
            return End; // insertion stopped here: no later block was rebuilt
        }
        if (SameTextAscii(ExtractFileName(path), packName_)) found = Block{path, i + 1};
        return i + 1 + entries;
    }

private:
    const std::string packName_;
    const LogPaths& paths_;
};

std::string EntryText(size_t k, const FatEntry& e) { return "entry " + std::to_string(k) + " (" + e.Name + ")"; }

bool Inside(const FatEntry& e, int64_t dataSize) { return e.Size == 0 || EntryInside(e.StartBlock, e.Size, dataSize); }

// The index bytes outside StartBlock and Size must be the source's.
void CompareIndexes(const PackOnDisk& pack, const PackOnDisk& source, std::vector<Finding>& out) {
    if (pack.index.Count() != source.index.Count())
        out.push_back({FindingKind::Source, "the pack has " + std::to_string(pack.index.Count()) +
                                                " entries, its source " + source.indexPath + " " +
                                                std::to_string(source.index.Count())});
    const std::vector<unsigned char>&a = pack.bytes, &b = source.bytes;
    const size_t records = std::min(pack.index.Count(), source.index.Count());
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        const size_t inRecord = (i - FatHeader::Bytes) % FatEntry::Bytes;
        if (i >= FatHeader::Bytes && i < FatHeader::Bytes + records * FatEntry::Bytes && inRecord >= 16 &&
            inRecord < 24)
            continue;
        if (i >= a.size() || i >= b.size() || a[i] != b[i]) {
            out.push_back({FindingKind::Source, "the index differs from its source " + source.indexPath +
                                                    " outside StartBlock and Size, first at byte " +
                                                    std::to_string(i)});
            return;
        }
    }
}

// Entry k against the file its line names, or its source entry.
void CompareEntry(ByteCompare& compare, const PackOnDisk& pack, const PackOnDisk& source, size_t k,
                  const std::string& text, const LogPaths& paths, std::vector<Finding>& out) {
    const FatEntry e = pack.index.Entry(k), old = source.index.Entry(k);
    if (!Inside(e, pack.dataSize)) return; // told as a fault of the pack itself
    const int64_t at = int64_t(e.StartBlock) * PackBlockSize;
    const std::string fs = paths(text);
    if (Exists(fs)) {
        File file;
        try {
            file = AsWritten(text, fs, [&] { return OpenReadNotShared(fs); });
        } catch (const Error& err) {
            out.push_back({FindingKind::Content, EntryText(k, e) + ": " + err.what()});
            return;
        }
        if (file.Size() != e.Size || !compare.Same(pack.data.Fd(), at, file.Fd(), 0, e.Size))
            out.push_back({FindingKind::Content, EntryText(k, e) + " does not hold the bytes of " + text});
        return;
    }
    if (!Inside(old, source.dataSize)) {
        out.push_back({FindingKind::Content, EntryText(k, e) + ": its source entry lies outside " + source.dataPath});
        return;
    }
    const int64_t oldAt = int64_t(old.StartBlock) * PackBlockSize;
    if (old.Size != e.Size || !compare.Same(pack.data.Fd(), at, source.data.Fd(), oldAt, e.Size))
        out.push_back({FindingKind::Content, EntryText(k, e) + " does not hold its source entry's bytes"});
}

} // namespace

Verification VerifyPackWithLog(const std::string& indexPath, const std::string& logPath) {
    Verification v = VerifyPack(indexPath);
    std::vector<std::string> lines = LoadLines(logPath, Pipes::Allow);
    const LogPaths paths(ExtractFilePath(indexPath).empty() ? "." : ExtractFilePath(indexPath));
    BlockFinder finder(ExtractFileName(indexPath), paths);
    uint8_t format = FormatNone, plainLine = 0;
    WalkLog(lines, finder, format, plainLine);
    if (!finder.found)
        throw Error("No block of " + logPath + " builds " + ExtractFileName(indexPath));

    const PackOnDisk pack(indexPath);
    const std::string sourceFs = paths(finder.found->source);
    // A pack checked against the log that extracted it is its own source.
    std::optional<PackOnDisk> other;
    if (!(IdOfPath(sourceFs) == IdOfPath(indexPath)))
        AsWritten(finder.found->source, sourceFs, [&] { other.emplace(sourceFs); });
    const PackOnDisk& source = other ? *other : pack;
    CompareIndexes(pack, source, v.findings);
    ByteCompare compare;
    const size_t n = std::min(pack.index.Count(), source.index.Count());
    for (size_t k = 0; k < n; ++k) {
        const size_t line = finder.found->firstEntryLine + k;
        if (line >= lines.size()) {
            v.findings.push_back({FindingKind::Content, "the log ends before the line of entry " + std::to_string(k)});
            break;
        }
        CompareEntry(compare, pack, source, k, lines[line], paths, v.findings);
    }
    // The faults first, the information last.
    std::stable_partition(v.findings.begin(), v.findings.end(), [](const Finding& f) { return f.Fault(); });
    return v;
}

} // namespace pw
