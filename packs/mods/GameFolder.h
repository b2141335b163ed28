#pragma once
// The game's folder as the mods code keeps it. Packwright writes into the
// game's folder only the packs it deploys and one folder of its own:
//
//   GAMEDIR/.packwright/          layout version 2
//     lock                        held (flock; on Windows opened not shared)
//                                 by the one mods command at work
//     deployment                  the record of the last deployment (below)
//     deployment.new              the next record, while a deployment is
//                                 under way
//     journal                     the deployment's journal (DeployJournal.h)
//     vanilla/NAME.fat            the game's own pair of every pack that the
//     vanilla/NAME.mix            deployment changed, under the game's own
//                                 spelling of the names: hard-linked or moved
//                                 there, never copied; one per pack
//     stage/                      the new packs while they are built
//     history/ID                  each deployment and restore, as recorded
//                                 (History.h); ID a decimal number from 1,
//                                 never used twice while the folder stays
//     history/ID.new              the next one, while a deployment is under way
//     store/HASH.pwpatch          every patch a recorded deployment used,
//                                 once per content (HASH: the patch's own
//                                 checksum, its last 8 bytes, as 16 lower-
//                                 case hex digits): a copy of its own
//     bisect                      the search for the mod that breaks the
//                                 game, while it goes on (Bisect.h)
//
// Once a restore leaves no pack changed, the folder holds the history and
// the store and no pack data; once the history is emptied too (mods history
// --keep 0) the folder is removed, and the game's folder holds nothing of
// Packwright's.
//
// The record, the journal, the history and the search are UTF-8 text: one
// first line
//   "PWMODS <kind> <version> <hash>\n"
// (kind "deployment", "journal", "history" or "bisect"; version 2, and 1
// read as well: version 1 wrote no "id", "preferLater" nor "hash" in the
// record; hash: XXH3-64 of every byte after that line, 16 lower-case hex
// digits), then one JSON document. A file whose hash does not match is
// damaged. The record:
//   {"id": ID, "preferLater": BOOL,                                its history record
//    "mods":  [{"path", "title", "version", "author", "stamp",
//               "hash"}],                                          load order
//    "packs": [{"index": "MENU.fat", "data": "MENU.mix",           the game's names
//               "deployed": {"index": STAMP, "data": STAMP},       what it wrote there
//               "vanilla": {"index": STAMP, "data": STAMP,         the kept pair
//                           "indexHash": HEX, "dataHash": HEX},    their XXH3-64
//               "entries": [[index, size, HEX], ...]}]}            what it wrote in them
// A STAMP is [device, file number, length, time of last change of the data
// in nanoseconds] (core/FileIO.h): a rename and a hard link keep it, so a
// stamp tells a file apart from any other without reading it. "entries"
// are the entries the deployment changed, each with its new length and
// XXH3-64.
#include <cstdint>
#include <string>
#include <vector>

#include "core/FileIO.h"

namespace pw::mods {

inline constexpr int LayoutVersion = 2;

struct DeployedMod {
    std::string path, title, version, author;
    FileStamp stamp;   // of the patch file when it was deployed
    std::string hash;  // its content hash, as the store names it
};

struct DeployedEntry {
    uint32_t index = 0;
    int64_t size = 0;
    uint64_t hash = 0;
    bool operator==(const DeployedEntry&) const = default;
};

struct DeployedPack {
    std::string index, data;                 // file names in the game's folder
    FileStamp deployedIndex, deployedData;   // what the deployment put there
    FileStamp vanillaIndex, vanillaData;     // the kept pair
    uint64_t vanillaIndexHash = 0, vanillaDataHash = 0;
    std::vector<DeployedEntry> entries;      // in index order
};

struct Deployment {
    uint64_t id = 0;           // its history record; 0: none (layout version 1)
    bool preferLater = false;
    std::vector<DeployedMod> mods;
    std::vector<DeployedPack> packs;
    bool Empty() const { return mods.empty() && packs.empty(); }
};

// The paths of one game folder (a full path) and of Packwright's folder in it.
class GameFolder {
public:
    explicit GameFolder(const std::string& gameDir);
    const std::string& Dir() const { return dir_; }   // with a trailing separator
    std::string Game(const std::string& name) const { return dir_ + name; }
    std::string OwnDir() const;                        // GAMEDIR/.packwright
    std::string Own(const std::string& name) const;    // a file in it
    std::string VanillaDir() const;
    std::string Vanilla(const std::string& name) const;
    std::string StageDir() const;
    std::string Stage(const std::string& name) const;
    std::string HistoryDir() const;
    std::string StoreDir() const;
    // A path below the game folder written with "/" (as the journal keeps
    // it), in the system's spelling; and back.
    std::string FromRelative(const std::string& relative) const;
    std::string Relative(const std::string& path) const;

private:
    std::string dir_;
};

// 16 lower-case hex digits.
std::string HexText(uint64_t v);
// A file's text with its first line: kind, version and hash.
std::string SealedText(const std::string& kind, const std::string& json);
// The JSON text of a sealed file of `kind`; false when the file is not one
// whole such file of this version.
bool UnsealText(const std::vector<unsigned char>& bytes, const std::string& kind, std::string* json);

// The record of the last deployment; empty when there is none. "Damaged
// deployment record PATH" when it cannot be read.
Deployment ReadDeployment(const GameFolder& game);
std::string DeploymentText(const Deployment& d);
// Writes `text` as the file `path`, under its name only when complete;
// with `sync`, on disk when this returns.
void WriteWhole(const std::string& path, const std::string& text, bool sync);

// Holds the game folder's lock for its life; "Another Packwright command is
// changing the mods of GAMEDIR" when another process holds it. Creates
// Packwright's folder.
class ModsLock {
public:
    explicit ModsLock(const GameFolder& game);
    // Lets go of the lock and removes its file (a folder with nothing
    // deployed is removed after it).
    void Release();

private:
    std::string path_;
    File file_;
};

// Removes Packwright's folder when nothing is deployed: the empty vanilla,
// stage, history and store folders, the lock and the folder itself. A kept
// pack or a history record is never removed: a folder that still holds one
// stays.
void RemoveEmptyFolders(const GameFolder& game);
// Removes every file of the stage folder, the next record and the next
// history record.
void ClearStage(const GameFolder& game);

} // namespace pw::mods
