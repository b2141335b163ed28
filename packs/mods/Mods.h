#pragma once
// Playing with mods: patches installed into the game's own folder in a load
// order, the game's packs put back in one step, and after a game update an
// answer per entry to which mods still fit. Built on the patch code: the
// apply's plan and states (packs/patch/PatchApply.h), the rebuild's writer
// and the pair commit; the game's folder and Packwright's files in it are
// described in GameFolder.h, the journal that makes a deployment one step in
// DeployJournal.h.
//
// Every pack a listed patch changes is rebuilt from its vanilla (the game's
// own pair, kept once in .packwright/vanilla/) with the patches in list
// order; every pack the previous deployment changed that the new one does
// not goes back to vanilla. A pack the game or another tool wrote since
// the deployment (`changed`) is never written over nor put back without
// acceptUpdate, which takes it as the game's new vanilla.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "packs/Formathandlers.h"
#include "packs/RunContext.h"
#include "packs/mods/DeployJournal.h"
#include "packs/mods/GameFolder.h"
#include "packs/mods/History.h"
#include "packs/patch/PatchApply.h"

namespace pw::mods {

// What a pack the last deployment changed holds now: what it wrote
// (modded), something else (changed: a game update or another tool), the
// game's own pair again byte for byte (vanilla: the launcher repaired it),
// or nothing (missing).
enum class PackState { Modded, Changed, Vanilla, Missing };
const char* PackStateName(PackState state); // "modded", "changed", "vanilla", "missing"

enum class PackAction { Modify, Restore, Keep };
const char* PackActionName(PackAction action); // "modify", "restore", "keep"

struct DeployOptions {
    bool preferLater = false;  // a conflict: the later mod wins
    bool skipRefused = false;  // refused entries are left out, the rest is deployed
    bool acceptUpdate = false; // a changed pack is the game's new vanilla
    bool sync = false;         // every file and name on disk before it counts
};

struct PackStep {
    std::string index, data;  // the pack's file names in the game's folder
    PackAction action = PackAction::Modify;
    bool deployed = false;    // the last deployment changed it
    PackState state = PackState::Modded; // when deployed
    bool update = false;      // changed, and taken as the game's new vanilla
    std::vector<DeployedEntry> entries; // what the new deployment writes in it
};

struct DeployPlan {
    patch::ApplyPlan apply;             // every patched entry with its state
    std::vector<PackStep> packs;        // modified and kept first, in the patches' order, then restored
    std::vector<std::string> leftOut;   // skipRefused: each entry or pack left out
    std::vector<std::string> problems;  // why it cannot be deployed; empty when it can
    std::vector<std::string> absent;    // packs the game's folder does not hold (each also a problem)
    bool unchanged = false;             // the list deployed already: nothing to write
    bool Ok() const { return problems.empty(); }
    size_t Count(PackAction action) const;
    size_t Entries() const;             // entries the new deployment changes
};

struct ModStatus {
    std::string path, title, version, author;
    bool present = false; // the file is there, and the same
};
struct PackStatus {
    std::string name;
    PackState state = PackState::Modded;
    size_t entries = 0;
};
struct GameStatus {
    std::vector<ModStatus> mods;
    std::vector<PackStatus> packs;
    // Every pack modded, or nothing deployed.
    bool Ok() const;
};

// One mods command on one game folder: holds the folder's lock for its
// life, and first finishes or undoes a deployment a crash left (Recovery
// says which). "Another Packwright command is changing the mods of GAMEDIR".
class ModsSession {
public:
    explicit ModsSession(const std::string& gameDir);
    ~ModsSession();
    ModsSession(const ModsSession&) = delete;
    ModsSession& operator=(const ModsSession&) = delete;

    const std::string& Recovery() const { return recovery_; }
    const GameFolder& Game() const { return game_; }
    const Deployment& Deployed() const { return deployed_; }
    // The history record of what is deployed; 0 when none.
    uint64_t Current() const { return deployed_.id; }

    // The plan of deploying `patches` (full paths, in load order; none:
    // back to the game's own packs). Reads the patched entries; writes
    // nothing. "Cannot open file", "Damaged patch" for a patch. A pack the
    // game's folder does not hold is a problem of its own: "DEMO.fat is not
    // in GAMEDIR: is this the game's folder?". With `recordAs`, the record
    // and the history keep those paths for the patches.
    DeployPlan Plan(const std::vector<std::string>& patches, const DeployOptions& options,
                    const std::vector<std::string>& recordAs = {});
    // The plan of deploying a recorded deployment again from the store,
    // with its order and its setting (put in `options`), leaving out the
    // mods at the places `without`. "The patch TITLE (PATH) of deployment
    // ID is not kept in the store".
    DeployPlan PlanRecord(const HistoryRecord& record, DeployOptions& options,
                          const std::vector<size_t>& without = {});
    // Runs a plan of this session. Throws its problems, before anything is
    // written, when it is not Ok; a pack another program holds open is
    // refused before anything is written too. Stopped while the new packs
    // are built: nothing changed in the game's folder.
    Outcome Deploy(RunContext& ctx, const DeployPlan& plan, const DeployOptions& options);

    // What the game's folder holds, from file stamps: reads no data but
    // where a changed pack has its vanilla's lengths.
    GameStatus Status() const;
    // Reads everything: each modded pack holds its vanilla with the
    // deployment's entries, each kept vanilla its recorded hash. One finding
    // a line; empty when sound.
    std::vector<std::string> Verify(RunContext& ctx) const;

private:
    // The record a plan leaves and the journal's steps that get there; the
    // hash of a file kept from now on by `keptHash`.
    using KeptHash = std::function<uint64_t(const std::string& path)>;
    Deployment NextDeployment(const DeployPlan& plan, std::vector<JournalStep>& steps,
                              const KeptHash& keptHash) const;
    // Stores the patches and writes the next history record (as ID.new):
    // the journal's step that names it.
    JournalStep RecordHistory(Deployment& next, bool sync) const;
    PackState StateOf(const DeployedPack& pack) const;
    GameFolder game_;
    ModsLock lock_;
    std::string recovery_;
    Deployment deployed_;
    std::vector<std::unique_ptr<patch::PatchFile>> files_;
    std::vector<const patch::PatchFile*> patches_;
    std::vector<std::string> recordAs_;
};

// Whether another program holds the file open (not shared, as the engine
// opens every pack it writes; on Windows also without delete sharing), and
// the refusal that names its pack.
bool HeldElsewhere(const std::string& path);
std::string HeldMessage(const std::string& name, const std::string& path);
// The refusal of a changed pack, naming it.
std::string ChangedMessage(const std::string& name);
// A pack the game's folder does not hold.
std::string AbsentMessage(const std::string& name, const GameFolder& game);

} // namespace pw::mods
