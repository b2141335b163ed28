#pragma once
// Applying patches to the user's own copy of the game's packs: checked
// entry by entry before anything is written, then each patched pack is
// rebuilt into the target folder by the rebuild's own writer and commit
// (packs/Formathandlers.h), its patched entries taking the patches' new
// data and every other entry its old data.
//
// Per patched entry and patch, in the order the patches are given, against
// what the entry holds by then (the user's data, or an earlier patch's):
//   applies  it holds the patch's base: it takes the new data
//   already  it holds the patch's new data already: nothing changes
//   conflict an earlier patch changed it to other data, and the user's
//            data are this patch's base: refused, or with preferLater this
//            patch's data win
//   refused  anything else: "PACK entry N (NAME) is not the one MOD was
//            made for" (also for an index past the pack's end, or another
//            name there)
// Entries no patch names are not looked at.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "packs/Formathandlers.h"
#include "packs/RunContext.h"
#include "packs/patch/PatchFile.h"

namespace pw::patch {

enum class ApplyState { Applies, Already, Conflict, Refused };
// "applies", "already", "conflict", "refused".
const char* ApplyStateName(ApplyState state);

struct ApplyEntryPlan {
    size_t index = 0;
    std::string name;
    ApplyState state = ApplyState::Applies;
    size_t patch = 0;        // which patch (position in the list given)
    int64_t oldSize = 0;     // what the entry holds before this patch
    int64_t newSize = 0;     // the patch's new data length
    bool wins = false;       // a conflict settled for this patch (preferLater)
    std::string message;     // for conflict and refused; for a win, what won
};

// An entry that takes a patch's new data: the last patch that changes it.
struct ApplyTake {
    size_t index = 0;
    size_t patch = 0;
    const PatchEntry* entry = nullptr;
};

struct ApplyPackPlan {
    std::string name;                     // the pack's file name, as the patches give it
    std::string sourceIndex;              // GAMEDIR's pack, as found ("" when missing)
    std::string targetIndex, targetData;  // the new pack's files
    std::vector<ApplyEntryPlan> entries;  // patch by patch, each in index order
    std::string refusal;                  // the pack cannot be had at all (missing, unreadable)
    std::vector<ApplyTake> takes;         // in index order; entries left as they are are not here
    size_t applies = 0, already = 0, conflicts = 0, refused = 0;
    bool Ok() const { return refusal.empty() && refused == 0 && (conflicts == 0 || AllWon()); }
    bool AllWon() const;
};

struct ApplyPlan {
    std::vector<const PatchFile*> patches;
    std::vector<ApplyPackPlan> packs;     // in the order the patches first name them
    bool preferLater = false;
    bool Ok() const;
    // Every refusal, conflict and missing pack, one message a line.
    std::string Problems() const;
};

// The path of the game's pack NAME (an index file's name, as a patch names
// it) in `gameDir`, found in any letter case, as the game's folder may
// spell it; `gameDir` + NAME when no name matches.
std::string GamePackPath(const std::string& gameDir, const std::string& name);

// The plan of applying `patches` (in this order; they must outlive the plan) to the packs of `gameDir`
// (each NAME.fat found in any letter case) with the new packs in
// `targetDir`. Reads the patched entries of the user's packs; writes
// nothing. Errors reading a pack are that pack's refusal.
ApplyPlan PlanApply(const std::vector<const PatchFile*>& patches, const std::string& gameDir,
                    const std::string& targetDir, bool preferLater);

// The same with each pack's source given by `sourceOf`: the index file to
// read for the pack NAME, as the patches name it (a kept copy of the
// game's pack, say, rather than the one in the game's folder).
using PackSource = std::function<std::string(const std::string& name)>;
ApplyPlan PlanApply(const std::vector<const PatchFile*>& patches, const PackSource& sourceOf,
                    const std::string& targetDir, bool preferLater);

// Builds every pack of `plan` in `targetDir`, through the rebuild (with
// ctx.Sync and ctx.VerifyRebuilds as set). Throws pw::Error with
// plan.Problems() when the plan is not Ok, before anything is written.
// Progress and Stop through ctx; Stopped leaves the packs finished so far.
// A pack whose patched entries are all `already` is still built (a copy).
Outcome RunApply(RunContext& ctx, const ApplyPlan& plan, const std::string& targetDir);

// Checks that the pack `newIndex` holds exactly the patches' new data in
// their patched entries (the last patch naming an entry counts) and the
// source pack's data elsewhere, with the same names and entry count. One
// finding a line; empty when it does.
std::vector<std::string> VerifyPatched(const std::string& newIndex, const std::vector<const PatchFile*>& patches,
                                       const std::string& gameDir);

} // namespace pw::patch
