#pragma once
// Packs made up for the window's tests and benchmark: many entries in little
// data. Entry k is named by its number with one of a few extensions; its
// data overlap those of others, and every `damagedEvery`-th entry lies past
// the end of the data file.
#include <cstdint>
#include <string>

namespace pwtest {

struct GeneratedPack {
    std::string indexPath, dataPath;
    size_t entries = 0;
};

// The name, start block and size of entry k.
std::string GeneratedName(size_t k);
int32_t GeneratedStart(size_t k, size_t damagedEvery);
int32_t GeneratedSize(size_t k);

GeneratedPack WriteGeneratedPack(const std::string& folder, const std::string& name, size_t entries,
                                 size_t damagedEvery = 1000);

} // namespace pwtest
