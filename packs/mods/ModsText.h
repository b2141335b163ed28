#pragma once
// The sentences the window and the command line say about mods: plans,
// questions, mods and the search, in words ("1 conflict", "3 entries").
#include <string>
#include <vector>

#include "packs/mods/Bisect.h"
#include "packs/mods/Mods.h"

namespace pw::mods {

// "1 entry", "3 entries".
std::string Words(size_t n, const char* singular, const char* plural);
std::string JoinLines(const std::vector<std::string>& lines);
// Entries and packs refused by a plan.
size_t RefusedCount(const DeployPlan& plan);
// "TITLE VERSION (PATH)".
std::string ModLine(const HistoryMod& mod);
// What a plan does, before the question: the packs going back for a
// restore; every deployed mod taken out; else the counts and each
// conflict's winner (ten, then "and N more").
std::string PlanQuestion(const DeployPlan& plan, const Deployment& deployed, bool restore);
// The question about a pack a game update changed.
std::string UpdateQuestion(const std::string& pack);
// Where a search stands, with the suspects left and this step's mods.
std::string SearchText(const BisectView& view);

} // namespace pw::mods
