#pragma once
// Making a patch: from a source pack and its modded copy (`diff`), or from
// the logs a modder would insert (`diff --log`, the change plan window's
// "Save as patch…"): the entries the change plan calls changed.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "packs/RunContext.h"
#include "packs/patch/PatchFile.h"

namespace pw::patch {

// Where a changed entry's new data are: `size` bytes of the file `path` at
// `offset` (an entry file, or the modded pack's data file), or `bytes` in
// memory when set (a translated text entry).
struct NewData {
    std::string path;
    int64_t offset = 0, size = 0;
    std::shared_ptr<const std::string> bytes = nullptr;
};

struct EntryChange {
    size_t index = 0;
    NewData data;
};

// The changed entries of one pack, in rising index order, against the base
// pack `sourceIndex`.
struct PackChanges {
    std::string sourceIndex;
    std::vector<EntryChange> entries;
};

// Every entry of `moddedIndex` whose data differ from those of the same
// entry of `sourceIndex` (sizes first, equal sizes compared in bounded
// pieces). Two packs whose entry counts or names differ are refused with
// a message naming the first difference; "Cannot open file", "Stream read
// error" as reading a pack gives them.
PackChanges DiffPacks(const std::string& sourceIndex, const std::string& moddedIndex);

// The entries that the change plan of `logs` (run into `targetDir`) calls
// changed, pack by pack; a plan that refuses is refused with its message.
// Packs without a changed entry are left out.
std::vector<PackChanges> ChangesOfLogs(RunContext& ctx, const std::vector<std::string>& logs,
                                       const std::string& targetDir);

// Writes the patch `output` of `changes` (crash-safe: the file appears only
// when complete, through core/PendingFile.h). The manifest's writer and
// time are filled in here. Progress through ctx.Status; a stop request
// ends it with nothing written and returns false. Refused: no changed
// entry at all ("Nothing to put in patch OUTPUT"), a pack named twice, an
// output that is one of the files read ("Cannot create file OUTPUT").
bool WritePatch(RunContext& ctx, const std::string& output, Manifest manifest,
                const std::vector<PackChanges>& changes);

// What `diff --log` and "Save as patch…" do: ChangesOfLogs then WritePatch.
bool WritePatchFromLogs(RunContext& ctx, const std::string& output, const Manifest& manifest,
                        const std::vector<std::string>& logs, const std::string& targetDir);

// The version written into the manifest's "writer" member.
void SetWriterVersion(const std::string& version);

} // namespace pw::patch
