#pragma once
// The verb groups of packwright-cli, each in a file of its own. A new group
// adds a function here and a call in main.cpp.
#include "cli/Tool.h"

namespace pw::cli {

// list, cat, scan: what a pack holds, one entry's bytes, what a directory
// scan finds.
void AddReadVerbs(Tool& tool);
// extract, insert: runs that write packs and entries.
void AddRunVerbs(Tool& tool);
// plan, verify: what a rebuild will do, and whether a pack holds what it should.
void AddCheckVerbs(Tool& tool);
// diff, patch show, apply: making, showing and applying patches.
void AddPatchVerbs(Tool& tool);
// replace: entries of a pack replaced by files, as a new pack or a patch.
void AddReplaceVerbs(Tool& tool);
// texts export, import, update: translations of the game's texts.
void AddTextVerbs(Tool& tool);
// mods deploy, restore, status, verify: patches installed into the game's folder.
void AddModVerbs(Tool& tool);
// verify --patch: the check of a pack against the patches that built it.
int VerifyWithPatches(const std::string& pack, const std::vector<std::string>& patches, const std::string& source,
                      bool json);

} // namespace pw::cli
