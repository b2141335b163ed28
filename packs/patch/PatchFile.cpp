// The reader of the patch format documented in PatchFile.h.
#include "packs/patch/PatchFile.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include <nlohmann/json.hpp>
#include <zlib.h>

#include "core/Bytes.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/patch/Hash.h"

namespace pw::patch {

namespace {

constexpr size_t Piece = 256 * 1024; // bytes read or inflated at a time

uint64_t ReadU64LE(const unsigned char* p) { return uint64_t(ReadU32LE(p)) | uint64_t(ReadU32LE(p + 4)) << 32; }

// Reads fields of the table front to back; any read past its end is damage.
class Cursor {
public:
    Cursor(const std::vector<unsigned char>& bytes, const std::function<void()>& damaged)
        : bytes_(bytes), damaged_(damaged) {}
    const unsigned char* Take(size_t n) {
        if (n > bytes_.size() - at_) damaged_();
        const unsigned char* p = bytes_.data() + at_;
        at_ += n;
        return p;
    }
    uint16_t U16() { return ReadU16LE(Take(2)); }
    uint32_t U32() { return ReadU32LE(Take(4)); }
    uint64_t U64() { return ReadU64LE(Take(8)); }
    size_t Left() const { return bytes_.size() - at_; }

private:
    const std::vector<unsigned char>& bytes_;
    const std::function<void()>& damaged_;
    size_t at_ = 0;
};

// A pack name is a plain file name: nothing that could lead elsewhere.
bool PlainFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (unsigned char c : name)
        if (c < 32 || c == '/' || c == '\\' || c == ':' || c == 127) return false;
    return true;
}

std::string Member(const nlohmann::json& j, const char* key) {
    auto it = j.find(key);
    return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
}

} // namespace

void PatchFile::Damaged() const { throw Error("Damaged patch " + path_); }

PatchFile::PatchFile(const std::string& path) : path_(path), file_(OpenReadNotShared(path)) {
    const std::function<void()> damaged = [this] { Damaged(); };
    length_ = file_.Size();
    if (length_ < int64_t(HeaderBytes + 4 + 4 + 8)) Damaged();
    unsigned char header[HeaderBytes];
    ReadAt(file_.Fd(), header, sizeof header, 0);
    if (std::memcmp(header, Signature, sizeof Signature) != 0) Damaged();
    if (header[7] != FormatVersion) throw Error("Damaged patch " + path_ + " (format version " +
                                                std::to_string(header[7]) + " is not one this program reads)");
    const uint64_t tableOffset = ReadU64LE(header + 8), tableLength = ReadU64LE(header + 16);
    if (ReadU64LE(header + 24) != uint64_t(length_)) Damaged();
    if (tableOffset < HeaderBytes || tableOffset > uint64_t(length_) || tableLength > uint64_t(length_) ||
        tableOffset + tableLength + 8 != uint64_t(length_))
        Damaged();

    // The checksum covers every byte before it, read in bounded pieces.
    const int64_t body = length_ - 8;
    unsigned char stored[8];
    ReadAt(file_.Fd(), stored, 8, body);
    checksum_ = ReadU64LE(stored);
    if (HashFileRange(file_.Fd(), 0, body) != checksum_) Damaged();

    std::vector<unsigned char> table(static_cast<size_t>(tableLength)); // inside the file, so no larger than it
    ReadAt(file_.Fd(), table.data(), table.size(), int64_t(tableOffset));
    Cursor in(table, damaged);
    const uint32_t manifestLength = in.U32();
    const unsigned char* m = in.Take(manifestLength);
    manifestJson_.assign(reinterpret_cast<const char*>(m), manifestLength);
    nlohmann::json manifest = nlohmann::json::parse(manifestJson_, nullptr, false);
    if (manifest.is_discarded() || !manifest.is_object()) Damaged();
    manifest_ = {Member(manifest, "title"),       Member(manifest, "version"), Member(manifest, "author"),
                 Member(manifest, "description"), Member(manifest, "text"),    Member(manifest, "writer"),
                 Member(manifest, "time")};

    const uint32_t packCount = in.U32();
    if (packCount > in.Left() / (2 + 1 + 4 + 4 + EntryRecordBytes)) Damaged();
    packs_.reserve(packCount);
    for (uint32_t p = 0; p < packCount; ++p) {
        PatchPack pack;
        const uint16_t n = in.U16();
        if (n == 0 || n > 255) Damaged();
        pack.name.assign(reinterpret_cast<const char*>(in.Take(n)), n);
        if (!PlainFileName(pack.name)) Damaged();
        for (const PatchPack& other : packs_)
            if (SameTextAscii(other.name, pack.name))
                Damaged();
        pack.entryCount = in.U32();
        const uint32_t changed = in.U32();
        if (changed == 0 || changed > in.Left() / EntryRecordBytes || changed > pack.entryCount) Damaged();
        pack.entries.reserve(changed);
        for (uint32_t i = 0; i < changed; ++i) {
            const unsigned char* r = in.Take(EntryRecordBytes);
            PatchEntry e;
            e.index = ReadU32LE(r);
            e.nameField.assign(reinterpret_cast<const char*>(r + 4), 16);
            e.name = e.nameField.substr(0, std::min<size_t>(16, std::strlen(e.nameField.c_str())));
            e.baseSize = ReadU32LE(r + 20);
            e.baseHash = ReadU64LE(r + 24);
            e.newSize = ReadU32LE(r + 32);
            e.newHash = ReadU64LE(r + 36);
            const uint64_t offset = ReadU64LE(r + 44), length = ReadU64LE(r + 52);
            if (e.index >= pack.entryCount) Damaged();
            if (!pack.entries.empty() && e.index <= pack.entries.back().index) Damaged();
            if (e.baseSize > INT32_MAX || e.newSize > INT32_MAX) Damaged();
            if (offset < HeaderBytes || offset > tableOffset || length > tableOffset - offset) Damaged();
            if ((e.newSize == 0) != (length == 0)) Damaged();
            e.dataOffset = int64_t(offset);
            e.dataLength = int64_t(length);
            pack.entries.push_back(std::move(e));
        }
        packs_.push_back(std::move(pack));
    }
    if (packs_.empty() || in.Left() != 0) Damaged();
}

