// The game folder's own files: paths, the sealed text files, the record of
// the last deployment and the lock (their layout: GameFolder.h).
#include "packs/mods/GameFolder.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>

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

std::string Hex(uint64_t v) {
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, v);
    return text;
}

uint64_t FromHex(const Json& j) {
    const std::string s = j.get<std::string>();
    if (s.size() != 16 || s.find_first_not_of("0123456789abcdef") != std::string::npos)
        throw std::runtime_error("hex");
    return std::stoull(s, nullptr, 16);
}

Json StampJson(const FileStamp& s) {
    return Json::array({s.id.dev, s.id.ino, s.size, s.modified});
}

FileStamp StampOf(const Json& j) {
    if (!j.is_array() || j.size() != 4) throw std::runtime_error("stamp");
    FileStamp s;
    s.id.dev = j[0].get<uint64_t>();
    s.id.ino = j[1].get<uint64_t>();
    s.size = j[2].get<int64_t>();
    s.modified = j[3].get<int64_t>();
    return s;
}

// A plain file name, as the record keeps the game's packs: no separator,
// no control character, not "." nor "..".
std::string PlainName(const Json& j) {
    const std::string s = j.get<std::string>();
    if (s.empty() || s == "." || s == ".." || s.find_first_of("/\\:") != std::string::npos) throw std::runtime_error("name");
    for (unsigned char c : s)
        if (c < 32) throw std::runtime_error("name");
    return s;
}

} // namespace

std::string HexText(uint64_t v) { return Hex(v); }

GameFolder::GameFolder(const std::string& gameDir) : dir_(gameDir) {
    if (dir_.empty() || PathSeparators.find(dir_.back()) == std::string_view::npos) dir_ += PathDelim;
}

std::string GameFolder::OwnDir() const { return dir_ + ".packwright"; }
std::string GameFolder::Own(const std::string& name) const { return OwnDir() + PathDelim + name; }
std::string GameFolder::VanillaDir() const { return Own("vanilla"); }
std::string GameFolder::Vanilla(const std::string& name) const { return VanillaDir() + PathDelim + name; }
std::string GameFolder::StageDir() const { return Own("stage"); }
std::string GameFolder::HistoryDir() const { return Own("history"); }
std::string GameFolder::StoreDir() const { return Own("store"); }
std::string GameFolder::Stage(const std::string& name) const { return StageDir() + PathDelim + name; }

std::string GameFolder::FromRelative(const std::string& relative) const {
    std::string path = relative;
    for (char& c : path)
        if (c == '/') c = PathDelim;
    return dir_ + path;
}

std::string GameFolder::Relative(const std::string& path) const {
    std::string rel = path.substr(dir_.size());
    for (char& c : rel)
        if (c == PathDelim) c = '/';
    return rel;
}

std::string SealedText(const std::string& kind, const std::string& json) {
    return "PWMODS " + kind + " " + std::to_string(LayoutVersion) + " " +
           Hex(patch::HashBytes(json.data(), json.size())) + "\n" + json;
}

bool UnsealText(const std::vector<unsigned char>& bytes, const std::string& kind, std::string* json) {
    const std::string text(bytes.begin(), bytes.end());
    const std::string head = "PWMODS " + kind + " ";
    const size_t end = text.find('\n');
    if (end == std::string::npos || end != head.size() + 18 || text.compare(0, head.size(), head) != 0) return false;
    const char version = text[head.size()];
    if (version < '1' || version > char('0' + LayoutVersion) || text[head.size() + 1] != ' ') return false;
    *json = text.substr(end + 1);
    return text.substr(head.size() + 2, 16) == Hex(patch::HashBytes(json->data(), json->size()));
}

