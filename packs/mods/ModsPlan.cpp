// The session on a game folder, and the plan of a deployment: the patches
// checked against each pack's vanilla, and what happens to each pack.
#include <algorithm>

#include "core/Error.h"
#include "core/FileSync.h"
#include "core/FileNames.h"
#include "packs/mods/DeployJournal.h"
#include "packs/mods/Mods.h"

namespace pw::mods {

const char* PackStateName(PackState state) {
    switch (state) {
    case PackState::Modded: return "modded";
    case PackState::Changed: return "changed";
    case PackState::Vanilla: return "vanilla";
    case PackState::Missing: return "missing";
    }
    return "";
}

const char* PackActionName(PackAction action) {
    switch (action) {
    case PackAction::Modify: return "modify";
    case PackAction::Restore: return "restore";
    case PackAction::Keep: return "keep";
    }
    return "";
}

std::string ChangedMessage(const std::string& name) {
    return name + " changed since the mods were deployed (a game update?); --accept-update takes it as the game's "
                  "new version";
}

std::string AbsentMessage(const std::string& name, const GameFolder& game) {
    return name + " is not in " + game.Dir().substr(0, game.Dir().size() - 1) + ": is this the game's folder?";
}

bool HeldElsewhere(const std::string& path) {
    FileInfo info;
    bool busy = false;
    if (!OpenReadNotSharedIfExists(path, &info, &busy).IsOpen()) return busy;
    // Closed again before the question, which our own open would answer.
    return !NameCanBeReplaced(path);
}

std::string HeldMessage(const std::string& name, const std::string& path) {
    return name + " is open in another program (" + path + "): the game must not be running";
}

size_t DeployPlan::Count(PackAction action) const {
    return size_t(std::count_if(packs.begin(), packs.end(), [&](const PackStep& p) { return p.action == action; }));
}

size_t DeployPlan::Entries() const {
    size_t n = 0;
    for (const PackStep& p : packs)
        if (p.action != PackAction::Restore) n += p.entries.size();
    return n;
}

bool GameStatus::Ok() const {
    return std::all_of(packs.begin(), packs.end(), [](const PackStatus& p) { return p.state == PackState::Modded; });
}

ModsSession::ModsSession(const std::string& gameDir) : game_(gameDir), lock_(game_) {
    recovery_ = RecoverDeployment(game_);
    deployed_ = ReadDeployment(game_);
}

ModsSession::~ModsSession() {
    lock_.Release();
    RemoveEmptyFolders(game_);
}

DeployPlan ModsSession::Plan(const std::vector<std::string>& paths, const DeployOptions& options,
                             const std::vector<std::string>& recordAs) {
    DeployPlan plan;
    files_.clear();
    patches_ = patch::OpenPatches(paths, files_);
    recordAs_ = recordAs.size() == paths.size() ? recordAs : paths;

    std::vector<PackState> states;
    for (const DeployedPack& p : deployed_.packs) {
        states.push_back(StateOf(p));
        if (states.back() == PackState::Changed && !options.acceptUpdate) plan.problems.push_back(ChangedMessage(p.index));
    }
    auto recorded = [&](const std::string& name) -> int {
        for (size_t i = 0; i < deployed_.packs.size(); ++i)
            if (SameTextAscii(deployed_.packs[i].index, name)) return int(i);
        return -1;
    };
    auto updated = [&](int i) { return i >= 0 && states[size_t(i)] == PackState::Changed && options.acceptUpdate; };
    // Each pack is checked against its vanilla: the kept pair, or the game's
    // own when none is kept (or an update replaces it).
    const patch::PackSource sourceOf = [&](const std::string& name) {
        const int i = recorded(name);
        if (i >= 0 && !updated(i)) return game_.Vanilla(deployed_.packs[size_t(i)].index);
        return patch::GamePackPath(game_.Dir(), name);
    };
    // A pack another program holds (the game running) is named as such.
    std::vector<std::string> held;
    auto checkHeld = [&](const std::string& indexPath) {
        const std::string name = ExtractFileName(indexPath);
        for (const std::string& path : {indexPath, FindCaseInsensitive(ChangeFileExt(indexPath, ".mix"))})
            if (HeldElsewhere(path) && std::find(held.begin(), held.end(), UpperCaseAscii(name)) == held.end()) {
                held.push_back(UpperCaseAscii(name));
                plan.problems.push_back(HeldMessage(name, path));
            }
    };
    // A pack the folder does not hold: the wrong folder, most likely.
    std::vector<std::string> absent;
    for (const patch::PatchFile* f : patches_)
        for (const patch::PatchPack& p : f->Packs())
            if (recorded(p.name) < 0 && !NamePresent(patch::GamePackPath(game_.Dir(), p.name)) &&
                std::find(absent.begin(), absent.end(), UpperCaseAscii(p.name)) == absent.end()) {
                absent.push_back(UpperCaseAscii(p.name));
                plan.absent.push_back(p.name);
                plan.problems.push_back(AbsentMessage(p.name, game_));
            }
    for (const DeployedPack& p : deployed_.packs) checkHeld(game_.Game(p.index));
    for (const patch::PatchFile* f : patches_)
        for (const patch::PatchPack& p : f->Packs())
            if (std::find(absent.begin(), absent.end(), UpperCaseAscii(p.name)) == absent.end())
                checkHeld(patch::GamePackPath(game_.Dir(), p.name));
    plan.apply = patch::PlanApply(patches_, sourceOf, game_.StageDir(), options.preferLater);

    std::vector<bool> kept(deployed_.packs.size(), false);
    for (const patch::ApplyPackPlan& p : plan.apply.packs) {
        if (std::find(held.begin(), held.end(), UpperCaseAscii(p.name)) != held.end() ||
            std::find(absent.begin(), absent.end(), UpperCaseAscii(p.name)) != absent.end())
            continue;
        if (!p.refusal.empty()) {
            (options.skipRefused ? plan.leftOut : plan.problems).push_back(p.refusal);
            continue;
        }
        for (const patch::ApplyEntryPlan& e : p.entries) {
            if (e.state == patch::ApplyState::Refused)
                (options.skipRefused ? plan.leftOut : plan.problems).push_back(e.message);
            else if (e.state == patch::ApplyState::Conflict && !e.wins)
                plan.problems.push_back(e.message);
        }
        if (p.takes.empty()) continue; // the pack holds every patch's data already
        PackStep step;
        const int i = recorded(p.name);
        if (i >= 0) {
            const DeployedPack& rec = deployed_.packs[size_t(i)];
            step.index = rec.index;
            step.data = rec.data;
            step.deployed = true;
            step.state = states[size_t(i)];
            step.update = updated(i);
            kept[size_t(i)] = true;
        } else {
            step.index = ExtractFileName(p.sourceIndex);
            step.data = ExtractFileName(FindCaseInsensitive(ChangeFileExt(p.sourceIndex, ".mix")));
        }
        for (const patch::ApplyTake& t : p.takes)
            step.entries.push_back({uint32_t(t.index), t.entry->newSize, t.entry->newHash});
        step.action = i >= 0 && step.state == PackState::Modded && deployed_.packs[size_t(i)].entries == step.entries
                          ? PackAction::Keep
                          : PackAction::Modify;
        plan.packs.push_back(std::move(step));
    }
    for (size_t i = 0; i < deployed_.packs.size(); ++i) {
        if (kept[i]) continue;
        PackStep step;
        step.index = deployed_.packs[i].index;
        step.data = deployed_.packs[i].data;
        step.action = PackAction::Restore;
        step.deployed = true;
        step.state = states[i];
        step.update = updated(int(i));
        plan.packs.push_back(std::move(step));
    }

    bool sameMods = deployed_.mods.size() == patches_.size();
    for (size_t i = 0; sameMods && i < patches_.size(); ++i)
        sameMods = deployed_.mods[i].path == recordAs_[i] &&
                   deployed_.mods[i].stamp == StampOfPath(patches_[i]->Path());
    plan.unchanged = sameMods && deployed_.preferLater == options.preferLater &&
                     plan.Count(PackAction::Modify) == 0 && plan.Count(PackAction::Restore) == 0;
    return plan;
}

DeployPlan ModsSession::PlanRecord(const HistoryRecord& record, DeployOptions& options,
                                   const std::vector<size_t>& without) {
    std::vector<std::string> paths, recordAs;
    for (size_t i = 0; i < record.mods.size(); ++i) {
        if (std::find(without.begin(), without.end(), i) != without.end()) continue;
        const HistoryMod& m = record.mods[i];
        const std::string stored = StoredPatch(game_, m.hash);
        if (!NamePresent(stored))
            throw Error("The patch " + m.title + " (" + m.path + ") of deployment " + std::to_string(record.id) +
                        " is not kept in the store");
        paths.push_back(stored);
        recordAs.push_back(m.path);
    }
    options.preferLater = record.preferLater;
    DeployPlan plan = Plan(paths, options, recordAs);
    for (size_t i = 0; i < patches_.size(); ++i)
        if (PatchHash(*patches_[i]) + ".pwpatch" != ExtractFileName(paths[i])) throw Error("Damaged patch " + paths[i]);
    return plan;
}

} // namespace pw::mods
