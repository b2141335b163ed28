#pragma once
// A patch (".pwpatch"): the changed entries of one or more packs, each with
// what it must be before (the base) and its new data, compressed. The
// reader checks the whole file before it hands out anything, so a patch
// cut short or with a flipped byte is "Damaged patch FILE" before a single
// byte of any pack is written.
//
// Format version 1. All numbers little-endian, unsigned; offsets are from
// the start of the file and 64-bit.
//
// Header, 32 bytes:
//    0  7  "PWPATCH"           signature (also the MIME magic)
//    7  1  version             1
//    8  8  tableOffset         where the table begins (>= 32)
//   16  8  tableLength         its length in bytes
//   24  8  fileLength          the whole file's length, checksum included
// Data [32, tableOffset): each changed entry's new data as one zlib stream
//   (RFC 1950), one after the other; an entry whose new data are empty has
//   none (length 0).
// Table [tableOffset, tableOffset + tableLength):
//    4  M                      manifest length
//    M  manifest               a JSON object, UTF-8 (see Manifest below)
//    4  P                      number of packs
//   per pack, P times:
//    2  n                      length of the pack's index file name (1..255)
//    n  name                   "MENU.fat": a plain file name, no separator,
//                              no control character, not "." nor ".."
//    4  entryCount             the base pack's number of entries
//    4  E                      number of changed entries (at least 1)
//   per changed entry, E times, in rising index order, 60 bytes:
//    0  4  index               < entryCount
//    4 16  name                the entry's name field, as in the pack index
//   20  4  baseSize            the entry's data length in the base pack
//   24  8  baseHash            XXH3-64 (seed 0) of those data
//   32  4  newSize             the new data's length (< 2^31)
//   36  8  newHash             XXH3-64 of the new data
//   44  8  dataOffset          where its zlib stream begins, in the data area
//   52  8  dataLength          the stream's length, inside the data area
// Checksum: the last 8 bytes, at tableOffset + tableLength, are XXH3-64 of
//   every byte before them. fileLength = tableOffset + tableLength + 8.
//
// Every count and length is checked against the bytes that hold it before
// anything is allocated for it, so a hostile patch makes no allocation
// larger than its own size; pack names are file names only, looked up in a
// folder the user names, never paths. Reading an entry's data inflates it
// in bounded pieces and checks its length and hash.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/FileIO.h"

namespace pw::patch {

inline constexpr char Signature[7] = {'P', 'W', 'P', 'A', 'T', 'C', 'H'};
inline constexpr uint8_t FormatVersion = 1;
inline constexpr size_t HeaderBytes = 32;
inline constexpr size_t EntryRecordBytes = 60;

// The manifest's members, all strings ("" when absent): "title", "version",
// "author", "description", "text" (free text), "writer" (the Packwright
// version that wrote it), "time" (UTC, ISO 8601).
struct Manifest {
    std::string title, version, author, description, text, writer, time;
};

struct PatchEntry {
    uint32_t index = 0;
    std::string name;        // up to its zero byte, as PackIndex::Name gives it
    std::string nameField;   // the 16 bytes of the index record's name field
    int64_t baseSize = 0;
    uint64_t baseHash = 0;
    int64_t newSize = 0;
    uint64_t newHash = 0;
    int64_t dataOffset = 0, dataLength = 0;
};

struct PatchPack {
    std::string name;        // the index file's name, "MENU.fat"
    uint32_t entryCount = 0; // the base pack's number of entries
    std::vector<PatchEntry> entries;
};

// XXH3-64 of bytes, and of a file's `size` bytes at `offset`, read in
// bounded pieces ("Stream read error" when it ends early).
uint64_t HashBytes(const void* data, size_t size);
uint64_t HashFileRange(int fd, int64_t offset, int64_t size);

class PatchFile {
public:
    // Opens and checks the whole patch: "Cannot open file PATH", "Damaged
    // patch PATH". The file stays open, read only and not shared.
    explicit PatchFile(const std::string& path);

    const std::string& Path() const { return path_; }
    const Manifest& Info() const { return manifest_; }
    // The manifest exactly as stored (a JSON object).
    const std::string& ManifestJson() const { return manifestJson_; }
    const std::vector<PatchPack>& Packs() const { return packs_; }
    int64_t FileLength() const { return length_; }
    FileId Id() const { return file_.Id(); }
    // The checksum of the whole file (its last 8 bytes): one per content.
    uint64_t Checksum() const { return checksum_; }
    // The open file, to read it whole (a copy of it, say).
    int Fd() const { return file_.Fd(); }

    // Inflates entry `e`'s new data and hands it to `sink` in pieces of at
    // most 256 KiB. "Damaged patch PATH" when the stream is not whole, or
    // gives other than newSize bytes with newHash (checked as they come:
    // what the sink got before the error is to be thrown away).
    using Sink = std::function<void(const unsigned char* data, size_t size)>;
    void ReadData(const PatchEntry& e, const Sink& sink) const;

private:
    [[noreturn]] void Damaged() const;
    std::string path_;
    File file_;
    int64_t length_ = 0;
    uint64_t checksum_ = 0;
    Manifest manifest_;
    std::string manifestJson_;
    std::vector<PatchPack> packs_;
};

// The patches at `paths`, in this order, held open in `files`: a file named
// more than once (under any of its names) is opened once, as it is open
// not shared, and stands at each place it is named.
std::vector<const PatchFile*> OpenPatches(const std::vector<std::string>& paths,
                                          std::vector<std::unique_ptr<PatchFile>>& files);

} // namespace pw::patch
