// The commit record of a pack's journal: its layout is described in
// PairCommit.h.
#include "core/CommitRecord.h"

#include <algorithm>

#include "core/Bytes.h"
#include "core/FileNames.h"

namespace pw {

namespace {

constexpr std::string_view Magic = "PWJOURNL";
constexpr std::string_view FirstMagic = "PWCOMMIT"; // the first version's record, without stamps
constexpr uint32_t Version = 2;

uint32_t Fnv1a(const unsigned char* p, size_t n) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
    return h;
}

void PutU32(std::vector<unsigned char>& out, uint32_t v) {
    unsigned char b[4];
    WriteU32LE(b, v);
    out.insert(out.end(), b, b + 4);
}

void PutU64(std::vector<unsigned char>& out, uint64_t v) {
    PutU32(out, uint32_t(v));
    PutU32(out, uint32_t(v >> 32));
}

void PutName(std::vector<unsigned char>& out, const std::string& name) {
    PutU32(out, uint32_t(name.size()));
    out.insert(out.end(), name.begin(), name.end());
}

void PutStamp(std::vector<unsigned char>& out, const FileStamp& s) {
    PutU64(out, s.id.dev);
    PutU64(out, s.id.ino);
    PutU64(out, uint64_t(s.size));
    PutU64(out, uint64_t(s.modified));
}

// Reads the record's fields in order, bounds checked: each Take fails once
// the record ends early.
class RecordReader {
public:
    explicit RecordReader(const std::vector<unsigned char>& in) : in_(in) {}
    size_t At() const { return at_; }
    bool Skip(size_t n) {
        if (in_.size() - at_ < n) return false;
        at_ += n;
        return true;
    }
    bool U32(uint32_t* v) {
        if (in_.size() - at_ < 4) return false;
        *v = ReadU32LE(in_.data() + at_);
        at_ += 4;
        return true;
    }
    bool U64(uint64_t* v) {
        uint32_t lo = 0, hi = 0;
        if (!U32(&lo) || !U32(&hi)) return false;
        *v = uint64_t(hi) << 32 | lo;
        return true;
    }
    bool Stamp(FileStamp* s) {
        uint64_t size = 0, modified = 0;
        if (!U64(&s->id.dev) || !U64(&s->id.ino) || !U64(&size) || !U64(&modified)) return false;
        s->size = int64_t(size);
        s->modified = int64_t(modified);
        return true;
    }
    // A file name: false when it runs past the end or is not a plain name
    // in the folder.
    bool Name(std::string* name) {
        uint32_t len = 0;
        if (!U32(&len) || len == 0 || in_.size() - at_ < len) return false;
        name->assign(reinterpret_cast<const char*>(in_.data() + at_), len);
        at_ += len;
        return name->find_first_of(PathSeparators) == std::string::npos &&
               name->find('\0') == std::string::npos && *name != "." && *name != "..";
    }
    // The hash of every byte before it, and nothing after it.
    bool Hash() {
        const size_t end = at_;
        uint32_t hash = 0;
        return U32(&hash) && at_ == in_.size() && hash == Fnv1a(in_.data(), end);
    }

private:
    const std::vector<unsigned char>& in_;
    size_t at_ = 0;
};

bool StartsWith(const std::vector<unsigned char>& in, std::string_view magic) {
    return in.size() >= magic.size() && std::equal(magic.begin(), magic.end(), in.begin());
}

} // namespace

std::vector<unsigned char> EncodeRecord(const CommitRecord& r) {
    std::vector<unsigned char> out(Magic.begin(), Magic.end());
    PutU32(out, Version);
    PutName(out, r.dataName);
    PutName(out, r.indexName);
    for (const FileStamp* s : {&r.newData, &r.newIndex, &r.oldData, &r.oldIndex}) PutStamp(out, *s);
    PutU32(out, Fnv1a(out.data(), out.size()));
    return out;
}

bool DecodeRecord(const std::vector<unsigned char>& in, CommitRecord* r) {
    RecordReader read(in);
    if (StartsWith(in, FirstMagic)) {
        r->stamped = false;
        return read.Skip(FirstMagic.size()) && read.Name(&r->dataName) && read.Name(&r->indexName) && read.Hash();
    }
    uint32_t version = 0;
    r->stamped = true;
    return StartsWith(in, Magic) && read.Skip(Magic.size()) && read.U32(&version) && version == Version &&
           read.Name(&r->dataName) && read.Name(&r->indexName) && read.Stamp(&r->newData) &&
           read.Stamp(&r->newIndex) && read.Stamp(&r->oldData) && read.Stamp(&r->oldIndex) && read.Hash();
}

} // namespace pw
