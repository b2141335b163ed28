// Readers and killed extractions against the files of other runs: a pack
// read while rebuilds replace it again and again is always one commit's
// index with the same commit's data file, and an extraction killed at any
// moment leaves no result log that names a file cut short.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <sstream>
#include <thread>

#include "core/FileIO.h"
#include "core/PairCommit.h"
#include "packs/Driver.h"
#include "packs/Formathandlers.h"
#include "packs/Kinds.h"
#include "packs/PackFixtures.h"
#include "packs/PackReader.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

using Pair = std::pair<std::string, std::string>; // index, data

std::string WholeFile(int fd) {
    std::string bytes(size_t(FileSizeOf(fd)), '\0');
    ReadAt(fd, bytes.data(), bytes.size(), 0);
    return bytes;
}

// Rebuilds game/MENU.fat into `folder` with the edits of one variant.
void RebuildVariant(const RunFolders& f, const std::string& folder, unsigned variant) {
    RecordingStatus status;
    RunContext run(status);
    run.TargetDir = folder;
    Lines lines;
    for (unsigned k = 0; k < 16; ++k) lines.push_back(f.dir / ("v" + std::to_string(variant) + "-" + std::to_string(k)));
    SetLogBlock(run, f.game + "/MENU.fat", lines);
    RebuildPack(run, folder + "/MENU.fat", 1);
}

// A slow file system: the rename of a data file that frees a large earlier
// one can take milliseconds, and readers must not fall into that gap.
void SlowBetweenTheRenames(CommitStep step) {
    if (step == CommitStep::DataRenamed) std::this_thread::sleep_for(std::chrono::milliseconds(15));
}

} // namespace

TEST(ReaderRace, NeverPairsOneCommitsIndexWithAnothersData) {
    RunFolders f;
    PackDesign pack;
    for (unsigned k = 0; k < 16; ++k) pack.Entries.push_back({"e" + std::to_string(k), Bytes(20000 + 3000 * k, k)});
    WritePack(f.game + "/MENU.fat", pack);
    // Two variants whose indexes and data files differ in every entry.
    Pair variants[2];
    for (unsigned v = 0; v < 2; ++v) {
        for (unsigned k = 0; k < 16; ++k)
            WriteFile(f.dir / ("v" + std::to_string(v) + "-" + std::to_string(k)), Bytes(9000 + 7000 * v + 100 * k, 50 + v));
        const std::string ref = f.dir / ("ref" + std::to_string(v));
        MakeDir(ref);
        RebuildVariant(f, ref, v);
        variants[v] = {ReadFile(ref + "/MENU.fat"), ReadFile(ref + "/MENU.mix")};
    }
    RebuildVariant(f, f.out, 0);

    pid_t writer = ::fork();
    if (writer == 0) {
        SetCommitHook(SlowBetweenTheRenames);
        const std::string error = ErrorOf([&f] {
            for (unsigned round = 0; round < 120; ++round) RebuildVariant(f, f.out, 1 - round % 2);
        });
        if (!error.empty()) std::fprintf(stderr, "writer: %s\n", error.c_str());
        ::_exit(error.empty() ? 0 : 1);
    }
    int reads = 0, mixed = 0, status = 0;
    while (::waitpid(writer, &status, WNOHANG) == 0) {
        const std::string error = ErrorOf([&] {
            PackPair pair = OpenPackPair(f.out + "/MENU.fat");
            const Pair read{std::string(pair.index.begin(), pair.index.end()), WholeFile(pair.data.Fd())};
            mixed += read != variants[0] && read != variants[1];
            ++reads;
        });
        ASSERT_EQ(error, "");
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_GT(reads, 10);
    EXPECT_EQ(mixed, 0) << "of " << reads << " reads";
}

// Re-extraction into a folder that holds an earlier extraction and its log,
// killed at random moments: a result log that is there names only files
// that hold exactly their entries.
TEST(ReaderRace, KilledReExtractionLeavesNoLogNamingACutFile) {
    RunFolders f;
    PackDesign pack;
    for (unsigned k = 0; k < 120; ++k) pack.Entries.push_back({"e" + std::to_string(k) + ".bin", Bytes(30000 + 1500 * k, k)});
    WritePack(f.game + "/MENU.fat", pack);
    auto extract = [&f] {
        RecordingStatus status;
        RunContext run(status);
        return RunList(run, {f.game + "/MENU.fat"}, KindPacks, FormatNames[0], f.out);
    };
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(extract(), Outcome::Done);
    const auto full = std::chrono::steady_clock::now() - start;
    const ReadBack source = ReadPack(f.game + "/MENU.fat");

    std::mt19937 random(20261209);
    int logsLeft = 0;
    for (int i = 0; i < 20; ++i) {
        const auto at = full * std::uniform_real_distribution<double>(0, 1.1)(random);
        pid_t child = ::fork();
        if (child == 0) {
            ErrorOf([&] { extract(); });
            ::_exit(0);
        }
        std::this_thread::sleep_for(at);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (FileExists(f.out + "/result.log")) {
            ++logsLeft;
            std::istringstream log(ReadFile(f.out + "/result.log"));
            size_t k = 0;
            for (std::string line; std::getline(log, line);) {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                if (line.empty() || line[0] == '#') continue;
                EXPECT_EQ(ReadFile(line), source.EntryData(k)) << "kill " << i << ", entry " << k;
                ++k;
            }
        } else {
            ASSERT_EQ(extract(), Outcome::Done); // the earlier extraction, whole again
        }
    }
    RecordProperty("logs left whole", logsLeft);
}
