// Names in logs and output paths that are not plain files: a run never waits
// on a pipe, never reads a device without end, and never writes through a
// symbolic link.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "core/Error.h"
#include "packs/Formathandlers.h"
#include "packs/PackFixtures.h"

using namespace pw;
using namespace pwtest;

namespace {

struct Workbench : RunFolders {
    PackPaths src;
    Workbench() {
        PackDesign pack;
        pack.Entries = {{"a.txt", "first"}, {"b.txt", "second"}};
        src = WritePack(game + "/MENU.fat", pack);
    }
    // The message that inserting `log` ends with, or "" when it succeeds.
    std::string Insert(const std::string& log) {
        WriteFile(dir / "in.log", log);
        return ErrorOf([&] { ProcessLogFile(ctx, dir / "in.log"); });
    }
};

} // namespace

TEST(NonRegularFiles, EntryLinesNamingPipesOrDevicesAreRefused) {
    Workbench r;
    const std::string fifo = r.dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(r.Insert("#Format: FAT\n#Source: " + r.src.Index + "\n" + path + "\nNULL\n"),
                  "Cannot open file " + path);
        EXPECT_EQ(ListTree(r.out), std::vector<std::string>{}); // nothing, not even a temporary file
    }
}

TEST(NonRegularFiles, ASourceThatIsAPipeIsRefused) {
    Workbench r;
    const std::string fifo = r.dir / "MENU.fat";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    EXPECT_EQ(r.Insert("#Format: FAT\n#Source: " + fifo + "\nNULL\nNULL\n"), "Cannot open file " + fifo);
}

TEST(NonRegularFiles, APipeAtAnOutputPathIsNotWaitedOn) {
    Workbench r;
    ::mkdir((r.out + "/MENU").c_str(), 0777);
    ::mkdir((r.out + "/MENU/TXT").c_str(), 0777);
    const std::string fifo = r.out + "/MENU/TXT/00000000.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    try {
        ExtractPack(r.ctx, r.src.Index);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + fifo);
    }
}

TEST(NonRegularFiles, ALinkAtAnOutputPathIsReplacedNotWrittenThrough) {
    Workbench r;
    ::mkdir((r.out + "/MENU").c_str(), 0777);
    ::mkdir((r.out + "/MENU/TXT").c_str(), 0777);
    const std::string outside = r.dir / "outside", dangling = r.dir / "nowhere";
    WriteFile(outside, "keep me");
    ASSERT_EQ(::symlink(outside.c_str(), (r.out + "/MENU/TXT/00000000.txt").c_str()), 0);
    ASSERT_EQ(::symlink(dangling.c_str(), (r.out + "/MENU/TXT/00000001.txt").c_str()), 0);
    ExtractPack(r.ctx, r.src.Index);
    EXPECT_EQ(ReadFile(outside), "keep me");
    EXPECT_FALSE(FileExists(dangling));
    struct stat st {};
    ASSERT_EQ(::lstat((r.out + "/MENU/TXT/00000000.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(ReadFile(r.out + "/MENU/TXT/00000000.txt"), "first");
    EXPECT_EQ(ReadFile(r.out + "/MENU/TXT/00000001.txt"), "second");
}
