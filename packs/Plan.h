#pragma once
// The change plan of a log: what inserting it would do to each pack, found
// by reading the log, the packs and the entry files exactly as insertion
// does, and writing nothing (no file, no folder). Insertion's own rules
// decide it (packs/LogWalk.h, packs/RebuildRules.h), so a plan refuses
// where insertion would, with the same message.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "packs/RunContext.h"

namespace pw {

enum class EntryState {
    Changed, // the file its line names exists and holds other bytes than the entry
    Same,    // the file exists and holds exactly the entry's bytes
    Kept,    // no file under that name: the entry keeps its old data
    Refused, // the rebuild would stop here with `message`
};

// "changed", "same", "kept", "refused".
const char* StateName(EntryState state);

struct EntryPlan {
    size_t index;        // entry number in the pack
    EntryState state;
    std::string file;    // the entry's log line, as written ("" past the log's end)
    int64_t oldSize;     // the entry's Size in the source pack
    int64_t newSize;     // its Size in the new pack (0 when refused)
    std::string message; // why it is refused
    std::string name;    // the entry's name in the index
};

struct PackPlan {
    std::string logPath;
    std::string sourceIndex;             // as the "#Source:" line names it
    std::string targetIndex, targetData; // the new pack's files, as insertion names them
    std::vector<EntryPlan> entries;      // up to and including a refused one
    int64_t sourceDataSize = 0;          // the source data file's length
    int64_t newDataSize = 0;             // the new data file's length (so far, when refused)
    std::string refusal;                 // the rebuild's message when it would stop in this pack
    size_t changed = 0, same = 0, kept = 0, refused = 0;

    bool Refused() const { return !refusal.empty(); }
    size_t Count(EntryState state) const;
};

// The plan of every pack a log rebuilds into `targetDir`, in log order.
// Insertion stops at its first refusal, and so does the plan: its last pack
// then carries the refusal (with no entries when it comes before the first
// entry: a source pack that cannot be opened, a target it will not write).
// Throws pw::Error with insertion's message for what fails before any pack:
// a target folder that cannot be made or entered, a log that cannot be read.
// Relative paths in the log are taken under `targetDir`, as insertion does.
// Memory grows with the index and the log's lines, never with entry data.
std::vector<PackPlan> PlanLog(RunContext& ctx, const std::string& logPath, const std::string& targetDir);

// The plan of a run over several logs, as insertion would run them one after
// the other: a later log sees the packs an earlier one writes; a relative
// log path (a project list's) is taken in the target folder. Stops at the
// first refusal, or at an error before a pack, whose message goes to `error`.
std::vector<PackPlan> PlanLogs(RunContext& ctx, const std::vector<std::string>& logPaths,
                               const std::string& targetDir, std::string& error);

// Whether the last pack of a plan carries a refusal.
bool PlanRefused(const std::vector<PackPlan>& packs);

// "Cannot open file %s" with `targetDir` when a run could not make or enter
// it; creates nothing.
void CheckTargetFolder(const std::string& targetDir);

} // namespace pw
