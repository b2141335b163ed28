// Running a deployment: the new packs built in the stage, the next record,
// the journal, then its steps (DeployJournal.h).
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <future>
#include <system_error>

#include "core/Directory.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "core/FileSync.h"
#include "packs/mods/DeployJournal.h"
#include "packs/mods/Mods.h"
#include "packs/patch/Hash.h"

namespace pw::mods {

namespace {

// Every file the deployment will move is looked at again right before
// anything is written: another program may have opened it since the plan.
void RefuseHeld(const std::string& path, const std::string& name) {
    if (HeldElsewhere(path)) throw Error(HeldMessage(name, path));
}

uint64_t HashOfFile(const std::string& path) {
    const File f = OpenReadNotShared(path);
    return patch::HashFileRange(f.Fd(), 0, f.Size());
}

// The hashes of the packs' files kept from now on, read one file after
// the other on a thread of its own while the rebuild reads the same files.
// The rebuild holds a file's lock, so the file is opened here without it
// (where the system lets a second opener in at all). A hash counts only
// when its file still bears the stamp it had before the read; else, and
// when it could not be read ahead, the file is read again, locked, as the
// hash is asked for.
class KeptHashes {
public:
    explicit KeptHashes(std::vector<std::string> paths) : paths_(std::move(paths)), read_(paths_.size()) {
        if (paths_.empty()) return;
        try {
            done_ = std::async(std::launch::async, [this] { ReadAll(); });
        } catch (const std::system_error&) {
            // No thread to be had: each file is read when asked for.
        }
    }
    ~KeptHashes() {
        stop_ = true;
        if (done_.valid()) done_.wait();
    }
    KeptHashes(const KeptHashes&) = delete;
    KeptHashes& operator=(const KeptHashes&) = delete;

