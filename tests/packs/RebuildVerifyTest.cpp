// insert --verify: a new pack is read back before it is put in place, and a
// fault between the writing and the read-back keeps it out of place.
#include <gtest/gtest.h>
#include <unistd.h>

#include "core/Error.h"
#include "packs/Formathandlers.h"
#include "packs/PackFixtures.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

struct VerifiedRebuild : RunFolders {
    PackPaths src;
    VerifiedRebuild() {
        PackDesign pack;
        pack.Placement = Layout::Sparse;
        pack.Entries = {{"a.txt", "alpha"}, {"e.dat", ""}, {"b.bin", Bytes(300000, 5)}, {"c.txt", "kept"}};
        src = WritePack(game + "/MENU.fat", pack);
        WriteFile(dir / "edit.txt", "edited alpha");
        WriteFile(dir / "big.bin", Bytes(300001, 6)); // past the buffered size
        ctx.VerifyRebuilds = true;
    }
    std::string Run() {
        SetLogBlock(ctx, src.Index, {dir / "edit.txt", "NULL", dir / "big.bin", "NULL"});
        return ErrorOf([&] { RebuildPack(ctx, out + "/MENU.fat", 1); });
    }
    // Flips one byte of the data (or index) file at `at` before the read-back.
    void Flip(bool data, int64_t at) {
        ctx.BeforeReadBack = [data, at](int dataFd, int indexFd) {
            int fd = data ? dataFd : indexFd;
            char c = 0;
            ASSERT_EQ(::pread(fd, &c, 1, at), 1);
            c ^= 1;
            ASSERT_EQ(::pwrite(fd, &c, 1, at), 1);
        };
    }
};

} // namespace

TEST(RebuildVerify, ASoundPackIsPutInPlace) {
    VerifiedRebuild r;
    int calls = 0;
    r.ctx.BeforeReadBack = [&](int, int) { ++calls; };
    EXPECT_EQ(r.Run(), "");
    EXPECT_EQ(calls, 1);
    ReadBack got = ReadPack(r.out + "/MENU.fat");
    EXPECT_EQ(got.EntryData(0), "edited alpha");
    EXPECT_EQ(got.EntryData(3), "kept");
}

TEST(RebuildVerify, AFaultBeforeTheReadBackKeepsThePackOutOfPlace) {
    const std::string data = "/MENU.mix", entry = "entry ";
    struct Case {
        bool data;
        int64_t at;
        std::string message; // after "Verification failed: "
    };
    // Layout: a 12 bytes in block 0, e empty, b 300001 bytes from block 1, c from block 148.
    const std::vector<Case> cases = {
        {true, 3, "entry 0 of OUT/MENU.mix does not hold the bytes of DIR/edit.txt"},
        {true, 2048 + 300000, "entry 2 of OUT/MENU.mix does not hold the bytes of DIR/big.bin"},
        {true, 148 * 2048 + 1, "entry 3 of OUT/MENU.mix does not hold its old data"},
        {true, 100, "the padding after entry 0 of OUT/MENU.mix is not zero"},
        {false, 8 + 28 * 3 + 16, "OUT/MENU.fat does not hold the index written"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        VerifiedRebuild r;
        WriteFile(r.out + "/MENU.fat", "earlier index");
        WriteFile(r.out + "/MENU.mix", "earlier data");
        r.Flip(c.data, c.at);
        std::string expected = "Verification failed: " + c.message;
        expected.replace(expected.find("OUT"), 3, r.out);
        if (expected.find("DIR") != std::string::npos) expected.replace(expected.find("DIR"), 3, r.dir.Path());
        EXPECT_EQ(r.Run(), expected);
        // Nothing put in place, nothing left behind.
        EXPECT_EQ(ListTree(r.out), (Lines{"MENU.fat", "MENU.mix"}));
        EXPECT_EQ(ReadFile(r.out + "/MENU.mix"), "earlier data");
    }
}

TEST(RebuildVerify, ADataFileOfAnotherLength) {
    VerifiedRebuild r;
    r.ctx.BeforeReadBack = [](int dataFd, int) { ASSERT_EQ(::ftruncate(dataFd, 2048), 0); };
    EXPECT_EQ(r.Run(), "Verification failed: " + r.out + "/MENU.mix is not " + std::to_string(149 * 2048) +
                           " bytes long");
    EXPECT_TRUE(ListTree(r.out).empty());
}

TEST(RebuildVerify, AnEntryFileChangedSinceItWasCopied) {
    VerifiedRebuild r;
    const std::string edit = r.dir / "edit.txt";
    r.ctx.BeforeReadBack = [&](int, int) { WriteFile(edit, "edited alphA"); };
    EXPECT_EQ(r.Run(), "Verification failed: entry 0 of " + r.out + "/MENU.mix does not hold the bytes of " + edit);
    EXPECT_TRUE(ListTree(r.out).empty());
}
