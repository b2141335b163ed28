#pragma once
// The window-independent half of a run over the input list: the header
// lines of each item, dispatch by kind, the Total bar, and "result.log".
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "packs/Formathandlers.h"
#include "packs/RunContext.h"

namespace pw {

// Starts a run into `targetDir`: it becomes TargetDir and the current
// directory (created with its parents when missing), the run state is
// cleared, and Total is set to 0 of 100. "Cannot open file %s" when the
// folder cannot be entered.
void BeginRun(RunContext& ctx, const std::string& targetDir);

// "#Format: " + format name, "#Source: " + the entry's text.
void AddHeaderLines(RunContext& ctx, std::string_view formatName, const std::string& entry);

// One item: extraction for kind 1, insertion for kinds 2 and 3, nothing else.
// With `choose`, an extraction writes only the entries it takes (ExtractChosen).
Outcome DispatchItem(RunContext& ctx, uint8_t kind, const std::string& name, const EntryChoice* choose = nullptr);

// Total after item i of n: i * 100 / n.
void SetTotalAfterItem(RunContext& ctx, size_t i, size_t n);

// After the last item: the status caption emptied, both bars at 0.
void EndRun(RunContext& ctx);

// Saves ResultLines as TargetDir/result.log when they are not empty and the
// kind is neither 2 nor 3. Returns whether it wrote the file. With Sync, the
// extracted files are flushed to disk before the log that names them.
bool SaveResultLog(RunContext& ctx, uint8_t inputKind);
// TARGET/result.log of the run.
std::string ResultLogPath(const RunContext& ctx);
// An extraction rewrites entry files in place, so before it writes the
// first one it sets aside the result log that an earlier run left in the
// target, under a temporary name whose lock it holds: a run killed half-way
// then leaves no log that names a file cut short, and the next save in the
// folder removes the one set aside. The new log takes its place at the end,
// as always; a run that fails, or ends with no log to save, puts the earlier
// one back (its files are whole: a failing entry's file is removed). Once a
// run; "Cannot create file <log>" when it can be neither set aside nor
// removed.
void ClearEarlierResultLog(RunContext& ctx);
void RestoreEarlierResultLog(RunContext& ctx);

// "Total N bytes extracted." or "" when the total is 0.
std::string TotalBytesLine(const RunContext& ctx);

// A whole run over a list that does not change: for the command-line tool
// and tests. `formatName` is the "#Format: " value. Each item's header lines
// and outcome as DispatchItem; a stop ends the run after the current entry,
// and ResultLines then holds only finished packs. Saves "result.log".
// `choose`, for packs: the entries to write of every pack.
Outcome RunList(RunContext& ctx, const std::vector<std::string>& list, uint8_t kind,
                std::string_view formatName, const std::string& targetDir, const EntryChoice* choose = nullptr);

// A whole run over one pack writing only the selected entries (as
// ExtractPack takes `selected`) into `targetDir`. TARGET/result.log names
// every entry of the pack, the unselected ones at the paths a full
// extraction gives them: it stays a valid log for insertion, whose rebuild
// keeps the unselected entries' old data, and several selective
// extractions into one folder give the same log. Stopped: no result.log.
Outcome ExtractSelected(RunContext& ctx, const std::string& indexPath, const std::vector<bool>& selected,
                        const std::string& targetDir);

} // namespace pw
