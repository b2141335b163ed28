#pragma once
// Every deployment and restore of a game folder, kept to go back to.
//
// .packwright/history/ID is one record, sealed as GameFolder.h describes
// (kind "history"), holding:
//   {"id": ID, "time": "2026-01-31T12:00:00Z" (UTC),
//    "prefer_later": BOOL,
//    "mods":  [{"title", "version", "author", "path", "hash"}],  load order; [] for a restore
//    "packs": [{"name": "MENU.fat", "entries": N}]}            the packs it left changed
// "path" is where the patch was when it was deployed; "hash" names its copy
// in .packwright/store/ (HASH.pwpatch), kept as long as a record names it,
// so that a deployment can be brought back after its downloaded files were
// deleted or replaced. A record gets its name through the deployment's
// journal, so it stands there exactly when its deployment happened.
#include <cstdint>
#include <string>
#include <vector>

#include "packs/mods/GameFolder.h"

namespace pw::patch {
class PatchFile;
}

namespace pw::mods {

struct HistoryMod {
    std::string title, version, author, path, hash;
};
struct HistoryPack {
    std::string name;
    size_t entries = 0;
};
struct HistoryRecord {
    uint64_t id = 0;
    std::string time;
    bool preferLater = false;
    std::vector<HistoryMod> mods;
    std::vector<HistoryPack> packs;
};

std::string HistoryPath(const GameFolder& game, uint64_t id);
std::string HistoryText(const HistoryRecord& record);
// The record ID: "No deployment ID is recorded in GAMEDIR", "Damaged
// history record PATH".
HistoryRecord ReadHistoryRecord(const GameFolder& game, uint64_t id);
// The recorded IDs, oldest first; and every record, newest first.
std::vector<uint64_t> HistoryIds(const GameFolder& game);
std::vector<HistoryRecord> ReadHistory(const GameFolder& game);
// The number of the next record: one past every number that stands there.
uint64_t NextHistoryId(const GameFolder& game);
// Now, in UTC, as "YYYY-MM-DDTHH:MM:SSZ".
std::string NowText();

// The content hash of a patch, as the store names it.
std::string PatchHash(const patch::PatchFile& patch);
std::string StoredPatch(const GameFolder& game, const std::string& hash);
// Keeps `patch` in the store unless it is there: a copy of its own (never
// a hard link to the download, which may be rewritten in place), named
// only when whole.
void StorePatch(const GameFolder& game, const patch::PatchFile& patch, bool sync);

// Keeps the newest `keep` records and those in `alsoKeep` (the current
// one, a search's start), and deletes the others and every stored patch
// none of the kept ones names. Returns how many records and patches went.
struct Pruned {
    size_t records = 0, patches = 0;
};
Pruned KeepHistory(const GameFolder& game, size_t keep, const std::vector<uint64_t>& alsoKeep);

} // namespace pw::mods
