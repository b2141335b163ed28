// Writing the replacements: a new pack through the rebuild, its replaced
// entries supplied from their files; a patch through the patch writer; a
// result log that insertion rebuilds into the same pack.
#include <algorithm>

#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/Compare.h"
#include "packs/Driver.h"
#include "packs/PackReader.h"
#include "packs/RebuildRules.h"
#include "packs/SuppliedEntries.h"
#include "packs/TextLines.h"
#include "packs/patch/PatchMake.h"
#include "packs/replace/Replace.h"

namespace pw::replace {

namespace {

std::string Lines(const std::vector<std::string>& problems) {
    std::string text;
    for (const std::string& p : problems) text += (text.empty() ? "" : "\n") + p;
    return text;
}

// The set's index, once its replacements are checked.
PackIndex CheckedIndex(const ReplaceSet& set) {
    PackIndex index(ReadPackIndex(set.sourceIndex, Pipes::Refuse), set.sourceIndex);
    const std::vector<std::string> problems = Problems(index, set.sourceIndex, set.entries);
    if (!problems.empty()) throw Error(Lines(problems));
    return index;
}

// A replacement's file opened for reading, still as it was chosen.
File OpenChosen(const Replacement& r) {
    File f = OpenReadNotShared(r.file);
    if (!(StampOfPath(r.file) == r.stamp)) throw Error("File " + r.file + " changed after it was chosen");
    return f;
}

class FileSupply : public SuppliedEntries {
public:
    explicit FileSupply(const std::vector<Replacement>& entries) : entries_(entries) {}

    bool Supplies(size_t k, int64_t* size) const override {
        const Replacement* r = Find(k);
        if (r) *size = r->stamp.size;
        return r != nullptr;
    }
    void Write(size_t k, int fd, int64_t offset) const override {
        const Replacement& r = *Find(k);
        File f = OpenChosen(r);
        CopyRangeAt(f.Fd(), 0, fd, offset, r.stamp.size);
    }
    void Read(size_t k, char* buffer) const override {
        const Replacement& r = *Find(k);
        File f = OpenChosen(r);
        ReadAt(f.Fd(), buffer, size_t(r.stamp.size), 0);
    }
    bool Holds(size_t k, int fd, int64_t offset) const override {
        const Replacement& r = *Find(k);
        try {
            File f = OpenChosen(r);
            return ByteCompare().Same(f.Fd(), 0, fd, offset, r.stamp.size);
        } catch (const Error&) {
            return false;
        }
    }

private:
    const Replacement* Find(size_t k) const {
        auto it = std::lower_bound(entries_.begin(), entries_.end(), k,
                                   [](const Replacement& r, size_t index) { return r.index < index; });
        return it != entries_.end() && it->index == k ? &*it : nullptr;
    }
    const std::vector<Replacement>& entries_;
};

std::vector<Replacement> Sorted(std::vector<Replacement> entries) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Replacement& a, const Replacement& b) { return a.index < b.index; });
    return entries;
}

} // namespace

Outcome BuildPack(RunContext& ctx, const ReplaceSet& set, const std::string& targetDir) {
    const PackIndex index = CheckedIndex(set);
    const std::vector<Replacement> entries = Sorted(set.entries);
    BeginRun(ctx, targetDir);
    FileSupply supply(entries);
    // The replacement files are read: the new pack is never made over one.
    const size_t reading = ctx.ReadingFiles.size();
    for (const Replacement& r : entries) ctx.ReadingFiles.push_back(r.stamp.id);
    ctx.Supplied = &supply;
    struct Restore {
        RunContext& ctx;
        size_t reading;
        ~Restore() {
            ctx.Supplied = nullptr;
            ctx.ReadingFiles.resize(reading);
        }
    } restore{ctx, reading};
    ctx.SourcePackPath = set.sourceIndex;
    Outcome outcome = Outcome::Done;
    RebuildPack(ctx, TargetIndexPath(ctx.TargetDir, set.sourceIndex), 0, &outcome);
    if (outcome == Outcome::Done) SetTotalAfterItem(ctx, 1, 1);
    EndRun(ctx);
    return outcome;
}

bool SavePatch(RunContext& ctx, const ReplaceSet& set, const std::string& output,
               const patch::Manifest& manifest) {
    CheckedIndex(set);
    patch::PackChanges changes;
    changes.sourceIndex = set.sourceIndex;
    {
        // Only entries whose bytes change, as a diff of the two packs finds them.
        const PackReader pack(set.sourceIndex, Pipes::Refuse);
        ByteCompare compare;
        for (const Replacement& r : Sorted(set.entries)) {
            const File f = OpenChosen(r);
            const int64_t size = r.stamp.size;
            const bool same = size == pack.Index().Size(r.index) &&
                              (size == 0 || compare.Same(f.Fd(), 0, pack.Data().Fd(), pack.Offset(r.index), size));
            if (!same) changes.entries.push_back({r.index, {r.file, 0, size}});
        }
    }
    std::vector<patch::PackChanges> all;
    if (!changes.entries.empty()) all.push_back(std::move(changes));
    return patch::WritePatch(ctx, output, manifest, all);
}

void SaveLog(const ReplaceSet& set, const std::string& logPath) {
    const PackIndex index = CheckedIndex(set);
    const std::vector<Replacement> entries = Sorted(set.entries);
    PlainStatus quiet;
    RunContext paths(quiet);
    paths.TargetDir = ExtractFilePath(logPath);
    const std::string packName = PackName(set.sourceIndex);
    std::vector<std::string> lines = {"#Format: FAT", "#Source: " + set.sourceIndex};
    std::vector<std::string> problems;
    auto next = entries.begin();
    for (size_t k = 0; k < index.Count(); ++k) {
        if (next != entries.end() && next->index == k) {
            if (HasControlCharacters(next->file)) ThrowCannotCreate(logPath); // a line cannot hold it
            lines.push_back(next->file);
            ++next;
            continue;
        }
        if (index.Size(k) == 0) {
            lines.emplace_back("NULL");
            continue;
        }
        const std::string rel = RelativeEntryName(packName, std::string(index.Name(k)), uint32_t(k));
        const std::string path = OutputPathFor(paths, set.sourceIndex, rel);
        if (HasControlCharacters(rel)) ThrowCannotCreate(path);
        if (Exists(path))
            problems.push_back("File " + path + " would replace entry " + std::to_string(k) + " (" +
                               std::string(index.Name(k)) + ")");
        lines.push_back(path);
    }
    if (!problems.empty()) throw Error(Lines(problems));
    SaveLines(logPath, lines);
}

} // namespace pw::replace
