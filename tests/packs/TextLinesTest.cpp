// Line files: how logs and project lists split into lines, and the bytes
// that result logs and project lists are written with.
#include <gtest/gtest.h>

#include "core/Error.h"
#include "packs/PackFixtures.h"
#include "packs/TextLines.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

TEST(SplitLines, EndsAtCrLfOrTheirPair) {
    EXPECT_EQ(SplitLines(""), Lines{});
    EXPECT_EQ(SplitLines("a"), Lines{"a"});
    EXPECT_EQ(SplitLines("a\r\n"), Lines{"a"});
    EXPECT_EQ(SplitLines("a\nb\rc\r\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\n\rb"), (Lines{"a", "", "b"})); // LF CR is two endings
    EXPECT_EQ(SplitLines("\r\n\r\n"), (Lines{"", ""}));
    EXPECT_EQ(SplitLines("a\r"), Lines{"a"});
    EXPECT_EQ(SplitLines("a\r\r\n"), (Lines{"a", ""}));
}

TEST(SplitLines, AZeroByteEndsTheText) {
    EXPECT_EQ(SplitLines(std::string("a\nb\0c\nd", 7)), (Lines{"a", "b"}));
    EXPECT_EQ(SplitLines(std::string("\0a", 2)), Lines{});
}

TEST(SplitLines, BlanksAndLongLinesAreKept) {
    const std::string longLine(100000, 'x');
    EXPECT_EQ(SplitLines(" a \t\n" + longLine), (Lines{" a \t", longLine}));
}

TEST(ProjectListBytes, ReadAsTheyStand) {
    TempDir dir;
    WriteFile(dir / "p.lst", "a\r\n\r\nb");
    EXPECT_EQ(LoadLines(dir / "p.lst"), (Lines{"a", "", "b"}));
}

TEST(ProjectListBytes, EveryLineEndsInCrLf) {
    TempDir dir;
    SaveLines(dir / "p.lst", {"/game/a.log", "", "/game/b c.log"});
    EXPECT_EQ(ReadFile(dir / "p.lst"), "/game/a.log\r\n\r\n/game/b c.log\r\n");
    SaveLines(dir / "empty.lst", {});
    EXPECT_EQ(ReadFile(dir / "empty.lst"), "");
    // Replacing leaves no temporary file beside it.
    SaveLines(dir / "p.lst", {"x"});
    EXPECT_EQ(ReadFile(dir / "p.lst"), "x\r\n");
    EXPECT_EQ(ListTree(dir.Path()), (Lines{"empty.lst", "p.lst"}));
}

TEST(LineFileErrors, NameTheFile) {
    TempDir dir;
    try {
        LoadLines(dir / "missing.log");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + (dir / "missing.log"));
    }
    try {
        LoadLines(dir.Path());
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + dir.Path());
    }
    try {
        SaveLines(dir / "no/such/folder/result.log", {"a"});
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + (dir / "no/such/folder/result.log"));
    }
    MakeDir(dir / "sub");
    try {
        SaveLines(dir / "sub", {"a"});
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + (dir / "sub"));
    }
}

TEST(SavedLines, ATemporaryFileOfAKilledSaveIsClearedByTheNext) {
    TempDir dir;
    WriteFile(dir / ".list.lst.packwright-99999-7.tmp", "a save killed half-way");
    for (bool sync : {false, true}) {
        SaveLines(dir / "list.lst", {"a", "b"}, sync);
        EXPECT_EQ(ReadFile(dir / "list.lst"), "a\r\nb\r\n");
        EXPECT_EQ(ListTree(dir.Path()), Lines{"list.lst"});
    }
}