Deployment ReadDeployment(const GameFolder& game) {
    const std::string path = game.Own("deployment");
    Deployment d;
    if (!NamePresent(path)) return d;
    std::string text;
    if (!UnsealText(ReadWholeFile(path), "deployment", &text)) throw Error("Damaged deployment record " + path);
    try {
        const Json j = Json::parse(text);
        d.id = j.value("id", uint64_t(0));
        d.preferLater = j.value("preferLater", false);
        for (const Json& m : j.at("mods"))
            d.mods.push_back({m.at("path").get<std::string>(), m.at("title").get<std::string>(),
                              m.at("version").get<std::string>(), m.at("author").get<std::string>(),
                              StampOf(m.at("stamp")), m.value("hash", std::string())});
        for (const Json& p : j.at("packs")) {
            DeployedPack pack;
            pack.index = PlainName(p.at("index"));
            pack.data = PlainName(p.at("data"));
            pack.deployedIndex = StampOf(p.at("deployed").at("index"));
            pack.deployedData = StampOf(p.at("deployed").at("data"));
            const Json& v = p.at("vanilla");
            pack.vanillaIndex = StampOf(v.at("index"));
            pack.vanillaData = StampOf(v.at("data"));
            pack.vanillaIndexHash = FromHex(v.at("indexHash"));
            pack.vanillaDataHash = FromHex(v.at("dataHash"));
            for (const Json& e : p.at("entries")) {
                if (!e.is_array() || e.size() != 3) throw std::runtime_error("entry");
                pack.entries.push_back({e[0].get<uint32_t>(), e[1].get<int64_t>(), FromHex(e[2])});
            }
            d.packs.push_back(std::move(pack));
        }
    } catch (const std::exception&) {
        throw Error("Damaged deployment record " + path);
    }
    return d;
}

std::string DeploymentText(const Deployment& d) {
    Json mods = Json::array(), packs = Json::array();
    for (const DeployedMod& m : d.mods)
        mods.push_back({{"path", m.path}, {"title", m.title}, {"version", m.version}, {"author", m.author},
                        {"stamp", StampJson(m.stamp)}, {"hash", m.hash}});
    for (const DeployedPack& p : d.packs) {
        Json entries = Json::array();
        for (const DeployedEntry& e : p.entries) entries.push_back(Json::array({e.index, e.size, Hex(e.hash)}));
        packs.push_back({{"index", p.index},
                         {"data", p.data},
                         {"deployed", {{"index", StampJson(p.deployedIndex)}, {"data", StampJson(p.deployedData)}}},
                         {"vanilla",
                          {{"index", StampJson(p.vanillaIndex)},
                           {"data", StampJson(p.vanillaData)},
                           {"indexHash", Hex(p.vanillaIndexHash)},
                           {"dataHash", Hex(p.vanillaDataHash)}}},
                         {"entries", entries}});
    }
    return Json{{"id", d.id}, {"preferLater", d.preferLater}, {"mods", mods}, {"packs", packs}}.dump(1, ' ', false, Json::error_handler_t::replace) + "\n";
}

void WriteWhole(const std::string& path, const std::string& text, bool sync) {
    PendingFile out(path, sync);
    WriteAll(out.Fd(), text.data(), text.size());
    out.Commit();
}

ModsLock::ModsLock(const GameFolder& game) : path_(game.Own("lock")) {
    if (!IsDirectory(game.Dir())) ThrowCannotOpen(game.Dir().substr(0, game.Dir().size() - 1));
    if (!IsDirectory(game.OwnDir()) && !MakeDirectory(game.OwnDir())) ThrowCannotCreate(game.OwnDir());
    switch (TakeFileLock(path_, true, file_)) {
    case LockResult::Taken: return;
    case LockResult::Held: throw Error("Another Packwright command is changing the mods of " + game.Dir());
    case LockResult::Failed: ThrowCannotCreate(path_);
    }
}

void ModsLock::Release() {
    file_.Close();
    path_.clear();
}

void RemoveEmptyFolders(const GameFolder& game) {
    if (NamePresent(game.Own("deployment")) || NamePresent(game.Own("journal"))) return;
    std::error_code ec;
    std::filesystem::remove(FsPath(game.StageDir()), ec);
    for (const std::string& dir : {game.VanillaDir(), game.HistoryDir(), game.StoreDir()})
        std::filesystem::remove(FsPath(dir), ec); // only when empty
    if (IsDirectory(game.VanillaDir())) return;
    RemoveFile(game.Own("lock"));
    std::filesystem::remove(FsPath(game.OwnDir()), ec); // only when empty: the history stays
}

void ClearStage(const GameFolder& game) {
    for (const DirEntry& e : ListDirectory(game.StageDir()))
        if (!e.Folder) RemoveFile(game.Stage(e.Name));
    RemoveFile(game.Own("deployment.new"));
    for (const DirEntry& e : ListDirectory(game.HistoryDir()))
        if (!e.Folder && e.Name.ends_with(".new")) RemoveFile(game.HistoryDir() + PathDelim + e.Name);
}

} // namespace pw::mods
