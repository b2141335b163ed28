#include "GeneratedPack.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace pwtest {

namespace {
constexpr const char* Extensions[] = {".tga", ".txt", ".dat", ".Ini", ""};
constexpr int32_t DataBlocks = 16;

void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}
} // namespace

std::string GeneratedName(size_t k) {
    char base[16];
    std::snprintf(base, sizeof base, "e%06zu", k);
    return std::string(base) + Extensions[k % 5];
}

int32_t GeneratedStart(size_t k, size_t damagedEvery) {
    if (damagedEvery != 0 && k % damagedEvery == damagedEvery - 1) return 1 << 20;
    return int32_t(k % DataBlocks);
}

int32_t GeneratedSize(size_t k) {
    return k % 11 == 0 ? 0 : int32_t(k % 2000) + 1;
}

GeneratedPack WriteGeneratedPack(const std::string& folder, const std::string& name, size_t entries,
                                 size_t damagedEvery) {
    std::string fat;
    fat.reserve(8 + 28 * entries);
    Put32(fat, uint32_t(entries));
    Put32(fat, 0);
    for (size_t k = 0; k < entries; ++k) {
        std::string field = GeneratedName(k);
        field.resize(16, '\0');
        fat += field;
        Put32(fat, uint32_t(GeneratedStart(k, damagedEvery)));
        Put32(fat, uint32_t(GeneratedSize(k)));
        Put32(fat, 0);
    }
    std::string mix(size_t(DataBlocks + 1) * 2048, '\0');
    for (size_t i = 0; i < mix.size(); ++i) mix[i] = char('a' + i % 26);
    GeneratedPack pack{folder + "/" + name + ".fat", folder + "/" + name + ".mix", entries};
    std::ofstream(pack.indexPath, std::ios::binary) << fat;
    std::ofstream(pack.dataPath, std::ios::binary) << mix;
    return pack;
}

} // namespace pwtest