void PatchFile::ReadData(const PatchEntry& e, const Sink& sink) const {
    if (e.newSize == 0) {
        if (e.newHash != HashBytes(nullptr, 0)) Damaged();
        return;
    }
    // The zlib stream's two header bytes are checked here and the deflate
    // data inflated raw: its Adler-32 trailer is only counted, since the
    // data's XXH3 below, and the whole file's checksum, are checked instead.
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) throw std::bad_alloc();
    std::unique_ptr<z_stream, int (*)(z_stream*)> guard(&z, inflateEnd);
    const size_t inRoom = size_t(std::min<int64_t>(Piece, e.dataLength));
    const size_t outRoom = size_t(std::min<int64_t>(Piece, e.newSize));
    std::unique_ptr<unsigned char[]> in(new unsigned char[inRoom]), out(new unsigned char[outRoom]);
    StreamHash hash;
    int64_t read = 0, produced = 0;
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        if (z.avail_in == 0) {
            const int64_t n = std::min<int64_t>(inRoom, e.dataLength - read);
            if (n == 0) Damaged(); // the stream goes on past its length
            ReadAt(file_.Fd(), in.get(), size_t(n), e.dataOffset + read);
            z.next_in = in.get();
            z.avail_in = uInt(n);
            if (read == 0) { // deflate, a window of at most 32 KiB, no dictionary
                const unsigned header = n >= 2 ? unsigned(in[0]) << 8 | in[1] : 0;
                if ((header >> 8 & 0x0f) != Z_DEFLATED || (header >> 12) > 7 || header % 31 != 0 || (header & 0x20))
                    Damaged();
                z.next_in += 2;
                z.avail_in -= 2;
            }
            read += n;
        }
        z.next_out = out.get();
        z.avail_out = uInt(outRoom);
        status = inflate(&z, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END) Damaged();
        const size_t got = outRoom - z.avail_out;
        produced += int64_t(got);
        if (produced > e.newSize) Damaged();
        hash.Add(out.get(), got);
        if (got > 0) sink(out.get(), got);
    }
    if (z.avail_in + (e.dataLength - read) != 4 || produced != e.newSize || hash.Value() != e.newHash) Damaged();
}

std::vector<const PatchFile*> OpenPatches(const std::vector<std::string>& paths,
                                          std::vector<std::unique_ptr<PatchFile>>& files) {
    std::vector<const PatchFile*> patches;
    for (const std::string& path : paths) {
        const FileId id = IdOfPath(path);
        auto same = std::find_if(files.begin(), files.end(),
                                 [&](const auto& f) { return id != FileId{} && f->Id() == id; });
        if (same == files.end()) {
            files.push_back(std::make_unique<PatchFile>(path));
            same = files.end() - 1;
        }
        patches.push_back(same->get());
    }
    return patches;
}

} // namespace pw::patch
