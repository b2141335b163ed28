// The deployment's journal: its steps, written, read and run again (the
// protocol is described in DeployJournal.h).
#include "packs/mods/DeployJournal.h"

#include <atomic>

#include <nlohmann/json.hpp>

#include "core/Directory.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "core/FileSync.h"
#include "core/PairCommit.h"

namespace pw::mods {

namespace {

using Json = nlohmann::json;

std::atomic<DeployHook> deployHook{nullptr};

Json StampJson(const FileStamp& s) { return Json::array({s.id.dev, s.id.ino, s.size, s.modified}); }

FileStamp StampOf(const Json& j) {
    if (!j.is_array() || j.size() != 4) throw std::runtime_error("stamp");
    return {{j[0].get<uint64_t>(), j[1].get<uint64_t>()}, j[2].get<int64_t>(), j[3].get<int64_t>()};
}

// A path below the game's folder: no empty, "." or ".." level, no
// separator of another system, no control character.
std::string RelativePath(const Json& j) {
    const std::string s = j.get<std::string>();
    size_t start = 0;
    for (;;) {
        const size_t end = s.find('/', start);
        const std::string level = s.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (level.empty() || level == "." || level == ".." || level.find_first_of("\\:") != std::string::npos)
            throw std::runtime_error("path");
        if (end == std::string::npos) break;
        start = end + 1;
    }
    for (unsigned char c : s)
        if (c < 32) throw std::runtime_error("path");
    return s;
}

[[noreturn]] void CannotGoOn(const GameFolder& game, const std::string& path) {
    throw Error("The interrupted deployment of " + game.Dir() + " cannot go on: " + path + " has changed");
}

void MoveStep(const GameFolder& game, const JournalStep& s) {
    const std::string from = game.FromRelative(s.from), to = game.FromRelative(s.to);
    if (StampOfPath(to) == s.stamp) return;
    if (StampOfPath(from) != s.stamp) CannotGoOn(game, from);
    if (NamePresent(to) ? RenameReplacing(from, to) : (LinkFile(from, to) || RenameReplacing(from, to))) return;
    ThrowCannotCreate(to);
}

void RemoveStep(const GameFolder& game, const JournalStep& s) {
    const std::string path = game.FromRelative(s.to);
    if (StampOfPath(path) != s.stamp) return;
    if (!s.keptAt.empty() && StampOfPath(game.FromRelative(s.keptAt)) != s.stamp) return;
    if (!RemoveFile(path)) ThrowCannotCreate(path);
}

void PairStep(const GameFolder& game, const JournalStep& s, bool sync) {
    const std::string index = game.FromRelative(s.to), data = game.FromRelative(s.toData);
    const std::string fromIndex = game.FromRelative(s.from), fromData = game.FromRelative(s.fromData);
    FinishInterruptedCommit(index);
    const bool needIndex = StampOfPath(index) != s.stamp, needData = StampOfPath(data) != s.dataStamp;
    if (!needIndex && !needData) return;
    if (needIndex && StampOfPath(fromIndex) != s.stamp) CannotGoOn(game, fromIndex);
    if (needData && StampOfPath(fromData) != s.dataStamp) CannotGoOn(game, fromData);
    if (needIndex && needData) {
        PairCommit commit(index, data, sync);
        if (commit.CommitLinked(fromData, fromIndex, data, index)) return;
    }
    // Where no hard link can be made: two renames, the data file first.
    if (needData && !RenameReplacing(fromData, data)) ThrowCannotCreate(data);
    if (needIndex && !RenameReplacing(fromIndex, index)) ThrowCannotCreate(index);
}

} // namespace

std::string JournalText(const std::vector<JournalStep>& steps) {
    Json list = Json::array();
    for (const JournalStep& s : steps) {
        switch (s.kind) {
        case JournalStep::Move:
            list.push_back({{"op", "move"}, {"from", s.from}, {"to", s.to}, {"stamp", StampJson(s.stamp)}});
            break;
        case JournalStep::Remove:
            list.push_back({{"op", "remove"}, {"path", s.to}, {"stamp", StampJson(s.stamp)}, {"keptAt", s.keptAt}});
            break;
        case JournalStep::Pair:
            list.push_back({{"op", "pair"},
                            {"index", s.to},
                            {"data", s.toData},
                            {"fromIndex", s.from},
                            {"fromData", s.fromData},
                            {"indexStamp", StampJson(s.stamp)},
                            {"dataStamp", StampJson(s.dataStamp)}});
            break;
        }
    }
    return SealedText("journal", Json{{"steps", list}}.dump(1) + "\n");
}

bool ReadJournal(const std::vector<unsigned char>& bytes, std::vector<JournalStep>* steps) {
    std::string text;
    if (!UnsealText(bytes, "journal", &text)) return false;
    try {
        const Json journal = Json::parse(text);
        for (const Json& j : journal.at("steps")) {
            JournalStep s;
            const std::string op = j.at("op").get<std::string>();
            if (op == "move") {
                s.kind = JournalStep::Move;
                s.from = RelativePath(j.at("from"));
                s.to = RelativePath(j.at("to"));
                s.stamp = StampOf(j.at("stamp"));
            } else if (op == "remove") {
                s.kind = JournalStep::Remove;
                s.to = RelativePath(j.at("path"));
                s.stamp = StampOf(j.at("stamp"));
                if (!j.at("keptAt").get<std::string>().empty()) s.keptAt = RelativePath(j.at("keptAt"));
            } else if (op == "pair") {
                s.kind = JournalStep::Pair;
                s.to = RelativePath(j.at("index"));
                s.toData = RelativePath(j.at("data"));
                s.from = RelativePath(j.at("fromIndex"));
                s.fromData = RelativePath(j.at("fromData"));
                s.stamp = StampOf(j.at("indexStamp"));
                s.dataStamp = StampOf(j.at("dataStamp"));
            } else {
                return false;
            }
            steps->push_back(std::move(s));
        }
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

void SetDeployHook(DeployHook hook) { deployHook.store(hook); }

void DeployHookAt(DeployMoment moment, size_t step) {
    if (DeployHook hook = deployHook.load()) hook(moment, step);
}

void RunSteps(const GameFolder& game, const std::vector<JournalStep>& steps, bool sync) {
    for (size_t i = 0; i < steps.size(); ++i) {
        const JournalStep& s = steps[i];
        switch (s.kind) {
        case JournalStep::Move: MoveStep(game, s); break;
        case JournalStep::Remove: RemoveStep(game, s); break;
        case JournalStep::Pair: PairStep(game, s, sync); break;
        }
        DeployHookAt(DeployMoment::StepDone, i);
    }
    if (sync) {
        SyncFolder(game.Dir());
        SyncFolder(game.VanillaDir());
        SyncFolder(game.OwnDir());
    }
}

std::string RecoverDeployment(const GameFolder& game) {
    // A record or journal killed while it got its name: its temporary file.
    RemoveLeftovers(game.OwnDir() + PathDelim);
    const std::string journal = game.Own("journal");
    std::vector<JournalStep> steps;
    if (NamePresent(journal)) {
        // Its steps may have run in part: undoing them unread could leave
        // some packs with the new deployment and the others with the old.
        if (!ReadJournal(ReadWholeFile(journal), &steps)) throw Error("Damaged deployment journal " + journal);
        // On disk before the journal goes, whatever the command: the one
        // that wrote the journal may have been run with --sync.
        RunSteps(game, steps, true);
        ClearStage(game);
        RemoveFile(journal);
        return "An interrupted deployment in " + game.Dir() + " was finished: every pack holds the new one";
    }
    bool left = NamePresent(game.Own("deployment.new"));
    for (const DirEntry& e : ListDirectory(game.StageDir())) left = left || !e.Folder;
    for (const DirEntry& e : ListDirectory(game.HistoryDir())) left = left || e.Name.ends_with(".new");
    if (!left) return "";
    ClearStage(game);
    return "An interrupted deployment in " + game.Dir() + " was undone: every pack holds the previous one";
}

} // namespace pw::mods
