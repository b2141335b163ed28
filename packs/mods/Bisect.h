#pragma once
// The search for the mod that breaks the game. It starts from the current
// deployment (its history record, two mods or more): its mods are the
// suspects. Each step deploys that record again, from the store, in its
// order and with its setting, with about half of the suspects left out;
// the player plays and answers good (the game works: the culprit is among
// those left out) or bad (it is among those in). When one suspect is left,
// or when the search is ended, the starting record is deployed again. At
// most ceil(log2 N) steps for N mods; every step is an ordinary deployment
// and is in the history.
//
// .packwright/bisect, sealed as GameFolder.h describes (kind "bisect"):
//   {"start": ID, "steps": N, "suspects": [I, ...], "out": [I, ...]}
// I: a mod's place in the start record's load order. "out": the suspects
// the current step leaves out. The file is written before each step is
// deployed: an answer counts only when the deployment holds the step the
// file describes, else the step is deployed again first.
#include <cstdint>
#include <string>
#include <vector>

#include "packs/mods/Mods.h"

namespace pw::mods {

struct BisectState {
    uint64_t start = 0;
    size_t steps = 0;
    std::vector<size_t> suspects, out;
};

// The search under way; false when there is none. "Damaged search record PATH".
bool ReadBisect(const GameFolder& game, BisectState* state);

// Where a search stands after a command.
struct BisectView {
    HistoryRecord start;
    BisectState state;
    bool found = false;       // one suspect left: state.suspects[0]; the start is deployed again
    bool redeployed = false;  // the step was not deployed (a crash, a refusal): it is now, no answer counted
    bool ended = false;       // reset: the start is deployed again
    std::vector<const HistoryMod*> In() const;    // the current step's mods
    std::vector<const HistoryMod*> Out() const;
    std::vector<const HistoryMod*> Suspects() const;
};

// The commands, each on a session of the game folder. Start: "A search is
// under way already", "The current deployment has fewer than two mods:
// nothing to search". Answer, Reset: "No search is under way in GAMEDIR".
BisectView BisectStart(ModsSession& session, RunContext& ctx, DeployOptions options);
BisectView BisectAnswer(ModsSession& session, RunContext& ctx, DeployOptions options, bool good);
BisectView BisectReset(ModsSession& session, RunContext& ctx, DeployOptions options);
BisectView BisectStatus(const ModsSession& session);

} // namespace pw::mods
