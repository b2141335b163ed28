// Finding the changed entries of a pack, and of a log's change plan.
#include "packs/patch/PatchMake.h"

#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/Compare.h"
#include "packs/Plan.h"
#include "packs/PackReader.h"
#include "packs/RebuildRules.h"

namespace pw::patch {

PackChanges DiffPacks(const std::string& sourceIndex, const std::string& moddedIndex) {
    const PackReader source(sourceIndex, Pipes::Refuse), modded(moddedIndex, Pipes::Refuse);
    const PackIndex& a = source.Index();
    const PackIndex& b = modded.Index();
    if (a.Count() != b.Count())
        throw Error("Pack " + moddedIndex + " has " + std::to_string(b.Count()) + " entries, " + sourceIndex +
                    " has " + std::to_string(a.Count()));
    for (size_t k = 0; k < a.Count(); ++k)
        if (a.Name(k) != b.Name(k))
            throw Error("Entry " + std::to_string(k) + " is " + std::string(b.Name(k)) + " in " + moddedIndex +
                        " but " + std::string(a.Name(k)) + " in " + sourceIndex);

    // Sizes first; equal sizes compared in bounded pieces.
    PackChanges changes;
    changes.sourceIndex = sourceIndex;
    const std::string moddedData = DataPathFor(moddedIndex);
    ByteCompare compare;
    for (size_t k = 0; k < a.Count(); ++k) {
        const int32_t sa = a.Size(k), sb = b.Size(k);
        const int64_t atA = source.Offset(k), atB = modded.Offset(k);
        const bool same = sa == sb && (sa == 0 || compare.Same(source.Data().Fd(), atA, modded.Data().Fd(), atB, sa));
        if (!same) changes.entries.push_back({k, {moddedData, atB, sb, nullptr}});
    }
    return changes;
}

std::vector<PackChanges> ChangesOfLogs(RunContext& ctx, const std::vector<std::string>& logs,
                                       const std::string& targetDir) {
    std::string error;
    const std::vector<PackPlan> plans = PlanLogs(ctx, logs, targetDir, error);
    if (!error.empty()) throw Error(error);
    const LogPaths paths(targetDir);
    std::vector<PackChanges> all;
    for (const PackPlan& plan : plans) {
        PackChanges changes;
        changes.sourceIndex = paths(plan.sourceIndex);
        for (const EntryPlan& e : plan.entries)
            if (e.state == EntryState::Changed) changes.entries.push_back({e.index, {paths(e.file), 0, e.newSize, nullptr}});
        if (!changes.entries.empty()) all.push_back(std::move(changes));
    }
    return all;
}

bool WritePatchFromLogs(RunContext& ctx, const std::string& output, const Manifest& manifest,
                        const std::vector<std::string>& logs, const std::string& targetDir) {
    return WritePatch(ctx, output, manifest, ChangesOfLogs(ctx, logs, targetDir));
}

} // namespace pw::patch
