// Disk full and write errors: extraction and rebuild run in a child under a
// file-size limit swept across the write boundaries (SIGXFSZ ignored, so a
// write past the limit fails with EFBIG), writes into /dev/full, and too few
// file descriptors. Every run ends done or with the engine's message; no
// partial file under a final name, no temporary file, earlier files intact.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "RobustnessSupport.h"
#include "core/Error.h"
#include "core/FileIO.h"
#include "packs/PackIndex.h"
#include "packs/TextLines.h"

using namespace pwfuzz;
using namespace pwtest;

namespace {

void LimitFileSize(rlim_t bytes) {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit r {bytes, bytes};
    if (::setrlimit(RLIMIT_FSIZE, &r) != 0) throw std::runtime_error("setrlimit failed");
}

// 0, 1, and every block boundary (and its neighbours) up to `top`.
std::set<rlim_t> Boundaries(rlim_t top, const std::vector<rlim_t>& extra) {
    std::set<rlim_t> limits = {0, 1};
    for (rlim_t b = Block; b <= top + Block; b += Block) limits.insert({b - 1, b, b + 1});
    for (rlim_t e : extra) limits.insert({e - 1, e, e + 1});
    return limits;
}

// Lowers the descriptor limit so that exactly `spare` numbers below it are
// free. Descriptors above the limit stay open; only new ones are refused.
// Counting free numbers, not the highest open one, keeps the sweep the same
// whatever descriptors the test inherited.
void LeaveFreeDescriptors(int spare) {
    std::set<int> open;
    {
        DIR* dir = ::opendir("/proc/self/fd");
        if (!dir) throw std::runtime_error("cannot list /proc/self/fd");
        const int own = ::dirfd(dir);
        while (const dirent* e = ::readdir(dir))
            if (e->d_name[0] != '.' && std::atoi(e->d_name) != own) open.insert(std::atoi(e->d_name));
        ::closedir(dir);
    }
    rlim_t limit = 0;
    for (int free = 0; free < spare || open.count(int(limit)); ++limit)
        if (!open.count(int(limit))) ++free;
    struct rlimit r {limit, limit};
    if (::setrlimit(RLIMIT_NOFILE, &r) != 0) throw std::runtime_error("setrlimit failed");
}

// The undefined-behaviour checker verifies an object's dynamic type the first
// time it meets each type, and needs a pipe for that; under the lowest limits
// it has none and reports a false fault. Running every path once here, at
// full limits, lets the children inherit those checks already done.
void WarmUpTypeChecks(const std::string& ws, const std::string& log) {
    const std::string scratch = ws + "/warm";
    Extract(ws + "/src/MENU.fat", scratch + "/a");
    Insert(log, scratch + "/b");
    WriteBytes(scratch + "/file", "");
    for (const std::string& target : {scratch + "/file", scratch + "/file/x"}) {
        ErrorOf([&] { Extract(ws + "/src/MENU.fat", target); });
        ErrorOf([&] { Insert(log, target); });
    }
    ErrorOf([&] { Extract(ws + "/missing.fat", scratch + "/c"); });
}

} // namespace

TEST(WriteFaults, ExtractionUnderEveryFileSizeLimit) {
    PrivateDir ws("pwfault");
    const SamplePack pack = WriteSamplePack(ws.Path() + "/src");
    const std::vector<std::string> data = SampleEntryData(pack);
    const std::vector<ModelEntry> entries = *ParseIndex(pack.fat);
    const std::string target = ws.Path() + "/out";

    // The result log of a whole run, for its size.
    Extract(ws.Path() + "/src/MENU.fat", target);
    const std::string fullLog = ReadBytes(target + "/result.log");
    std::vector<rlim_t> sizes = {rlim_t(fullLog.size())};
    for (const std::string& d : data) sizes.push_back(rlim_t(d.size()));

    for (rlim_t limit : Boundaries(4096, sizes)) {
        SCOPED_TRACE("file size limit " + std::to_string(limit));
        ResetDir(target);
        WriteBytes(target + "/result.log", "an earlier log\r\n");
        ChildOutcome o = RunInChild([&] { LimitFileSize(limit); }, [&] { Extract(ws.Path() + "/src/MENU.fat", target); });
        ASSERT_TRUE(o.finished) << o.message;

        // The first entry that does not fit fails the run; the log is the
        // last file written.
        size_t firstTooBig = data.size();
        for (size_t k = 0; k < data.size() && firstTooBig == data.size(); ++k)
            if (data[k].size() > limit) firstTooBig = k;
        const bool fits = firstTooBig == data.size() && fullLog.size() <= limit;
        if (fits) {
            EXPECT_EQ(o.message, "");
            EXPECT_EQ(ReadBytes(target + "/result.log"), fullLog);
        } else {
            EXPECT_EQ(o.message, "Stream write error");
            EXPECT_EQ(ReadBytes(target + "/result.log"), "an earlier log\r\n");
        }
        EXPECT_EQ(TempFilesUnder(target), std::vector<std::string>{});
        for (size_t k = 0; k < entries.size(); ++k) {
            if (entries[k].size == 0) continue;
            const std::string path = target + "/" + EntryFileName("MENU", entries[k].name, uint32_t(k));
            if (k < firstTooBig)
                EXPECT_EQ(ReadBytes(path), data[k]) << "entry " << k;
            else
                EXPECT_FALSE(FileExists(path)) << "entry " << k << " left behind";
        }
    }
}

