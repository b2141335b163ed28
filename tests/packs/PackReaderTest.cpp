// One entry read out of a pack without extracting it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "packs/PackFixtures.h"
#include "packs/PackReader.h"

using namespace pw;
using namespace pwtest;

TEST(PackReader, CopiesOneEntryOrNothing) {
    TempDir dir;
    PackDesign design;
    design.Placement = Layout::Shuffled;
    design.Entries = {{"a.bin", Bytes(700'000, 3)}, {"b.txt", "", {}, 9999}, {"c.txt", "far", 1 << 30}};
    PackPaths p = WritePack(dir / "MENU.fat", design);
    PackReader pack(p.Index);
    ASSERT_EQ(pack.Index().Count(), 3u);
    EXPECT_TRUE(pack.Inside(0));
    EXPECT_TRUE(pack.Inside(1)); // empty: never outside
    EXPECT_FALSE(pack.Inside(2));

    int fd = ::open((dir / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0666);
    ASSERT_GE(fd, 0);
    pack.CopyEntry(1, fd);
    EXPECT_EQ(ErrorOf([&] { pack.CopyEntry(2, fd); }), "Stream read error");
    pack.CopyEntry(0, fd);
    ::close(fd);
    EXPECT_EQ(ReadFile(dir / "out"), design.Entries[0].Data);
}

TEST(PackReader, OpensTheDataFileFirstAndHoldsIt) {
    TempDir dir;
    EXPECT_EQ(ErrorOf([&] { PackReader(dir / "NONE.fat"); }), "Cannot open file " + (dir / "NONE.mix"));
    PackDesign design;
    design.Entries = {{"a.bin", "x"}};
    PackPaths p = WritePack(dir / "MENU.fat", design);
    WriteFile(p.Index, "short");
    EXPECT_EQ(ErrorOf([&] { PackReader{p.Index}; }), "Damaged pack index " + p.Index);
    WritePack(p.Index, design);
    PackReader held(p.Index);
    // Not shared, as an extraction holds it.
    EXPECT_EQ(ErrorOf([&] { PackReader{p.Index}; }), "Cannot open file " + p.Data);
}
