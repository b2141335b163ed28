// Extraction of bad packs and into bad places: each failure carries its
// message, and no partial file or result line is left for the failed entry.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/Error.h"
#include "packs/Formathandlers.h"
#include "packs/PackFixtures.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

struct Extraction : RunFolders {
    // The message of the error the extraction of `index` ends with.
    std::string Fails(const std::string& index) {
        return ErrorOf([&] { ExtractPack(ctx, index); }, "no error");
    }
};

} // namespace

TEST(ExtractErrors, MissingOrDamagedPackFiles) {
    Extraction x;
    EXPECT_EQ(x.Fails(x.game + "/NONE.fat"), "Cannot open file " + x.game + "/NONE.mix");
    WriteFile(x.game + "/ONLYMIX.mix", "data");
    EXPECT_EQ(x.Fails(x.game + "/ONLYMIX.fat"), "Cannot open file " + x.game + "/ONLYMIX.fat");
    WriteFile(x.game + "/SHORT.mix", "data");
    WriteFile(x.game + "/SHORT.fat", std::string("\x02\x00\x00\x00xxxx", 8) + std::string(28 + 27, 'n'));
    EXPECT_EQ(x.Fails(x.game + "/SHORT.fat"), "Damaged pack index " + x.game + "/SHORT.fat");
    EXPECT_TRUE(x.ctx.ResultLines.empty());
    EXPECT_TRUE(ListTree(x.out).empty());
}

TEST(ExtractErrors, EntriesOutsideTheDataFileAreReadErrors) {
    struct Case {
        const char* what;
        FixtureEntry bad;
    };
    const Case cases[] = {
        {"past the end", {"c.dat", "", 5000, 0}},
        {"one byte too many", {"c.dat", "", 2049, 0}},
        {"negative size", {"c.dat", "", -1, 0}},
        {"negative start", {"c.dat", "", 4, -1}},
        {"start overflowing 32 bits", {"c.dat", "", 0x7FFFFFFF, 0x7FFFFFFF}},
        {"huge start", {"c.dat", "", 16, 0x40000000}},
    };
    for (const Case& c : cases) {
        Extraction x;
        PackDesign pack;
        pack.Entries = {{"a.txt", "first"}, c.bad};
        pack.Entries[1].Data.clear();
        PackPaths p = WritePack(x.game + "/MENU.fat", pack);
        // The data file is 2048 + 0 bytes: entry 0 padded to one block.
        WriteFile(p.Data, ReadFile(p.Data).substr(0, 5) + std::string(2043, '\0'));
        EXPECT_EQ(x.Fails(p.Index), "Stream read error") << c.what;
        EXPECT_EQ(x.ctx.ResultLines, Lines{x.out + "/MENU/TXT/00000000.txt"}) << c.what;
        EXPECT_EQ(ListTree(x.out), (Lines{"MENU/", "MENU/TXT/", "MENU/TXT/00000000.txt"})) << c.what;
    }
}

TEST(ExtractErrors, OutputThatCannotBeCreated) {
    Extraction x;
    PackDesign pack;
    pack.Entries = {{"a.txt", "first"}, {"b.dat", "second"}};
    WritePack(x.game + "/MENU.fat", pack);
    // A file where the type folder should be.
    ::mkdir((x.out + "/MENU").c_str(), 0777);
    WriteFile(x.out + "/MENU/DAT", "in the way");
    EXPECT_EQ(x.Fails(x.game + "/MENU.fat"), "Cannot create file " + x.out + "/MENU/DAT/00000001.dat");
    EXPECT_EQ(x.ctx.ResultLines.size(), 1u);
    // A folder of the output file's name.
    Extraction y;
    WritePack(y.game + "/MENU.fat", pack);
    ::mkdir((y.out + "/MENU").c_str(), 0777);
    ::mkdir((y.out + "/MENU/TXT").c_str(), 0777);
    ::mkdir((y.out + "/MENU/TXT/00000000.txt").c_str(), 0777);
    EXPECT_EQ(y.Fails(y.game + "/MENU.fat"), "Cannot create file " + y.out + "/MENU/TXT/00000000.txt");
}

TEST(ExtractErrors, NeverWritesOverThePackItReads) {
    // Pack and output names chosen so that entry 0 lands on the pack's own
    // data file (00000000/MIX/00000000.mix), directly and through a link.
    for (bool throughLink : {false, true}) {
        Extraction x;
        ::mkdir((x.out + "/00000000").c_str(), 0777);
        ::mkdir((x.out + "/00000000/MIX").c_str(), 0777);
        PackDesign pack;
        pack.Entries = {{"a.mix", "data of a"}};
        PackPaths p = WritePack(x.out + "/00000000/MIX/00000000.fat", pack);
        const std::string before = ReadFile(p.Data);
        if (throughLink) {
            ::symlink(x.out.c_str(), (x.dir / "link").c_str());
            x.ctx.TargetDir = x.dir / "link";
        }
        EXPECT_EQ(x.Fails(p.Index), "Cannot create file " + x.ctx.TargetDir + "/00000000/MIX/00000000.mix");
        EXPECT_EQ(ReadFile(p.Data), before);
    }
    // The same for the index: entry 0 named *.fat lands on 00000000.fat.
    Extraction y;
    ::mkdir((y.out + "/00000000").c_str(), 0777);
    ::mkdir((y.out + "/00000000/FAT").c_str(), 0777);
    PackDesign pack;
    pack.Entries = {{"a.fat", "data of a"}};
    PackPaths p = WritePack(y.out + "/00000000/FAT/00000000.fat", pack);
    const std::string before = ReadFile(p.Index);
    EXPECT_EQ(y.Fails(p.Index), "Cannot create file " + p.Index);
    EXPECT_EQ(ReadFile(p.Index), before);
}

// A type with a line break would split its line of the result log, and a
// rebuild from that log would give entries the wrong files: such a name is
// refused as one that cannot be created, before any folder is made for it.
TEST(ExtractErrors, NamesWithControlCharactersCannotBeCreated) {
    Extraction x;
    PackDesign pack;
    pack.Entries = {{"a.txt", "first"}, {"b.t\r\nx", "second"}, {"c.txt", "third"}};
    WritePack(x.game + "/MENU.fat", pack);
    EXPECT_EQ(x.Fails(x.game + "/MENU.fat"), "Cannot create file " + x.out + "/MENU/T\r\nX/00000001.t\r\nx");
    EXPECT_EQ(x.ctx.ResultLines, (Lines{x.out + "/MENU/TXT/00000000.txt"}));
    EXPECT_EQ(ListTree(x.out), (Lines{"MENU/", "MENU/TXT/", "MENU/TXT/00000000.txt"}));
}
