#pragma once
// An independent reading of the pack formats, for checking what the engine
// does, and a maker of valid packs, logs and lists for seeds and tests.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pwfuzz {

inline constexpr int64_t Block = 2048;

struct ModelEntry {
    std::string name;       // up to the first zero byte of the 16
    int32_t start = 0;      // StartBlock
    int32_t size = 0;       // Size
};

// The entries an index lists, or nothing when it is shorter than its header
// or its records. A count of 0 or less gives no entries.
std::optional<std::vector<ModelEntry>> ParseIndex(const std::string& fat);

// Entry data as a reader sees it, or nothing when it lies outside `mix`
// (an entry of size 0 has no data, wherever it starts).
std::optional<std::string> EntryData(const ModelEntry& e, const std::string& mix);

// The file name (below the target) extraction gives entry k of pack `pack`.
std::string EntryFileName(const std::string& pack, const std::string& entryName, uint32_t k);

// Checks a rebuilt pack against its source index: the same bytes except
// StartBlock and Size; a dense data file (entries in index order, each on a
// 2048-byte boundary, zero padding, total a multiple of 2048). With
// `expected`, entry k must hold expected[k]. Violation() otherwise.
void CheckRebuilt(const std::string& fat, const std::string& mix, const std::string& sourceFat,
                  const std::vector<std::string>* expected, const std::string& what);

// --- Valid inputs --------------------------------------------------------

struct SampleEntry {
    std::string name;       // at most 16 bytes
    std::string data;
    int32_t gapBlocks = 0;  // free blocks before the entry in the data file
    uint32_t extra = 0;
};

struct SamplePack {
    std::string fat, mix;
};

// Entries laid out in index order (with the gaps asked for); `trailing`
// follows the records in the index.
SamplePack MakePack(const std::vector<SampleEntry>& entries, uint32_t headerExtra = 0x12345678,
                    const std::string& trailing = "");

// A handful of different valid packs: empty, one entry, names without
// extension, sizes on and around block boundaries, gaps, entries out of order.
std::vector<SamplePack> SamplePacks();

// Bytes 0..n-1 of a fixed pattern, different per `seed`.
std::string Pattern(size_t n, unsigned seed);

// The fuzz input of the pack target: a flags byte, the index length as two
// little-endian bytes, the index, the data file.
std::string PackInput(uint8_t flags, const SamplePack& pack);

} // namespace pwfuzz
