// The directory scan on Windows: hidden and system folders are not entered
// (by attribute as well as by a leading dot), matching files are listed
// whatever their attributes, names match without regard to case, and a
// folder's subfolders come before its own matches.
#include <gtest/gtest.h>

#include <algorithm>

#include "WinSupport.h"
#include "core/windows/Wide.h"
#include "packs/PackFixtures.h"
#include "packs/Scan.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

TEST(WindowsScan, HiddenAndSystemFoldersAreNotEntered) {
    TempDir dir;
    const std::string d = dir / "D";
    for (const char* sub : {"", "\\H", "\\S", "\\.dot", "\\V", "\\V\\W"}) MakeDir(d + sub);
    for (const char* f : {"\\a.fat", "\\h.fat", "\\H\\b.fat", "\\S\\c.fat", "\\.dot\\d.fat", "\\V\\e.FAT",
                          "\\V\\W\\f.Fat", "\\V\\x.txt"})
        WriteFile(d + f, "x");
    AddAttributes(d + "\\H", FILE_ATTRIBUTE_HIDDEN);
    AddAttributes(d + "\\S", FILE_ATTRIBUTE_SYSTEM);
    AddAttributes(d + "\\h.fat", FILE_ATTRIBUTE_HIDDEN);
    std::vector<std::string> found;
    ScanDirectory(d, "*.fat", found);
    // The order within a folder is the file system's: the folder's own two
    // matches may come either way round, after those of its subfolder.
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(Lines(found.begin(), found.begin() + 2), (Lines{d + "\\V\\W\\f.Fat", d + "\\V\\e.FAT"}));
    std::sort(found.begin() + 2, found.end());
    EXPECT_EQ(Lines(found.begin() + 2, found.end()), (Lines{d + "\\a.fat", d + "\\h.fat"}));
}

TEST(WindowsScan, AFolderTypedWithAFinalSeparatorOrForwardSlashes) {
    TempDir dir;
    MakeDir(dir / "D");
    WriteFile(dir / "D/a.fat", "x");
    std::vector<std::string> found;
    ScanDirectory(dir.Path() + "\\D\\", "*.fat", found);
    EXPECT_EQ(found, (Lines{dir.Path() + "\\D\\\\a.fat"})); // the folder text as typed
    found.clear();
    std::string slashes = dir.Path() + "/D";
    ScanDirectory(slashes, "*.FAT", found);
    EXPECT_EQ(found, (Lines{slashes + "\\a.fat"}));
}
