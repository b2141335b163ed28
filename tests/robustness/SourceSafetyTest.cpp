// A new pack is never written over its source, whatever the target's
// spelling, and extraction never writes over the pack it reads.
#include <unistd.h>

#include <gtest/gtest.h>

#include "RobustnessSupport.h"
#include "core/Error.h"

using namespace pwfuzz;
using namespace pwtest;

namespace {

std::string InsertError(const std::string& log, const std::string& target) {
    try {
        Insert(log, target);
    } catch (const pw::Error& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(SourceSafety, NoSpellingOfTheSourceFolderIsWrittenOver) {
    PrivateDir ws("pwsafe");
    const std::string src = ws.Path() + "/src";
    const SamplePack pack = WriteSamplePack(src);
    ResetDir(ws.Path() + "/other");
    ASSERT_EQ(::symlink(src.c_str(), (ws.Path() + "/link").c_str()), 0);
    // A folder holding hard links to the source files under the new names.
    ResetDir(ws.Path() + "/hard");
    ASSERT_EQ(::link((src + "/MENU.mix").c_str(), (ws.Path() + "/hard/MENU.mix").c_str()), 0);
    ResetDir(ws.Path() + "/hardindex");
    ASSERT_EQ(::link((src + "/MENU.fat").c_str(), (ws.Path() + "/hardindex/MENU.fat").c_str()), 0);

    const std::string log = ws.Path() + "/in.log";
    WriteBytes(log, "#Format: FAT\r\n#Source: " + src + "/MENU.fat\r\nNULL\r\nNULL\r\nNULL\r\nNULL\r\nNULL\r\n");
    const struct {
        std::string target, refused;
    } cases[] = {
        {src, src + "/MENU.mix"},
        {src + "/", src + "/MENU.mix"},
        {ws.Path() + "/link", ws.Path() + "/link/MENU.mix"},
        {ws.Path() + "/other/../src", ws.Path() + "/other/../src/MENU.mix"},
        {ws.Path() + "/hard", ws.Path() + "/hard/MENU.mix"},
        {ws.Path() + "/hardindex", ws.Path() + "/hardindex/MENU.fat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        const std::string error = InsertError(log, c.target);
        // Separators may be doubled where the folder ends in one.
        EXPECT_TRUE(error == "Cannot create file " + c.refused ||
                    error == "Cannot create file " + c.target + "/" + c.refused.substr(c.refused.rfind('/') + 1))
            << error;
        EXPECT_EQ(ReadBytes(src + "/MENU.fat"), pack.fat);
        EXPECT_EQ(ReadBytes(src + "/MENU.mix"), pack.mix);
        EXPECT_EQ(TempFilesUnder(ws.Path()), std::vector<std::string>{});
    }
}

TEST(SourceSafety, ExtractionNeverReplacesThePackItReads) {
    PrivateDir ws("pwsafe");
    const std::string src = ws.Path() + "/src";
    const SamplePack pack = WriteSamplePack(src);
    // The first entry's file is a hard link to the data file, the second
    // one's to the index.
    const std::string out = ws.Path() + "/out";
    ResetDir(out + "/MENU/TXT");
    ResetDir(out + "/MENU/DAT");
    ASSERT_EQ(::link((src + "/MENU.mix").c_str(), (out + "/MENU/TXT/00000000.txt").c_str()), 0);
    for (const std::string& refused : {out + "/MENU/TXT/00000000.txt", out + "/MENU/DAT/00000002.dat"}) {
        if (refused.find("DAT") != std::string::npos) {
            ::unlink((out + "/MENU/TXT/00000000.txt").c_str());
            ASSERT_EQ(::link((src + "/MENU.fat").c_str(), refused.c_str()), 0);
        }
        try {
            Extract(src + "/MENU.fat", out);
            ADD_FAILURE() << "extraction wrote over its own pack";
        } catch (const pw::Error& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot create file " + refused);
        }
        EXPECT_EQ(ReadBytes(src + "/MENU.fat"), pack.fat);
        EXPECT_EQ(ReadBytes(src + "/MENU.mix"), pack.mix);
    }
}

TEST(SourceSafety, AnIndexNamedLikeItsDataFileIsNotRebuilt) {
    // Read as an index, MENU.mix names itself as its data file: the new
    // index and data file would have one name, and the index would replace
    // the data. Refused before anything is written.
    PrivateDir ws("pwsafe");
    const std::string src = ws.Path() + "/src";
    ResetDir(src);
    SamplePack pack = MakePack({{"a.txt", "abc"}});
    pack.mix.replace(0, 4, std::string("\xFF\xFF\xFF\xFF", 4)); // no entries when read as an index
    WriteBytes(src + "/MENU.mix", pack.mix);
    const std::string log = ws.Path() + "/in.log";
    WriteBytes(log, "#Format: FAT\r\n#Source: " + src + "/MENU.mix\r\n");
    const std::string out = ws.Path() + "/out";
    EXPECT_EQ(InsertError(log, out), "Cannot create file " + out + "/MENU.mix");
    EXPECT_EQ(ListTree(out), std::vector<std::string>{});
    EXPECT_EQ(ReadBytes(src + "/MENU.mix"), pack.mix);
}
