#include "packs/PackFixtures.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "core/Bytes.h"
#include "core/Directory.h"
#include "core/Error.h"
#include "core/FileNames.h"

namespace fs = std::filesystem;

namespace pwtest {

namespace {

constexpr int64_t Block = 2048;

void PutI32(std::string& s, size_t at, uint32_t v) {
    unsigned char b[4];
    pw::WriteU32LE(b, v);
    s.replace(at, 4, reinterpret_cast<const char*>(b), 4);
}

uint32_t GetU32(const std::string& s, size_t at) {
    return pw::ReadU32LE(reinterpret_cast<const unsigned char*>(s.data() + at));
}

void Place(std::string& data, int64_t at, const std::string& bytes) {
    if (int64_t(data.size()) < at + int64_t(bytes.size())) data.resize(size_t(at + bytes.size()), Filler);
    data.replace(size_t(at), bytes.size(), bytes);
}

int64_t NextBlock(int64_t length) { return (length + Block - 1) / Block * Block; }

} // namespace

PackPaths WritePack(const std::string& indexPath, const PackDesign& pack) {
    const size_t n = pack.Entries.size();
    // Where each entry's data go, in the order the layout fills the file.
    std::vector<size_t> order(n);
    for (size_t k = 0; k < n; ++k) order[k] = pack.Placement == Layout::Shuffled ? n - 1 - k : k;
    std::vector<int32_t> blocks(n, 0);
    std::string data;
    for (size_t k : order) {
        const FixtureEntry& e = pack.Entries[k];
        int64_t at = NextBlock(int64_t(data.size()));
        if (pack.Placement != Layout::Dense && !data.empty()) at += Block; // a gap of filler
        if (e.StartBlock) at = int64_t(*e.StartBlock) * Block;
        blocks[k] = int32_t(at / Block);
        if (!e.Data.empty() && at >= 0) Place(data, at, e.Data);
    }
    if (pack.Placement != Layout::Dense) data.append(size_t(Block / 2), Filler); // junk at the end

    std::string index(8 + 28 * n, '\0');
    PutI32(index, 0, uint32_t(pack.EntryCount.value_or(int32_t(n))));
    PutI32(index, 4, pack.HeaderExtra);
    for (size_t k = 0; k < n; ++k) {
        const FixtureEntry& e = pack.Entries[k];
        size_t r = 8 + 28 * k;
        index.replace(r, std::min<size_t>(e.Name.size(), 16), e.Name.substr(0, 16));
        PutI32(index, r + 16, uint32_t(blocks[k]));
        PutI32(index, r + 20, uint32_t(e.Size.value_or(int32_t(e.Data.size()))));
        PutI32(index, r + 24, e.Extra);
    }
    index += pack.Trailing;

    PackPaths paths{indexPath, pw::ChangeFileExt(indexPath, ".mix")};
    WriteFile(paths.Index, index);
    WriteFile(paths.Data, data);
    return paths;
}

std::string ReadBack::EntryData(size_t k) const {
    const ReadEntry& e = Entries.at(k);
    int64_t at = int64_t(e.StartBlock) * Block;
    if (e.Size <= 0 || at < 0 || at + e.Size > int64_t(Data.size())) return {};
    return Data.substr(size_t(at), size_t(e.Size));
}

ReadBack ReadPack(const std::string& indexPath, const std::string& dataPath) {
    std::string index = ReadFile(indexPath);
    ReadBack r{};
    if (index.size() < 8) {
        ADD_FAILURE() << indexPath << " is shorter than its header";
        return r;
    }
    r.EntryCount = int32_t(GetU32(index, 0));
    r.HeaderExtra = GetU32(index, 4);
    size_t n = r.EntryCount > 0 ? size_t(r.EntryCount) : 0;
    if (index.size() < 8 + 28 * n) {
        ADD_FAILURE() << indexPath << " is shorter than its records";
        return r;
    }
    for (size_t k = 0; k < n; ++k) {
        size_t at = 8 + 28 * k;
        std::string name = index.substr(at, 16);
        name.resize(std::min(name.find('\0'), name.size()));
        r.Entries.push_back({name, int32_t(GetU32(index, at + 16)), int32_t(GetU32(index, at + 20)),
                             GetU32(index, at + 24)});
    }
    r.Trailing = index.substr(8 + 28 * n);
    r.Data = ReadFile(dataPath.empty() ? pw::ChangeFileExt(indexPath, ".mix") : dataPath);
    return r;
}

std::string P(std::string path) {
    for (char& c : path)
        if (c == '/') c = pw::PathDelim;
    return path;
}

TempDir::TempDir() {
    std::random_device random;
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path p = base / ("pwtest-" + std::to_string(random()));
        std::error_code ec;
        if (fs::create_directory(p, ec)) {
            path_ = pw::PathText(p);
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    // A current folder cannot be removed on Windows: leave it first.
    if (pw::PathText(fs::current_path(ec)).rfind(path_, 0) == 0) fs::current_path(fs::temp_directory_path(), ec);
    // Tests may leave read-only folders behind; make them removable first.
    for (auto it = fs::recursive_directory_iterator(pw::FsPath(path_), ec); !ec && it != fs::end(it); it.increment(ec))
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(pw::FsPath(path_), ec);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(pw::FsPath(path), std::ios::binary);
    if (!in) {
        ADD_FAILURE() << "cannot read " << path;
        return {};
    }
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(pw::FsPath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) ADD_FAILURE() << "cannot write " << path;
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(pw::FsPath(path), ec));
}

void MakeDir(const std::string& path) {
    std::error_code ec;
    fs::create_directory(pw::FsPath(path), ec);
}

void RemovePath(const std::string& path) {
    std::error_code ec;
    fs::remove(pw::FsPath(path), ec);
}

std::vector<std::string> ListTree(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(pw::FsPath(dir), ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        std::string rel = fs::relative(it->path(), pw::FsPath(dir)).generic_string();
        if (it->is_directory(ec) && !it->is_symlink(ec)) rel += "/";
        names.push_back(rel);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string Bytes(size_t n, unsigned seed) {
    std::string s(n, '\0');
    uint32_t x = seed * 2654435761u + 12345u;
    for (char& c : s) {
        x = x * 1103515245u + 12345u;
        c = char(x >> 16);
    }
    return s;
}

void RecordingStatus::SetStatus(const std::string& caption) {
    PlainStatus::SetStatus(caption);
    Captions.push_back(caption);
}

void RecordingStatus::SetProgressPosition(int position) {
    PlainStatus::SetProgressPosition(position);
    ProgressSets.push_back(position);
    if (OnProgress) OnProgress(position);
}

void RecordingStatus::SetTotalPosition(int position) {
    PlainStatus::SetTotalPosition(position);
    TotalSets.push_back(position);
}

void RecordingStatus::ProcessEvents() {
    ++EventCalls;
    if (OnEvents) OnEvents();
}

RunFolders::RunFolders() {
    MakeDir(game);
    MakeDir(out);
    ctx.TargetDir = out;
}

void SetLogBlock(pw::RunContext& ctx, const std::string& source, const std::vector<std::string>& entryLines) {
    ctx.SourcePackPath = source;
    ctx.LogLines = {"#Source: " + source};
    ctx.LogLines.insert(ctx.LogLines.end(), entryLines.begin(), entryLines.end());
}

std::string ErrorOf(const std::function<void()>& call, const std::string& none) {
    try {
        call();
    } catch (const pw::Error& e) {
        return e.what();
    }
    return none;
}

} // namespace pwtest
