// Damaged inputs of every reader: the generated valid files, each damaged
// many times with a fixed seed, each cut at (nearly) every length, and the
// inputs the fuzzers once failed on. Nothing may crash or hang, and every
// run keeps the promises the fuzz harness checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <functional>
#include <random>

#include "harness/Harness.h"
#include "harness/Samples.h"
#include "harness/Support.h"

namespace fs = std::filesystem;
using namespace pwfuzz;

namespace {

using RunFn = void (*)(const std::string&, std::string_view);

struct Reader {
    const char* target; // the fuzz target's name, also its regressions folder
    RunFn run;
    std::vector<std::string> (*seeds)();
};

const std::vector<Reader>& Readers() {
    static const std::vector<Reader> readers = {
        {"fuzz_pack", RunPackInput, PackSeeds},
        {"fuzz_log", RunLogInput, LogSeeds},
        {"fuzz_list", RunListInput, ListSeeds},
#ifdef PW_WITH_TEXTOBJECT
        {"fuzz_ini", RunIniInput, IniSeeds},
        {"fuzz_zivora", RunZivoraInput, ZivoraSeeds},
#endif
#ifdef PW_WITH_TARGA
        {"fuzz_targa", RunTargaInput, TargaSeeds},
#endif
    };
    return readers;
}

// Runs one input; a broken promise or a stray exception is a failure that
// names the input's origin.
void Check(const Reader& r, const std::string& ws, const std::string& input, const std::string& origin) {
    try {
        r.run(ws, input);
    } catch (const std::exception& e) {
        ADD_FAILURE() << r.target << ", " << origin << ": " << e.what();
        // PW_KEEP_FAILURES=DIR keeps the input, to replay with the fuzz target.
        if (const char* keep = std::getenv("PW_KEEP_FAILURES"))
            WriteBytes(std::string(keep) + "/" + r.target + "-" + std::to_string(std::hash<std::string>{}(input)), input);
    }
}

// Damages about 3% of the bytes (at least one): overwrites with random or
// edge values, sometimes drops or repeats a run of bytes.
std::string Damage(std::string s, std::mt19937& rng) {
    if (s.empty()) return std::string(1, char(rng()));
    const size_t hits = std::max<size_t>(1, s.size() * 3 / 100);
    static const unsigned char edges[] = {0x00, 0xFF, 0x7F, 0x80, 0x08, '\r', '\n', '[', '#', '.', '/'};
    for (size_t i = 0; i < hits && !s.empty(); ++i) {
        const size_t at = rng() % s.size();
        switch (rng() % 8) {
        case 0: s.erase(at, 1 + rng() % 4); break;
        case 1: s.insert(at, s.substr(at, 1 + rng() % 8)); break;
        case 2: case 3: s[at] = char(edges[rng() % sizeof edges]); break;
        default: s[at] = char(rng()); break;
        }
    }
    return s;
}

} // namespace

TEST(BadInputs, EverySeedKeepsThePromises) {
    PrivateDir ws("pwbad");
    for (const Reader& r : Readers()) {
        const auto seeds = r.seeds();
        for (size_t i = 0; i < seeds.size(); ++i) Check(r, ws.Path(), seeds[i], "seed " + std::to_string(i));
    }
}

TEST(BadInputs, SeededCorruptionNeitherCrashesNorHangs) {
    PrivateDir ws("pwbad");
    for (const Reader& r : Readers()) {
        std::mt19937 rng(20261208);
        const auto seeds = r.seeds();
        const int rounds = std::max<int>(8, 300 / int(seeds.size()));
        for (size_t i = 0; i < seeds.size(); ++i)
            for (int round = 0; round < rounds; ++round)
                Check(r, ws.Path(), Damage(seeds[i], rng),
                      "seed " + std::to_string(i) + " damaged in round " + std::to_string(round));
    }
}

TEST(BadInputs, EveryTruncationIsHandled) {
    PrivateDir ws("pwbad");
    for (const Reader& r : Readers()) {
        for (const std::string& seed : r.seeds()) {
            // Every length of small files; for large ones every length near
            // the start and the end and 100 lengths between.
            const size_t n = seed.size();
            const size_t step = n <= 400 ? 1 : std::max<size_t>(1, n / 100);
            for (size_t len = 0; len < n; len += (len < 200 || len + 50 > n) ? 1 : step)
                Check(r, ws.Path(), seed.substr(0, len), "cut at " + std::to_string(len) + " of " + std::to_string(n));
        }
    }
}

TEST(BadInputs, KeptFuzzFindingsStayFixed) {
    PrivateDir ws("pwbad");
    size_t replayed = 0;
    for (const Reader& r : Readers()) {
        const fs::path dir = fs::path(PW_REGRESSIONS_DIR) / r.target;
        if (!fs::is_directory(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (!entry.is_regular_file() || entry.path().filename().string().front() == '.') continue;
            Check(r, ws.Path(), ReadBytes(entry.path().string()), entry.path().filename().string());
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0u);
}
