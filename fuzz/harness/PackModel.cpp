#include "harness/PackModel.h"

#include <cstring>

#include "harness/Support.h"

namespace pwfuzz {

namespace {

uint32_t U32(const std::string& b, size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
           uint32_t(uint8_t(b[at + 3])) << 24;
}

void PutU32(std::string& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b += char(uint8_t(v >> (8 * i)));
}

std::string Hex8(uint32_t v) {
    char buf[9];
    std::snprintf(buf, sizeof buf, "%08X", v);
    return buf;
}

int64_t RoundUp(int64_t n) { return (n + Block - 1) / Block * Block; }

} // namespace

std::optional<std::vector<ModelEntry>> ParseIndex(const std::string& fat) {
    if (fat.size() < 8) return std::nullopt;
    int32_t n = int32_t(U32(fat, 0));
    std::vector<ModelEntry> entries;
    if (n <= 0) return entries;
    if (uint64_t(n) * 28 + 8 > fat.size()) return std::nullopt;
    for (int32_t k = 0; k < n; ++k) {
        size_t r = 8 + size_t(k) * 28;
        ModelEntry e;
        e.name = std::string(fat.data() + r, strnlen(fat.data() + r, 16));
        e.start = int32_t(U32(fat, r + 16));
        e.size = int32_t(U32(fat, r + 20));
        entries.push_back(e);
    }
    return entries;
}

std::optional<std::string> EntryData(const ModelEntry& e, const std::string& mix) {
    if (e.size == 0) return std::string(); // no data: its start is never looked at
    if (e.start < 0 || e.size < 0) return std::nullopt;
    int64_t at = int64_t(e.start) * Block;
    if (at + e.size > int64_t(mix.size())) return std::nullopt;
    return mix.substr(size_t(at), size_t(e.size));
}

std::string EntryFileName(const std::string& pack, const std::string& entryName, uint32_t k) {
    // The extension: from the last "." on, unless a separator follows it.
    std::string type;
    size_t dot = entryName.rfind('.');
    if (dot != std::string::npos && entryName.find_first_of("\\:/", dot) == std::string::npos)
        type = entryName.substr(dot + 1);
    std::string upper = type, lower = type;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    if (type.empty()) return pack + "/" + Hex8(k) + "."; // no type folder: the digits and the dot
    return pack + "/" + upper + "/" + Hex8(k) + "." + lower;
}

void CheckRebuilt(const std::string& fat, const std::string& mix, const std::string& sourceFat,
                  const std::vector<std::string>* expected, const std::string& what) {
    Expect(fat.size() == sourceFat.size(), what + ": index length changed");
    auto entries = ParseIndex(fat);
    Expect(entries.has_value(), what + ": rebuilt index is damaged");
    Expect(fat.compare(0, 8, sourceFat, 0, 8) == 0, what + ": index header changed");
    const size_t n = entries->size();
    Expect(!expected || expected->size() == n, what + ": entry count differs");
    int64_t length = 0;
    for (size_t k = 0; k < n; ++k) {
        const size_t r = 8 + k * 28;
        Expect(fat.compare(r, 16, sourceFat, r, 16) == 0, what + ": name of entry " + std::to_string(k) + " changed");
        Expect(fat.compare(r + 24, 4, sourceFat, r + 24, 4) == 0,
               what + ": extra word of entry " + std::to_string(k) + " changed");
        const ModelEntry& e = (*entries)[k];
        Expect(int64_t(e.start) * Block == length, what + ": entry " + std::to_string(k) + " is not dense");
        Expect(e.size >= 0, what + ": negative size");
        Expect(int64_t(e.start) * Block + e.size <= int64_t(mix.size()),
               what + ": entry " + std::to_string(k) + " outside the data file");
        if (expected)
            Expect(mix.compare(size_t(length), size_t(e.size), (*expected)[k]) == 0 &&
                       size_t(e.size) == (*expected)[k].size(),
                   what + ": entry " + std::to_string(k) + " holds the wrong data (" + std::to_string(e.size) +
                       " bytes at block " + std::to_string(e.start) + ", expected " +
                       std::to_string((*expected)[k].size()) + ")");
        const int64_t end = length + e.size;
        length = RoundUp(end);
        for (int64_t i = end; i < length && i < int64_t(mix.size()); ++i)
            Expect(mix[size_t(i)] == 0, what + ": padding is not zero");
    }
    Expect(int64_t(mix.size()) == length, what + ": data file length " + std::to_string(mix.size()) +
                                              " is not the dense length " + std::to_string(length));
    size_t tail = 8 + n * 28;
    Expect(fat.compare(tail, std::string::npos, sourceFat, tail, std::string::npos) == 0,
           what + ": trailing index bytes changed");
}

std::string Pattern(size_t n, unsigned seed) {
    std::string s(n, '\0');
    uint32_t x = seed * 2654435761u + 12345;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345;
        s[i] = char(x >> 24);
    }
    return s;
}

SamplePack MakePack(const std::vector<SampleEntry>& entries, uint32_t headerExtra, const std::string& trailing) {
    SamplePack p;
    PutU32(p.fat, uint32_t(entries.size()));
    PutU32(p.fat, headerExtra);
    for (const SampleEntry& e : entries) {
        p.mix.append(size_t(e.gapBlocks * Block), char(0xEE));
        int32_t start = int32_t(p.mix.size() / Block);
        p.mix += e.data;
        p.mix.resize(size_t(RoundUp(int64_t(p.mix.size()))), '\0');
        std::string name = e.name.substr(0, 16);
        name.resize(16, '\0');
        p.fat += name;
        PutU32(p.fat, uint32_t(start));
        PutU32(p.fat, uint32_t(e.data.size()));
        PutU32(p.fat, e.extra);
    }
    p.fat += trailing;
    return p;
}

std::vector<SamplePack> SamplePacks() {
    std::vector<SamplePack> packs;
    packs.push_back(MakePack({}, 0, "tail"));
    packs.push_back(MakePack({{"a.txt", "Hello", 0, 1}}));
    packs.push_back(MakePack({{"a.txt", "Hello", 0, 1}, {"b.txt", "", 0, 2}, {"c.dat", Pattern(7, 3), 0, 3}}));
    packs.push_back(MakePack({{"title.tga", Pattern(2048, 1)},
                              {"x.TGA", Pattern(2047, 2)},
                              {"noext", Pattern(2049, 3)},
                              {"DATA\\FONT.Tga", Pattern(1, 4)},
                              {"exactly16chars.b", Pattern(10, 5)}},
                             7, std::string(5, 'T')));
    packs.push_back(MakePack({{"gap.bin", Pattern(100, 6), 2}, {"e.", Pattern(3, 7), 1}, {"z.z", "", 3}}));
    // Entries out of order: the second record points before the first.
    SamplePack p = MakePack({{"one.a", Pattern(30, 8)}, {"two.b", Pattern(40, 9)}});
    std::string fat = p.fat;
    std::swap(fat[8 + 16], fat[8 + 28 + 16]);
    p.fat = fat;
    packs.push_back(p);
    return packs;
}

std::string PackInput(uint8_t flags, const SamplePack& pack) {
    std::string in;
    in += char(flags);
    in += char(uint8_t(pack.fat.size()));
    in += char(uint8_t(pack.fat.size() >> 8));
    return in + pack.fat + pack.mix;
}

} // namespace pwfuzz