    uint64_t Value(const std::string& path) {
        if (done_.valid()) done_.get(); // ReadAll throws nothing
        for (size_t i = 0; i < paths_.size(); ++i)
            if (paths_[i] == path && read_[i].ok && StampOfPath(path) == read_[i].stamp) return read_[i].hash;
        return HashOfFile(path);
    }

private:
    struct Read {
        FileStamp stamp;
        uint64_t hash = 0;
        bool ok = false;
    };
    void ReadAll() noexcept {
        try {
            std::vector<unsigned char> buffer(64 * 1024);
            for (size_t i = 0; i < paths_.size() && !stop_; ++i) {
                Read& r = read_[i];
                r.stamp = StampOfPath(paths_[i]);
                const File f = HoldFile(paths_[i]);
                if (!f.IsOpen() || f.Id() != r.stamp.id) continue;
                patch::StreamHash hash;
                int64_t done = 0;
                for (; done < r.stamp.size && !stop_; done += int64_t(buffer.size())) {
                    const size_t n = size_t(std::min<int64_t>(int64_t(buffer.size()), r.stamp.size - done));
                    ReadAt(f.Fd(), buffer.data(), n, done);
                    hash.Add(buffer.data(), n);
                }
                r.hash = hash.Value();
                r.ok = !stop_;
            }
        } catch (const std::exception&) {
            // What is not read ahead is read when asked for, where a failure is reported.
        }
    }
    std::vector<std::string> paths_;
    std::vector<Read> read_;
    std::atomic<bool> stop_ = false;
    std::future<void> done_;
};

// The current folder put back at the end of a scope (a rebuild runs in its
// target folder, here the stage, which goes afterwards).
class CurrentFolder {
public:
    CurrentFolder() {
        std::error_code ec;
        path_ = PathText(std::filesystem::current_path(ec));
    }
    ~CurrentFolder() {
        if (!path_.empty()) ChangeDirectory(path_);
    }

private:
    std::string path_;
};

JournalStep Move(const GameFolder& g, const std::string& from, const std::string& to) {
    JournalStep s;
    s.kind = JournalStep::Move;
    s.from = g.Relative(from);
    s.to = g.Relative(to);
    s.stamp = StampOfPath(from);
    if (!s.stamp.Present()) ThrowCannotOpen(from); // before the journal: a step that cannot be run
    return s;
}

JournalStep Remove(const GameFolder& g, const std::string& path, const FileStamp& stamp, const std::string& keptAt) {
    JournalStep s;
    s.kind = JournalStep::Remove;
    s.to = g.Relative(path);
    s.stamp = stamp;
    if (!keptAt.empty()) s.keptAt = g.Relative(keptAt);
    return s;
}

JournalStep Pair(const GameFolder& g, const std::string& fromIndex, const std::string& fromData,
                 const std::string& index, const std::string& data) {
    JournalStep s;
    s.kind = JournalStep::Pair;
    s.from = g.Relative(fromIndex);
    s.fromData = g.Relative(fromData);
    s.to = g.Relative(index);
    s.toData = g.Relative(data);
    s.stamp = StampOfPath(fromIndex);
    s.dataStamp = StampOfPath(fromData);
    // A kept pair gone (removed by hand, say): refused before the journal,
    // which could never be finished without it.
    if (!s.stamp.Present()) ThrowCannotOpen(fromIndex);
    if (!s.dataStamp.Present()) ThrowCannotOpen(fromData);
    return s;
}

} // namespace

Deployment ModsSession::NextDeployment(const DeployPlan& plan, std::vector<JournalStep>& steps,
                                       const KeptHash& keptHash) const {
    const GameFolder& g = game_;
    Deployment next;
    for (size_t i = 0; i < patches_.size(); ++i) {
        const patch::PatchFile* p = patches_[i];
        next.mods.push_back({recordAs_[i], p->Info().title, p->Info().version, p->Info().author,
                             StampOfPath(p->Path()), PatchHash(*p)});
    }
    std::vector<JournalStep> drops, keeps, pairs, unkeeps;
    if (!IsDirectory(g.VanillaDir()) && !MakeDirectory(g.VanillaDir())) ThrowCannotCreate(g.VanillaDir());
    for (const PackStep& p : plan.packs) {
        const DeployedPack* rec = nullptr;
        for (const DeployedPack& d : deployed_.packs)
            if (d.index == p.index) rec = &d;
        if (p.update) {
            drops.push_back(Remove(g, g.Vanilla(rec->index), rec->vanillaIndex, ""));
            drops.push_back(Remove(g, g.Vanilla(rec->data), rec->vanillaData, ""));
        }
        if (p.action == PackAction::Keep) {
            next.packs.push_back(*rec);
            continue;
        }
        if (p.action == PackAction::Restore) {
            if (p.update) continue; // the game's new version stays
            pairs.push_back(Pair(g, g.Vanilla(p.index), g.Vanilla(p.data), g.Game(p.index), g.Game(p.data)));
            unkeeps.push_back(Remove(g, g.Vanilla(p.index), rec->vanillaIndex, g.Game(p.index)));
            unkeeps.push_back(Remove(g, g.Vanilla(p.data), rec->vanillaData, g.Game(p.data)));
            continue;
        }
        DeployedPack pack;
        pack.index = p.index;
        pack.data = p.data;
        pack.entries = p.entries;
        if (rec && !p.update) {
            pack.vanillaIndex = rec->vanillaIndex;
            pack.vanillaData = rec->vanillaData;
            pack.vanillaIndexHash = rec->vanillaIndexHash;
            pack.vanillaDataHash = rec->vanillaDataHash;
        } else {
            // Kept now: the game's own pair, hashed for verify.
            pack.vanillaIndex = StampOfPath(g.Game(p.index));
            pack.vanillaData = StampOfPath(g.Game(p.data));
            pack.vanillaIndexHash = keptHash(g.Game(p.index));
            pack.vanillaDataHash = keptHash(g.Game(p.data));
            keeps.push_back(Move(g, g.Game(p.index), g.Vanilla(p.index)));
            keeps.push_back(Move(g, g.Game(p.data), g.Vanilla(p.data)));
        }
        std::string stagedIndex, stagedData;
        for (const patch::ApplyPackPlan& a : plan.apply.packs)
            if (a.refusal.empty() && !a.takes.empty() && SameTextAscii(ExtractFileName(a.sourceIndex), p.index)) {
                stagedIndex = a.targetIndex;
                stagedData = a.targetData;
            }
        pack.deployedIndex = StampOfPath(stagedIndex);
        pack.deployedData = StampOfPath(stagedData);
        pairs.push_back(Pair(g, stagedIndex, stagedData, g.Game(p.index), g.Game(p.data)));
        next.packs.push_back(std::move(pack));
    }
    steps = drops;
    steps.insert(steps.end(), keeps.begin(), keeps.end());
    steps.insert(steps.end(), pairs.begin(), pairs.end());
    steps.insert(steps.end(), unkeeps.begin(), unkeeps.end());
    return next;
}


JournalStep ModsSession::RecordHistory(Deployment& next, bool sync) const {
    const GameFolder& g = game_;
    HistoryRecord record;
    record.id = NextHistoryId(g);
    record.time = NowText();
    record.preferLater = next.preferLater;
    for (size_t i = 0; i < patches_.size(); ++i) {
        StorePatch(g, *patches_[i], sync);
        const DeployedMod& m = next.mods[i];
        record.mods.push_back({m.title, m.version, m.author, m.path, m.hash});
    }
    for (const DeployedPack& p : next.packs) record.packs.push_back({p.index, p.entries.size()});
    if (!next.Empty()) next.id = record.id;
    if (!IsDirectory(g.HistoryDir()) && !MakeDirectory(g.HistoryDir())) ThrowCannotCreate(g.HistoryDir());
    const std::string path = HistoryPath(g, record.id);
    WriteWhole(path + ".new", HistoryText(record), sync);
    return Move(g, path + ".new", path);
}

Outcome ModsSession::Deploy(RunContext& ctx, const DeployPlan& plan, const DeployOptions& options) {
    if (!plan.Ok()) {
        std::string text;
        for (const std::string& p : plan.problems) text += (text.empty() ? "" : "\n") + p;
        throw Error(text);
    }
    if (plan.unchanged) return Outcome::Done;
    const GameFolder& g = game_;
    for (const PackStep& p : plan.packs) {
        if (p.action == PackAction::Keep) continue;
        RefuseHeld(g.Game(p.index), p.index);
        RefuseHeld(g.Game(p.data), p.index);
    }
    // The packs kept from now on are hashed while the new ones are built.
    std::vector<std::string> keeping;
    for (const PackStep& p : plan.packs)
        if (p.action == PackAction::Modify && (!p.deployed || p.update)) {
            keeping.push_back(g.Game(p.index));
            keeping.push_back(g.Game(p.data));
        }
    KeptHashes kept(std::move(keeping));
    const KeptHash keptHash = [&kept](const std::string& path) { return kept.Value(path); };

    // The new packs, built from their vanilla into the stage.
    patch::ApplyPlan build = plan.apply;
    build.packs.clear();
    for (const patch::ApplyPackPlan& a : plan.apply.packs) {
        for (const PackStep& p : plan.packs)
            if (p.action == PackAction::Modify && a.refusal.empty() && !a.takes.empty() &&
                SameTextAscii(ExtractFileName(a.sourceIndex), p.index)) {
                patch::ApplyPackPlan pack = a;
                std::erase_if(pack.entries, [](const patch::ApplyEntryPlan& e) {
                    return e.state == patch::ApplyState::Refused;
                });
                pack.refused = 0;
                build.packs.push_back(std::move(pack));
            }
    }
    if (!IsDirectory(g.StageDir()) && !MakeDirectory(g.StageDir())) ThrowCannotCreate(g.StageDir());
    ClearStage(g);
    // This deployment's settings of the run, the caller's given back after it.
    struct Settings {
        RunContext& ctx;
        bool sync, writeBackEarly;
        ~Settings() {
            ctx.Sync = sync;
            ctx.WriteBackEarly = writeBackEarly;
        }
    } callers{ctx, ctx.Sync, ctx.WriteBackEarly};
    ctx.Sync = options.sync;
    ctx.WriteBackEarly = true;
    try {
        CurrentFolder here;
        if (!build.packs.empty() && patch::RunApply(ctx, build, g.StageDir()) == Outcome::Stopped) {
            ClearStage(g);
            return Outcome::Stopped;
        }
    } catch (const Error& e) {
        ClearStage(g);
        throw Error(std::string(e.what()) + "\nNothing was deployed: the game's folder is as it was");
    }
    DeployHookAt(DeployMoment::Built);

    // The next record and the journal of every change to the game's folder.
    Deployment next;
    std::vector<JournalStep> steps;
    try {
        next = NextDeployment(plan, steps, keptHash);
        next.preferLater = options.preferLater;
        steps.push_back(RecordHistory(next, options.sync));
        if (!next.Empty()) {
            WriteWhole(g.Own("deployment.new"), SealedText("deployment", DeploymentText(next)), options.sync);
            DeployHookAt(DeployMoment::Recorded);
            steps.push_back(Move(g, g.Own("deployment.new"), g.Own("deployment")));
        } else if (NamePresent(g.Own("deployment"))) {
            steps.push_back(Remove(g, g.Own("deployment"), StampOfPath(g.Own("deployment")), ""));
        }
        WriteWhole(g.Own("journal"), JournalText(steps), options.sync);
    } catch (const Error& e) {
        // None of the steps has run: a journal that got its name before the
        // failure (its folder's sync, say) goes too, or the next command
        // would run it without the staged packs and could never finish it.
        RemoveFile(g.Own("journal"));
        ClearStage(g);
        throw Error(std::string(e.what()) + "\nNothing was deployed: the game's folder is as it was");
    }
    DeployHookAt(DeployMoment::Journaled);

    try {
        RunSteps(g, steps, options.sync);
    } catch (const Error& e) {
        throw Error(std::string(e.what()) + "\nThe next mods command finishes the deployment");
    }
    ClearStage(g);
    RemoveFile(g.Own("journal"));
    if (options.sync) SyncFolder(g.OwnDir());
    deployed_ = std::move(next);
    DeployHookAt(DeployMoment::Finished);
    return Outcome::Done;
}

} // namespace pw::mods
