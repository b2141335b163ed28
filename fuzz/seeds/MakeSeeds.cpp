// Writes the seed corpus of every fuzz target: make_seeds DIR gives
// DIR/fuzz_pack/0000, DIR/fuzz_log/0000, ... The seeds are made by the
// harness's own generators, never taken from elsewhere.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "harness/Samples.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds DIR\n");
        return 2;
    }
    namespace fs = std::filesystem;
    const std::pair<const char*, std::vector<std::string>> sets[] = {
        {"fuzz_pack", pwfuzz::PackSeeds()},     {"fuzz_log", pwfuzz::LogSeeds()},
        {"fuzz_list", pwfuzz::ListSeeds()},     {"fuzz_ini", pwfuzz::IniSeeds()},
        {"fuzz_zivora", pwfuzz::ZivoraSeeds()}, {"fuzz_targa", pwfuzz::TargaSeeds()},
        {"fuzz_patch", pwfuzz::PatchSeeds()},   {"fuzz_po", pwfuzz::PoSeeds()},
    };
    for (const auto& [target, seeds] : sets) {
        fs::path dir = fs::path(argv[1]) / target;
        fs::remove_all(dir);
        fs::create_directories(dir);
        for (size_t i = 0; i < seeds.size(); ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "%04zu", i);
            std::ofstream(dir / name, std::ios::binary).write(seeds[i].data(), std::streamsize(seeds[i].size()));
        }
    }
    return 0;
}
