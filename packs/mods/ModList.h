#pragma once
// A mod list ("NAME.pwmods"): UTF-8 text, one patch a line in load order.
// A relative path is taken from the list's own folder; a line whose first
// character other than a blank is "#" is a comment, so a mod is switched
// off by commenting its line; blank lines are nothing. Lines end with LF
// or CR LF. Players keep several lists as profiles and share them as files.
#include <string>
#include <vector>

namespace pw::mods {

struct ListedMod {
    std::string path;     // full path
    bool enabled = true;  // false: its line is commented ("# PATH")
};

// The mods of the list `listPath` (a full path). A commented line counts
// as a switched-off mod when what follows "#" names a ".pwpatch"; other
// comments are left out. "Cannot open file PATH".
std::vector<ListedMod> ReadModList(const std::string& listPath);
// The enabled mods' paths, in order.
std::vector<std::string> EnabledMods(const std::vector<ListedMod>& mods);
// Writes the list (paths below the list's folder relative to it),
// complete or not at all. "Cannot create file PATH".
void WriteModList(const std::string& listPath, const std::vector<ListedMod>& mods);

} // namespace pw::mods
