// The directory scan: depth first, subfolders before the folder's own
// matches, hidden folders not entered, names matched in any letter case.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

#include "packs/PackFixtures.h"
#include "packs/Scan.h"

using namespace pw;
using namespace pwtest;
using Lines = std::vector<std::string>;

namespace {

// Names of `dir` in the order the file system lists them.
Lines ListingOrder(const std::string& dir) {
    Lines names;
    DIR* d = ::opendir(dir.c_str());
    while (dirent* e = ::readdir(d))
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
    ::closedir(d);
    return names;
}

} // namespace

TEST(Scan, SubfoldersFirstThenTheFolder) {
    TempDir dir;
    const std::string d = dir / "D";
    for (const char* sub : {"D", "D/S", "D/S/T", "D/.hidden", "D/U"}) ::mkdir((dir / sub).c_str(), 0777);
    for (const char* f : {"D/a.fat", "D/S/b.fat", "D/S/T/c.fat", "D/.hidden/h.fat", "D/.h.fat", "D/S/x.log",
                          "D/U/MENU.FAT"})
        WriteFile(dir / f, "");
    ::mkdir((dir / "D/dir.fat").c_str(), 0777); // a folder whose name matches
    Lines found;
    ScanDirectory(d, "*.fat", found);

    // Expected: D's subfolders in listing order (hidden ones skipped), each
    // scanned the same way, then D's own matches in listing order.
    std::function<void(const std::string&, Lines&)> expect = [&](const std::string& folder, Lines& out) {
        Lines matches;
        for (const std::string& name : ListingOrder(folder)) {
            struct stat st {};
            ::lstat((folder + "/" + name).c_str(), &st);
            if (S_ISDIR(st.st_mode) && name[0] != '.') expect(folder + "/" + name, out);
            if (MatchesMask(name, "*.fat")) matches.push_back(folder + "/" + name);
        }
        out.insert(out.end(), matches.begin(), matches.end());
    };
    Lines expected;
    expect(d, expected);
    EXPECT_EQ(found, expected);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (Lines{d + "/.h.fat", d + "/S/T/c.fat", d + "/S/b.fat", d + "/U/MENU.FAT", d + "/a.fat",
                            d + "/dir.fat"}));
    // The deepest file comes before its parents' files.
    EXPECT_EQ(expected.size(), 6u);
}

TEST(Scan, LinksToFoldersAreNotFollowed) {
    TempDir dir;
    ::mkdir((dir / "D").c_str(), 0777);
    WriteFile(dir / "D/a.fat", "");
    ::symlink((dir / "D").c_str(), (dir / "D/loop").c_str());
    Lines found;
    ScanDirectory(dir / "D", "*.fat", found);
    EXPECT_EQ(found, Lines{dir / "D/a.fat"});
    Lines none;
    ScanDirectory(dir / "missing", "*.fat", none);
    EXPECT_TRUE(none.empty());
}

TEST(Scan, Masks) {
    EXPECT_TRUE(MatchesMask("MENU.FAT", "*.fat"));
    EXPECT_TRUE(MatchesMask("a.b.fat", "*.fat"));
    EXPECT_FALSE(MatchesMask("menu.fat.bak", "*.fat"));
    EXPECT_FALSE(MatchesMask("fat", "*.fat"));
    EXPECT_TRUE(MatchesMask(".fat", "*.fat"));
    EXPECT_TRUE(MatchesMask("ab.lst", "?b.*"));
    EXPECT_FALSE(MatchesMask("b.lst", "?b.*"));
    EXPECT_TRUE(MatchesMask("anything", "*"));
    EXPECT_TRUE(MatchesMask("x.log", "*.*"));
}
