#pragma once
// Replacing a few entries of a pack without extracting it: each replaced
// entry takes the bytes of a file the user chose, every other entry keeps
// its old data. The result is a new pack in another folder (through the
// rebuild's own writer, commit and read-back), a patch (through the patch
// writer), or a result log that insertion rebuilds into the same pack. The
// source pack is never written.
//
// A file is taken as it stood when it was chosen (its stamp: id, length,
// time of last change); one that is gone or changed since is refused before
// anything is written, as is everything else that would refuse the entry:
// "Cannot open file F", "File F changed after it was chosen", "File F is
// too large for a pack entry", "No entry N in PACK: it has M entries",
// "Entry N (NAME) is replaced twice".
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/FileIO.h"
#include "packs/Formathandlers.h"
#include "packs/PackIndex.h"
#include "packs/RunContext.h"
#include "packs/patch/PatchFile.h"

namespace pw::replace {

// Entry `index` takes the bytes of `file`, as they were when it was chosen.
struct Replacement {
    size_t index = 0;
    std::string file;
    FileStamp stamp;
};

// The replacements of one pack, in rising index order.
struct ReplaceSet {
    std::string sourceIndex;
    std::vector<Replacement> entries;
};

// Entry `index` replaced by `file` as it stands now: "Cannot open file F"
// when no regular file stands there, "File F is too large for a pack entry"
// past what an entry can hold.
Replacement Choose(size_t index, const std::string& file);

// The entry a file stands for by its name: the name an extraction gives it
// ("00000012.txt", in a folder "TXT" or any other; the extension must be
// the entry's type in any letter case, and no extension for an entry
// without one), or else the entry's own name in any letter case when
// exactly one entry bears it.
std::optional<size_t> EntryForFile(const PackIndex& index, const std::string& file);

// The entry that `text` names on a command line: an index ("12", "#0xC"),
// an entry name, or a file name an extraction gives. Errors as FindEntry's.
size_t EntryForArgument(const PackIndex& index, const std::string& text, const std::string& indexPath);

// Files matched to entries: each matched file chosen for its entry (a later
// file for the same entry wins), every other file named.
struct FileMatch {
    std::vector<Replacement> matched; // rising index order
    std::vector<std::string> unmatched;
};
FileMatch MatchFiles(const PackIndex& index, const std::vector<std::string>& files);
// Every regular file below `folder`, at any depth, sorted.
std::vector<std::string> FilesBelow(const std::string& folder);

// Everything that refuses the replacements, one message each; empty when
// they can be written. `indexPath` names the pack in the messages.
std::vector<std::string> Problems(const PackIndex& index, const std::string& indexPath,
                                  const std::vector<Replacement>& entries);

// Builds the new pack in `targetDir` (made when missing; it becomes the
// run's target and current folder), with ctx.Sync and ctx.VerifyRebuilds as
// set. Throws the problems, one a line, before anything is written; the
// pack's own folder is refused as for any rebuild ("Cannot create file").
Outcome BuildPack(RunContext& ctx, const ReplaceSet& set, const std::string& targetDir);

// Writes the patch `output` of the replaced entries whose new bytes differ
// from the old ones: the patch `diff` makes of the pack and of the pack
// BuildPack writes. False when a stop request ended it (nothing written);
// "Nothing to put in patch OUTPUT" when no entry changes.
bool SavePatch(RunContext& ctx, const ReplaceSet& set, const std::string& output,
               const patch::Manifest& manifest);

// Writes `logPath`, a result log that insertion rebuilds into the pack
// BuildPack writes: the replaced entries' lines name their files, every
// other entry's line is the path an extraction into the log's folder gives
// it, with no file there, so it keeps its old data ("NULL" for an empty
// one). Refused, besides the problems: a file standing at one of those
// paths ("File F would replace entry N (NAME)").
void SaveLog(const ReplaceSet& set, const std::string& logPath);

} // namespace pw::replace
