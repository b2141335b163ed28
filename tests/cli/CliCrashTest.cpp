// packwright-cli insert killed (SIGKILL) at random moments while it rebuilds
// a pack over an earlier one, and --sync: what it flushes, and when.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <sstream>
#include <thread>

#include "cli/CliRunner.h"
#include "core/PairCommit.h"

using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

struct Crash {
    TempDir dir;
    std::string out = dir / "out", log = dir / "menu.log";
    using Pack = std::pair<std::string, std::string>; // index, data
    Pack earlier, fresh;

    Crash() {
        PackDesign pack;
        std::string lines = "#Format: FAT\r\n#Source: " + (dir / "MENU.fat") + "\r\n";
        ::mkdir((dir / "edits").c_str(), 0777);
        ::mkdir(out.c_str(), 0777);
        for (unsigned k = 0; k < 400; ++k) {
            pack.Entries.push_back({"e" + std::to_string(k) + ".bin", Bytes(k % 50 == 7 ? 400000 : 3000 + 40 * k, k)});
            if (k % 4 == 0) {
                const std::string edit = dir / ("edits/" + std::to_string(k));
                WriteFile(edit, Bytes(2000 + k, k + 7));
                lines += edit + "\r\n";
            } else {
                lines += "NULL\r\n";
            }
        }
        WritePack(dir / "MENU.fat", pack);
        WriteFile(log, lines);
        PackDesign old;
        old.Entries = {{"old.txt", "the earlier pack"}};
        WritePack(out + "/MENU.fat", old);
        earlier = Pair();
    }
    Pack Pair() const { return {ReadFile(out + "/MENU.fat"), ReadFile(out + "/MENU.mix")}; }
    void ResetToEarlier() const {
        WriteFile(out + "/MENU.fat", earlier.first);
        WriteFile(out + "/MENU.mix", earlier.second);
    }
};

} // namespace

TEST(CliCrash, KilledAtRandomMomentsLeavesOneWholePair) {
    Crash c;
    ::mkdir((c.dir / "ref").c_str(), 0777);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(RunCli({"insert", "--quiet", "--target", c.dir / "ref", c.log}).Exit, 0);
    const auto full = std::chrono::steady_clock::now() - start;
    c.fresh = {ReadFile(c.dir / "ref/MENU.fat"), ReadFile(c.dir / "ref/MENU.mix")};

    std::mt19937 random(20261208);
    const int kills = 24;
    int mixed = 0; // kills that left the new data file beside the earlier index
    for (int i = 0; i < kills; ++i) {
        // Spread over the whole run, a little past its usual end.
        const auto at = full * (i + std::uniform_real_distribution<double>(0, 1)(random)) * 1.1 / kills;
        SCOPED_TRACE(std::chrono::duration_cast<std::chrono::microseconds>(at).count());
        CliProcess cli({"insert", "--quiet", "--target", c.out, c.log});
        ASSERT_GT(cli.Pid(), 0); // never kill(-1): that signals every process
        std::this_thread::sleep_for(at);
        ::kill(cli.Pid(), SIGKILL);
        const int exit = cli.Wait().Exit;
        EXPECT_TRUE(exit == 128 + SIGKILL || exit == 0) << exit;

        const Crash::Pack now = c.Pair();
        if (now != c.earlier && now != c.fresh) {
            ++mixed;
            // Only between the commit's two renames, and the journal says so.
            EXPECT_TRUE(now == Crash::Pack(c.earlier.first, c.fresh.second))
                << "index " << now.first.size() << " bytes, data " << now.second.size() << " bytes";
            EXPECT_TRUE(pw::HasInterruptedCommit(c.out + "/MENU.fat"));
        }
        // Whoever opens the pack next finishes what the killed run began.
        pw::FinishInterruptedCommit(c.out + "/MENU.fat");
        EXPECT_TRUE(c.Pair() == c.earlier || c.Pair() == c.fresh);
        // And one more run leaves exactly the new pack.
        EXPECT_EQ(RunCli({"insert", "--quiet", "--target", c.out, c.log}).Exit, 0);
        EXPECT_TRUE(c.Pair() == c.fresh);
        EXPECT_EQ(ListTree(c.out), (Lines{"MENU.fat", "MENU.mix"}));
        c.ResetToEarlier();
    }
    // The two renames follow each other at once: a kill falls between them
    // about once in thousands.
    EXPECT_LE(mixed, 1) << "of " << kills << " kills";
    RecordProperty("mixed pairs", mixed);
}

// The calls that put files on disk, in order, as strace saw them.
Lines SyncCalls(const std::vector<std::string>& args, const std::string& trace) {
    std::vector<std::string> all{"strace", "-f", "-qq", "-o", trace, "-e",
                                 "trace=fdatasync,fsync,syncfs,rename,linkat", CLI_PATH};
    all.insert(all.end(), args.begin(), args.end());
    // LeakSanitizer cannot run under a tracer.
    std::string command = "ASAN_OPTIONS=detect_leaks=0 ";
    for (const std::string& a : all) command += "'" + a + "' ";
    if (std::system((command + ">/dev/null 2>&1").c_str()) != 0) return {"failed"};
    Lines calls;
    std::istringstream in(ReadFile(trace));
    for (std::string line; std::getline(in, line);) {
        for (const char* call : {"fdatasync", "fsync", "syncfs", "rename", "linkat"}) {
            const size_t at = line.find(std::string(call) + "(");
            if (at != std::string::npos && (at == 0 || line[at - 1] == ' ')) {
                calls.push_back(call);
                break;
            }
        }
    }
    return calls;
}

TEST(CliSync, FlushesTheFilesBeforeTheirNamesAndTheFolderAfter) {
    if (std::system("strace -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "no strace";
    Crash c;
    TempDir traces;
    // Without --sync nothing is flushed.
    Lines plain = SyncCalls({"insert", "--quiet", "--target", c.out, c.log}, traces / "plain");
    EXPECT_EQ(plain, (Lines{"linkat", "linkat", "rename", "rename"}));
    // With it: each file's data before it gets a name, the folder after the
    // staging names, the journal's record, then both renames and the folder.
    Lines synced = SyncCalls({"insert", "--quiet", "--sync", "--target", c.out, c.log}, traces / "sync");
    // Nothing between the two renames, so that a kill almost never falls there.
    EXPECT_EQ(synced, (Lines{"fdatasync", "linkat", "fdatasync", "linkat", "fsync", "fdatasync", "rename", "rename",
                             "fsync"}));
    EXPECT_EQ(ListTree(c.out), (Lines{"MENU.fat", "MENU.mix"}));

    // Extraction: every extracted file on disk before result.log is written.
    Lines extract = SyncCalls({"extract", "--quiet", "--sync", "--target", c.dir / "x", c.dir / "MENU.fat"},
                              traces / "extract");
    EXPECT_EQ(extract, (Lines{"syncfs", "fdatasync", "linkat", "rename", "fsync"}));
    EXPECT_EQ(ReadFile(c.dir / "x/MENU/BIN/00000001.bin"), Bytes(3040, 1));
}
