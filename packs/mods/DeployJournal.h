#pragma once
// The journal that makes a deployment one step across all the packs it
// changes.
//
// A deployment first builds every new pack in .packwright/stage/ and writes
// the next record as .packwright/deployment.new; nothing in the game's
// folder has changed yet. Then it writes the journal, .packwright/journal,
// complete or not at all (a file given its name only when whole, flushed
// with --sync), sealed as GameFolder.h describes (kind "journal", version
// 1), holding every change still to be made to the game's folder as steps:
//
//   {"steps": [STEP, ...]}, each STEP one of
//   {"op": "move", "from": REL, "to": REL, "stamp": STAMP}
//       gives the file `from` the name `to`, as a hard link where the file
//       system has them, else by a rename. Done when `to` bears `stamp`.
//   {"op": "remove", "path": REL, "stamp": STAMP, "keptAt": REL or ""}
//       removes `path` when it bears `stamp` (and, when keptAt is given, the
//       file is still there under keptAt: a second name of it goes, never
//       its last one). Done otherwise.
//   {"op": "pair", "index": REL, "data": REL, "fromIndex": REL,
//    "fromData": REL, "indexStamp": STAMP, "dataStamp": STAMP}
//       puts the pair `fromIndex`/`fromData` under the pack's names through
//       the pair commit (core/PairCommit.h), so that a reader never sees one
//       of them beside the other's earlier file. Done when both names bear
//       the stamps.
// REL is a path below the game's folder written with "/"; STAMP as in
// GameFolder.h. Every step is done again only when it is not done, so the
// steps can be run again from the first after a crash at any moment.
//
// After the steps, the stage and the journal are removed. Whoever next
// takes the folder's lock (any mods command) finds a journal left by a
// crash and runs its steps: the deployment is finished. Without a journal,
// leftovers in the stage and deployment.new are removed: the deployment is
// undone, and the game's folder holds the previous one. Either way every
// pack holds the previous deployment or every pack the new one.
#include <string>
#include <vector>

#include "core/FileIO.h"
#include "packs/mods/GameFolder.h"

namespace pw::mods {

struct JournalStep {
    enum Kind { Move, Remove, Pair } kind = Move;
    std::string from, to;         // Move; Pair: the new index and the pack's index
    std::string fromData, toData; // Pair
    std::string keptAt;           // Remove: `to` is removed
    FileStamp stamp, dataStamp;
};

std::string JournalText(const std::vector<JournalStep>& steps);
// False when the text is not one whole journal.
bool ReadJournal(const std::vector<unsigned char>& bytes, std::vector<JournalStep>* steps);

// The moments of a deployment, for tests that crash there: after the new
// packs are built, after the next record is written, after the journal is
// written, after each of its steps (with the step's number), at the end.
enum class DeployMoment { Built, Recorded, Journaled, StepDone, Finished };
using DeployHook = void (*)(DeployMoment, size_t);
void SetDeployHook(DeployHook hook);
void DeployHookAt(DeployMoment moment, size_t step = 0);

// Runs the steps not yet done, in order (paths relative to `game`). Throws
// "The interrupted deployment of GAMEDIR cannot go on: PATH has changed"
// when a step can be neither done nor found done, leaving the journal.
void RunSteps(const GameFolder& game, const std::vector<JournalStep>& steps, bool sync);

// Finishes or undoes what a crashed deployment left, holding the folder's
// lock. Returns what it did: "" when nothing was left, else a sentence.
// "Damaged deployment journal PATH", with nothing changed, when a journal
// stands there that cannot be read.
std::string RecoverDeployment(const GameFolder& game);

} // namespace pw::mods
