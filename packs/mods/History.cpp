// The history of a game folder's deployments and the store of their
// patches (History.h).
#include "packs/mods/History.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>

#include <nlohmann/json.hpp>

#include "core/Directory.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "core/FileSync.h"
#include "core/PendingFile.h"
#include "packs/patch/PatchFile.h"

namespace pw::mods {

namespace {

using Json = nlohmann::json;

// A record's file name: the decimal ID alone.
bool IdOfName(const std::string& name, uint64_t* id) {
    if (name.empty() || name.size() > 19 || name.find_first_not_of("0123456789") != std::string::npos ||
        name[0] == '0')
        return false;
    *id = std::stoull(name);
    return true;
}

void MakeFolder(const std::string& dir) {
    if (!IsDirectory(dir) && !MakeDirectory(dir)) ThrowCannotCreate(dir);
}

} // namespace

std::string HistoryPath(const GameFolder& game, uint64_t id) {
    return game.HistoryDir() + PathDelim + std::to_string(id);
}

std::string HistoryText(const HistoryRecord& r) {
    Json mods = Json::array(), packs = Json::array();
    for (const HistoryMod& m : r.mods)
        mods.push_back(
            {{"title", m.title}, {"version", m.version}, {"author", m.author}, {"path", m.path}, {"hash", m.hash}});
    for (const HistoryPack& p : r.packs) packs.push_back({{"name", p.name}, {"entries", p.entries}});
    const Json j = {{"id", r.id}, {"time", r.time}, {"prefer_later", r.preferLater}, {"mods", mods}, {"packs", packs}};
    return SealedText("history", j.dump(1, ' ', false, Json::error_handler_t::replace) + "\n");
}

HistoryRecord ReadHistoryRecord(const GameFolder& game, uint64_t id) {
    const std::string path = HistoryPath(game, id);
    if (!NamePresent(path))
        throw Error("No deployment " + std::to_string(id) + " is recorded in " + game.Dir());
    std::string text;
    if (!UnsealText(ReadWholeFile(path), "history", &text)) throw Error("Damaged history record " + path);
    HistoryRecord r;
    try {
        const Json j = Json::parse(text);
        r.id = j.at("id").get<uint64_t>();
        r.time = j.at("time").get<std::string>();
        r.preferLater = j.at("prefer_later").get<bool>();
        for (const Json& m : j.at("mods")) {
            HistoryMod mod{m.at("title").get<std::string>(), m.at("version").get<std::string>(),
                           m.at("author").get<std::string>(), m.at("path").get<std::string>(),
                           m.at("hash").get<std::string>()};
            if (mod.hash.size() != 16 || mod.hash.find_first_not_of("0123456789abcdef") != std::string::npos)
                throw std::runtime_error("hash");
            r.mods.push_back(std::move(mod));
        }
        for (const Json& p : j.at("packs")) r.packs.push_back({p.at("name").get<std::string>(), p.at("entries").get<size_t>()});
    } catch (const std::exception&) {
        throw Error("Damaged history record " + path);
    }
    if (r.id != id) throw Error("Damaged history record " + path);
    return r;
}

std::vector<uint64_t> HistoryIds(const GameFolder& game) {
    std::vector<uint64_t> ids;
    for (const DirEntry& e : ListDirectory(game.HistoryDir())) {
        uint64_t id = 0;
        if (!e.Folder && IdOfName(e.Name, &id)) ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::vector<HistoryRecord> ReadHistory(const GameFolder& game) {
    std::vector<HistoryRecord> records;
    const std::vector<uint64_t> ids = HistoryIds(game);
    for (auto id = ids.rbegin(); id != ids.rend(); ++id) records.push_back(ReadHistoryRecord(game, *id));
    return records;
}

uint64_t NextHistoryId(const GameFolder& game) {
    const std::vector<uint64_t> ids = HistoryIds(game);
    return ids.empty() ? 1 : ids.back() + 1;
}

std::string NowText() {
    using namespace std::chrono;
    const auto now = floor<seconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss time{now - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", int(date.year()), unsigned(date.month()),
                  unsigned(date.day()), int(time.hours().count()), int(time.minutes().count()),
                  int(time.seconds().count()));
    return text;
}

std::string PatchHash(const patch::PatchFile& patch) { return HexText(patch.Checksum()); }

std::string StoredPatch(const GameFolder& game, const std::string& hash) {
    return game.StoreDir() + PathDelim + hash + ".pwpatch";
}

void StorePatch(const GameFolder& game, const patch::PatchFile& patch, bool sync) {
    const std::string target = StoredPatch(game, PatchHash(patch));
    if (NamePresent(target)) return;
    MakeFolder(game.StoreDir());
    // A copy, never a hard link: a download rewritten in place (as cp and
    // most download tools do) would change the stored patch with it.
    PendingFile out(target, sync);
    CopyRange(patch.Fd(), 0, out.Fd(), patch.FileLength());
    out.Commit();
}

Pruned KeepHistory(const GameFolder& game, size_t keep, const std::vector<uint64_t>& alsoKeep) {
    Pruned pruned;
    const std::vector<uint64_t> ids = HistoryIds(game);
    std::set<std::string> used;
    for (size_t i = 0; i < ids.size(); ++i) {
        const bool kept = keep >= ids.size() - i ||
                          std::find(alsoKeep.begin(), alsoKeep.end(), ids[i]) != alsoKeep.end();
        if (kept) {
            for (const HistoryMod& m : ReadHistoryRecord(game, ids[i]).mods) used.insert(m.hash);
        } else {
            if (!RemoveFile(HistoryPath(game, ids[i]))) ThrowCannotCreate(HistoryPath(game, ids[i]));
            ++pruned.records;
        }
    }
    for (const DirEntry& e : ListDirectory(game.StoreDir())) {
        if (e.Folder || !e.Name.ends_with(".pwpatch")) continue;
        if (used.count(e.Name.substr(0, e.Name.size() - 8))) continue;
        const std::string path = game.StoreDir() + PathDelim + e.Name;
        if (!RemoveFile(path)) ThrowCannotCreate(path);
        ++pruned.patches;
    }
    return pruned;
}

} // namespace pw::mods
