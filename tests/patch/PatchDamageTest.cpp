// Damaged and hostile patches: cut at every length, any byte flipped, and
// fields that lie under a correct checksum. Each is "Damaged patch FILE"
// (or a named refusal) before anything is written.
#include <gtest/gtest.h>

#include "core/Bytes.h"
#include "core/Error.h"
#include "patch/PatchFixture.h"

using namespace pw;
using namespace pw::patch;
using namespace pwtest;

namespace {

std::string Open(const std::string& path) {
    return ErrorOf([&] { PatchFile file(path); });
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

// The patch's bytes with a correct checksum over them.
void WriteSealed(const std::string& path, std::string bytes) {
    const uint64_t sum = HashBytes(bytes.data(), bytes.size() - 8);
    for (int i = 0; i < 8; ++i) bytes[bytes.size() - 8 + i] = char(sum >> (8 * i));
    WriteFile(path, bytes);
}

uint64_t U64At(const std::string& b, size_t at) {
    return uint64_t(ReadU32LE((const unsigned char*)b.data() + at)) |
           uint64_t(ReadU32LE((const unsigned char*)b.data() + at + 4)) << 32;
}
void PutU32At(std::string& b, size_t at, uint32_t v) { WriteU32LE((unsigned char*)b.data() + at, v); }

// Where the fields of a one-pack patch lie.
struct Fields {
    explicit Fields(const std::string& b) {
        table = size_t(U64At(b, 8));
        const uint32_t m = ReadU32LE((const unsigned char*)b.data() + table);
        packCount = table + 4 + m;
        nameLength = packCount + 4;
        const uint16_t n = ReadU16LE((const unsigned char*)b.data() + nameLength);
        entryCount = nameLength + 2 + n;
        changed = entryCount + 4;
        firstEntry = changed + 4;
    }
    size_t table, packCount, nameLength, entryCount, changed, firstEntry;
};

struct Damage : PatchWork {
    std::string patch = MakePatch("a", Modded({{0, "mod a"}, {3, Bytes(300, 3)}}));
    std::string bytes = ReadFile(patch);
    std::string bad = dir / "bad.pwpatch";
};

} // namespace

TEST(PatchDamage, CutAtEveryLength) {
    Damage d;
    for (size_t n = 0; n < d.bytes.size(); ++n) {
        WriteFile(d.bad, d.bytes.substr(0, n));
        ASSERT_EQ(Open(d.bad), "Damaged patch " + d.bad) << "cut at " << n;
    }
    EXPECT_EQ(d.Apply({d.bad}, d.out), "Damaged patch " + d.bad);
    EXPECT_EQ(ListTree(d.out), std::vector<std::string>{});
}

TEST(PatchDamage, AnyByteFlipped) {
    Damage d;
    for (size_t i = 0; i < d.bytes.size(); ++i) {
        std::string b = d.bytes;
        b[i] = char(b[i] ^ (1 << (i % 8)));
        WriteFile(d.bad, b);
        ASSERT_TRUE(StartsWith(Open(d.bad), "Damaged patch " + d.bad)) << "byte " << i << ": " << Open(d.bad);
    }
    std::string b = d.bytes;
    b[7] = 2;
    WriteSealed(d.bad, b);
    EXPECT_EQ(Open(d.bad), "Damaged patch " + d.bad + " (format version 2 is not one this program reads)");
}

TEST(PatchDamage, LyingFieldsUnderACorrectChecksum) {
    Damage d;
    const Fields at(d.bytes);
    auto lie = [&](const std::function<void(std::string&)>& edit) {
        std::string b = d.bytes;
        edit(b);
        WriteSealed(d.bad, b);
        return Open(d.bad);
    };
    const std::string damaged = "Damaged patch " + d.bad;
    EXPECT_EQ(lie([&](std::string& b) { PutU32At(b, at.table, 0xFFFFFFF0u); }), damaged);      // manifest length
    EXPECT_EQ(lie([&](std::string& b) { PutU32At(b, at.packCount, 0xFFFFFFFFu); }), damaged);  // pack count
    EXPECT_EQ(lie([&](std::string& b) { PutU32At(b, at.changed, 0x10000000u); }), damaged);    // entry count
    EXPECT_EQ(lie([&](std::string& b) { PutU32At(b, at.changed, 0); }), damaged);              // no entry
    EXPECT_EQ(lie([&](std::string& b) { PutU32At(b, at.entryCount, 1); }), damaged);           // index past the pack
    EXPECT_EQ(lie([&](std::string& b) { b.replace(at.nameLength + 2, 3, "../"); }), damaged); // a path
    EXPECT_EQ(lie([&](std::string& b) { PutU32At(b, at.firstEntry + 32, 0x80000000u); }), damaged); // new size
    EXPECT_EQ(lie([&](std::string& b) { PutU32At(b, at.firstEntry + 52, 0x7FFFFFFF); }), damaged); // data length
    EXPECT_EQ(lie([&](std::string& b) { PutU32At(b, at.firstEntry + 60, 0); }), damaged);      // indexes not rising
    EXPECT_EQ(lie([&](std::string& b) { b[at.table + 4] = '['; }), damaged);                   // manifest not an object
    EXPECT_EQ(lie([&](std::string& b) { PutU32At(b, 24, 1); }), damaged);                      // file length

    // Data that inflate to other bytes than the table says: the reader finds
    // it while the pack is written, and the pack is not put in place.
    // So do a stream that is not zlib's and one without its 4-byte trailer.
    const std::function<void(std::string&)> edits[] = {
        [&](std::string& b) { b[at.firstEntry + 36] ^= 1; },                           // new hash
        [&](std::string& b) { b[HeaderBytes] = 0x79; },                                // not deflate
        [&](std::string& b) { --b[at.firstEntry + 52]; },                              // trailer cut
    };
    for (const auto& edit : edits) {
        EXPECT_EQ(lie(edit), "");
        EXPECT_EQ(d.Apply({d.bad}, d.out), damaged);
        EXPECT_FALSE(FileExists(d.out + P("/MENU.fat")));
        EXPECT_FALSE(FileExists(d.out + P("/MENU.mix")));
        d.opened.clear();
    }
}
