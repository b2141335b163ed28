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

} // namespace pw::cli
