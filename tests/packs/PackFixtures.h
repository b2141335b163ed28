#pragma once
// Test helpers for the pack engine: packs generated from a list of entries,
// temporary folders, whole-file reads and writes, a status sink that records
// what the handlers did with it, and the folders and context of one run.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/FileNames.h"
#include "packs/RunContext.h"
#include "packs/StatusSink.h"

namespace pwtest {

// One entry of a generated pack. Size and StartBlock default to the data's
// length and to the place the layout gives it; set them to write anything.
struct FixtureEntry {
    FixtureEntry(std::string name, std::string data, std::optional<int32_t> size = {},
                 std::optional<int32_t> startBlock = {}, uint32_t extra = 0)
        : Name(std::move(name)), Data(std::move(data)), Size(size), StartBlock(startBlock), Extra(extra) {}
    std::string Name;   // at most 16 bytes; exactly 16 leaves no zero byte
    std::string Data;
    std::optional<int32_t> Size;
    std::optional<int32_t> StartBlock;
    uint32_t Extra = 0;
};

enum class Layout {
    Dense,    // index order, each entry on the next 2048-byte boundary
    Sparse,   // index order, an unused block of filler between entries
    Shuffled, // reverse index order, filler between entries
};

struct PackDesign {
    std::vector<FixtureEntry> Entries;
    Layout Placement = Layout::Dense;
    std::optional<int32_t> EntryCount; // defaults to the number of entries
    uint32_t HeaderExtra = 0xA1B2C3D4u;
    std::string Trailing;              // bytes after the last record
};

// Filler byte of the data file outside all entries.
inline constexpr char Filler = '\xEE';

struct PackPaths {
    std::string Index, Data;
};

// Writes `indexPath` and the ".mix" beside it.
PackPaths WritePack(const std::string& indexPath, const PackDesign& pack);

// A pack read back without the engine's help.
struct ReadEntry {
    std::string Name;
    int32_t StartBlock, Size;
    uint32_t Extra;
};
struct ReadBack {
    int32_t EntryCount;
    uint32_t HeaderExtra;
    std::vector<ReadEntry> Entries; // max(EntryCount, 0) records
    std::string Trailing;
    std::string Data;               // the whole data file
    std::string EntryData(size_t k) const;
};
ReadBack ReadPack(const std::string& indexPath, const std::string& dataPath = "");

// A path written with "/" in the system's own spelling ("\" on Windows).
std::string P(std::string path);

// A fresh folder in the system's temporary folder, removed with everything
// in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    // Path() + "/" + relative, in the system's spelling
    std::string operator/(const std::string& relative) const { return path_ + P("/" + relative); }

private:
    std::string path_;
};

std::string ReadFile(const std::string& path); // "" plus a test failure when missing
void WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
void MakeDir(const std::string& path);
void RemovePath(const std::string& path);
// Every file and folder below `dir`, relative and sorted, written with "/";
// folders end in "/".
std::vector<std::string> ListTree(const std::string& dir);
// `n` bytes of a pattern that differs with `seed`.
std::string Bytes(size_t n, unsigned seed);

// PlainStatus that also records every change, and can run a hook when the
// handlers let events run or move Progress (to ask for a stop there).
class RecordingStatus : public pw::PlainStatus {
public:
    void SetStatus(const std::string& caption) override;
    void SetProgressPosition(int position) override;
    void SetTotalPosition(int position) override;
    void ProcessEvents() override;

    std::vector<std::string> Captions;
    std::vector<int> ProgressSets, TotalSets;
    int EventCalls = 0;
    std::function<void()> OnEvents;
    std::function<void(int)> OnProgress;
};

// A run's workbench: a temporary folder with empty game/ and out/ folders in
// it, a recording status and a context whose target folder is out/.
struct RunFolders {
    RunFolders();
    TempDir dir;
    RecordingStatus status;
    pw::RunContext ctx{status};
    std::string game = dir / "game", out = dir / "out";
};

// Gives `ctx` the log block that rebuilds `source`: its "#Source: " line,
// then `entryLines`.
void SetLogBlock(pw::RunContext& ctx, const std::string& source, const std::vector<std::string>& entryLines);

// The message of the pw::Error that `call` throws, or `none` when it returns.
std::string ErrorOf(const std::function<void()>& call, const std::string& none = "");

} // namespace pwtest
