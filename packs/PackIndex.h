#pragma once
// A pack is an index file ".fat" beside a data file ".mix". All numbers are
// little-endian; nothing carries a signature or checksum.
//
// Index (".fat"):
//   0   4  EntryCount   signed 32-bit: number of entries N (0 or less: none)
//   4   4  HeaderExtra  never interpreted, written back unchanged
//   8   28*N entries    FatEntry records, in index order
//   ... any trailing bytes, never interpreted, written back unchanged
//
// FatEntry, 28 bytes:
//   0  16  Name         entry name, ended by a zero byte (or by the record's end)
//   16  4  StartBlock   signed 32-bit: data begin at StartBlock * 2048
//   20  4  Size         signed 32-bit: data length in bytes, 0 for no data
//   24  4  EntryExtra   never interpreted, written back unchanged
//
// Data (".mix"): plain bytes; entry k is the Size bytes at StartBlock * 2048.
// The index is kept as read, and entries are located by arithmetic, so every
// byte that is not interpreted survives a rewrite.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

inline constexpr int64_t PackBlockSize = 2048;

struct FatHeader {
    static constexpr size_t Bytes = 8;
    int32_t EntryCount;
    uint32_t HeaderExtra;
};

struct FatEntry {
    static constexpr size_t Bytes = 28;
    static constexpr size_t NameBytes = 16;
    std::string Name;
    int32_t StartBlock;
    int32_t Size;
    uint32_t EntryExtra;
};

class PackIndex {
public:
    // Takes a whole index file. A file shorter than its header, or than the
    // records its EntryCount claims, is refused: "Damaged pack index %s".
    PackIndex(std::vector<unsigned char> bytes, const std::string& path);

    FatHeader Header() const;
    // Entries to walk: EntryCount, or 0 when it is 0 or negative.
    size_t Count() const { return count_; }
    FatEntry Entry(size_t k) const;
    // Fields of entry k read in place, for callers that visit many entries
    // (the name up to its zero byte, or all 16 bytes).
    std::string_view Name(size_t k) const;
    int32_t StartBlock(size_t k) const;
    int32_t Size(size_t k) const;

    void SetStartBlock(size_t k, int32_t startBlock);
    void SetSize(size_t k, int32_t size);

    const std::vector<unsigned char>& Bytes() const { return bytes_; }

private:
    unsigned char* Record(size_t k) { return bytes_.data() + FatHeader::Bytes + k * FatEntry::Bytes; }
    const unsigned char* Record(size_t k) const {
        return bytes_.data() + FatHeader::Bytes + k * FatEntry::Bytes;
    }
    std::vector<unsigned char> bytes_;
    size_t count_ = 0;
};

// Whether an entry's data lie inside a data file of `dataSize` bytes
// (64-bit arithmetic; negative fields never do).
bool EntryInside(int32_t startBlock, int32_t size, int64_t dataSize);

// "MENU.old.fat" gives "MENU": the file name cut before its first ".".
std::string PackName(const std::string& indexPath);

// The data file beside an index: its extension replaced by ".mix", looked up
// case-insensitively when that exact name does not exist.
std::string DataPathFor(const std::string& indexPath);

} // namespace pw
