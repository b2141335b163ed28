#pragma once
// Extraction of data packs and the rebuild of a pack from a log.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "packs/RunContext.h"

namespace pw {

// How a handler ended: every entry done, or a stop request honoured.
enum class Outcome { Done, Stopped };

// Writes every entry of the pack with data to its own file under the run's
// target folder and appends one line per entry to ResultLines: the path
// written, or "NULL" for an empty entry. Stopped before an entry: the lines
// of this pack are taken out of ResultLines again (files already written stay).
//
// With `selected`, only entry k with (*selected)[k] true is written (entries
// past the vector's end are not); ResultLines still gets a line for every
// entry, an unselected one with data the path a full extraction would write
// (no file, no folder made for it). An unselected entry is never read, so
// one whose data lie outside the data file does not stop the run; its name
// is still checked, as its line must stand in the log. TotalBytes counts
// the bytes written.
Outcome ExtractPack(RunContext& ctx, const std::string& indexPath, const std::vector<bool>* selected = nullptr);

// Chooses entries by index and entry name.
using EntryChoice = std::function<bool(size_t index, const std::string& name)>;
// ExtractPack with the entries that `choose` takes as the selection.
Outcome ExtractChosen(RunContext& ctx, const std::string& indexPath, const EntryChoice& choose);
// The choice of entry k when `selected[k]` is true (none past its end);
// `selected` must outlive it.
EntryChoice SelectionChoice(const std::vector<bool>& selected);

// Moves Progress to k * 100 / n, for entry k of n, when that whole percent is new.
void StepProgress(RunContext& ctx, size_t k, size_t n);

// The full path for an entry's relative name ("PACK/TYPE/0000001A.tga"),
// after creating every missing folder along it.
std::string MakeOutputPath(RunContext& ctx, const std::string& sourcePath,
                           const std::string& relativeName);
// The same path, creating nothing.
std::string OutputPathFor(const RunContext& ctx, const std::string& sourcePath,
                          const std::string& relativeName);
// Whether a name holds control characters (bytes 1 to 31): a line break
// could not stand in a result log, and no such name can be made on the
// game's own system either.
bool HasControlCharacters(std::string_view path);

// The relative name of entry `index` of the pack `packName` whose entry name
// is `entryName`: pack, type, eight hex digits and the lower-case type.
std::string RelativeEntryName(const std::string& packName, const std::string& entryName,
                              uint32_t index);

// Builds the pack `targetIndexPath` (and its ".mix") from the source pack
// SourcePackPath, entry k taking its data from line firstEntryLine + k of
// LogLines when that names an existing file. The new files appear under
// their names only when both are complete. Returns the line after the
// pack's entry lines; `outcome` tells whether a stop request ended it.
size_t RebuildPack(RunContext& ctx, const std::string& targetIndexPath, size_t firstEntryLine,
                   Outcome* outcome = nullptr);

// Reads a log and rebuilds every pack it names into the run's target folder.
Outcome ProcessLogFile(RunContext& ctx, const std::string& logPath);

} // namespace pw