TEST(WriteFaults, RebuildUnderEveryFileSizeLimit) {
    PrivateDir ws("pwfault");
    const SamplePack pack = WriteSamplePack(ws.Path() + "/src");
    std::vector<std::string> expected = SampleEntryData(pack);
    // One entry replaced by a longer file, one by an empty one.
    WriteBytes(ws.Path() + "/new0", Pattern(4100, 9));
    WriteBytes(ws.Path() + "/new3", "");
    expected[0] = Pattern(4100, 9);
    expected[3] = "";
    const std::string log = ws.Path() + "/in.log";
    WriteBytes(log, "#Format: FAT\r\n#Source: " + ws.Path() + "/src/MENU.fat\r\n" + ws.Path() + "/new0\r\nNULL\r\nNULL\r\n" +
                        ws.Path() + "/new3\r\nNULL\r\n");
    const std::string target = ws.Path() + "/out";
    Insert(log, target);
    const std::string newMix = ReadBytes(target + "/MENU.mix");
    CheckRebuilt(ReadBytes(target + "/MENU.fat"), newMix, pack.fat, &expected, "unlimited rebuild");

    const std::string earlierFat = "an earlier index", earlierMix = "earlier data";
    for (rlim_t limit : Boundaries(rlim_t(newMix.size()), {rlim_t(pack.fat.size())})) {
        SCOPED_TRACE("file size limit " + std::to_string(limit));
        ResetDir(target);
        WriteBytes(target + "/MENU.fat", earlierFat);
        WriteBytes(target + "/MENU.mix", earlierMix);
        ChildOutcome o = RunInChild([&] { LimitFileSize(limit); }, [&] { Insert(log, target); });
        ASSERT_TRUE(o.finished) << o.message;
        if (newMix.size() <= limit && pack.fat.size() <= limit) {
            EXPECT_EQ(o.message, "");
            CheckRebuilt(ReadBytes(target + "/MENU.fat"), ReadBytes(target + "/MENU.mix"), pack.fat, &expected, "rebuild");
        } else {
            EXPECT_EQ(o.message, "Stream write error");
            EXPECT_EQ(ReadBytes(target + "/MENU.fat"), earlierFat);
            EXPECT_EQ(ReadBytes(target + "/MENU.mix"), earlierMix);
        }
        EXPECT_EQ(TempFilesUnder(target), std::vector<std::string>{});
        EXPECT_EQ(ListTree(target).size(), 2u);
    }
    EXPECT_EQ(ReadBytes(ws.Path() + "/src/MENU.fat"), pack.fat);
    EXPECT_EQ(ReadBytes(ws.Path() + "/src/MENU.mix"), pack.mix);
}

TEST(WriteFaults, DevFullTakesNoBytes) {
    PrivateDir ws("pwfault");
    if (!FileExists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
    WriteBytes(ws.Path() + "/src", Pattern(70000, 1));
    pw::File full(::open("/dev/full", O_WRONLY | O_CLOEXEC));
    ASSERT_TRUE(full.IsOpen());
    pw::File src(::open((ws.Path() + "/src").c_str(), O_RDONLY | O_CLOEXEC));
    try {
        pw::CopyRange(src.Fd(), 0, full.Fd(), 70000);
        ADD_FAILURE() << "a copy into /dev/full succeeded";
    } catch (const pw::Error& e) {
        EXPECT_STREQ(e.what(), "Stream write error");
    }
    try {
        pw::WriteAll(full.Fd(), "x", 1);
        ADD_FAILURE() << "a write into /dev/full succeeded";
    } catch (const pw::Error& e) {
        EXPECT_STREQ(e.what(), "Stream write error");
    }

    // An entry file that is a link to /dev/full: the link is replaced by
    // the entry's file, never written through; the device stays.
    const SamplePack pack = WriteSamplePack(ws.Path() + "/pack");
    const std::string target = ws.Path() + "/out";
    const std::string entry = target + "/MENU/TXT/00000000.txt";
    ResetDir(target + "/MENU/TXT");
    ASSERT_EQ(::symlink("/dev/full", entry.c_str()), 0);
    Extract(ws.Path() + "/pack/MENU.fat", target);
    struct stat st {};
    ASSERT_EQ(::lstat(entry.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(ReadBytes(entry), SampleEntryData(pack)[0]);
    ASSERT_EQ(::stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST(WriteFaults, TooFewFileDescriptors) {
    PrivateDir ws("pwfault");
    const SamplePack pack = WriteSamplePack(ws.Path() + "/src");
    const std::string log = ws.Path() + "/in.log";
    WriteBytes(log, "#Format: FAT\r\n#Source: " + ws.Path() + "/src/MENU.fat\r\nNULL\r\nNULL\r\nNULL\r\nNULL\r\nNULL\r\n");
    const std::string target = ws.Path() + "/out";
    WarmUpTypeChecks(ws.Path(), log);
    for (int spare = 0; spare <= 8; ++spare) {
        SCOPED_TRACE("spare descriptors " + std::to_string(spare));
        for (int run = 0; run < 2; ++run) {
            ResetDir(target);
            ChildOutcome o = RunInChild([&] { LeaveFreeDescriptors(spare); },
                                        [&] {
                                            if (run == 0) Extract(ws.Path() + "/src/MENU.fat", target);
                                            else Insert(log, target);
                                        });
            ASSERT_TRUE(o.finished) << o.message;
            EXPECT_TRUE(o.message.empty() || o.message.rfind("Cannot open file ", 0) == 0 ||
                        o.message.rfind("Cannot create file ", 0) == 0)
                << o.message;
            EXPECT_EQ(TempFilesUnder(target), std::vector<std::string>{});
            if (run == 1 && o.message.empty())
                CheckRebuilt(ReadBytes(target + "/MENU.fat"), ReadBytes(target + "/MENU.mix"), pack.fat,
                             nullptr, "rebuild with few descriptors");
        }
    }
}
