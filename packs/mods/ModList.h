#pragma once
// A mod list ("NAME.pwmods"): UTF-8 text, one patch a line in load order.
// A relative path is taken from the list's own folder; a line whose first
// character other than a blank is "#" is a comment, so a mod is switched
// off by commenting its line; blank lines are nothing. A line
// "!prefer-later" makes later mods win where two change one entry
// differently (as --prefer-later does). Lines end with LF or CR LF.
// Players keep several lists as profiles and share them as files.
//
// A list is written back as it was read: comments, blank lines, line ends
// and each path as written stay; only what changed differs.
#include <string>
#include <vector>

namespace pw::mods {

struct ListedMod {
    std::string path;     // full path
    bool enabled = true;  // false: its line is commented ("# PATH")
    int line = -1;        // its line in the list it was read from; -1: added since
};

// One line of a list as read: its text and its end ("\n", "\r\n" or "").
struct ListLine {
    std::string text, end;
    enum Kind { Other, Mod, PreferLater } kind = Other;
    bool enabled = true;  // Mod
    std::string written;  // Mod: the path as written
};

struct ModList {
    std::string path;     // the list's full path
    std::vector<ListLine> lines;
    std::vector<ListedMod> mods;
    bool preferLater = false;
};

// The list `listPath` (a full path). A commented line counts as a
// switched-off mod when what follows "#" names a ".pwpatch"; other
// comments are kept as lines. "Cannot open file PATH".
ModList ReadModList(const std::string& listPath);
ModList ParseModList(const std::string& listPath, const std::string& text);
// The enabled mods' paths, in order.
std::vector<std::string> EnabledMods(const std::vector<ListedMod>& mods);
// The text of the list `listPath` holding `mods` and the setting; lines of
// `read` (the list as read, or none) are kept where they still apply. A
// path below the list's folder is written relative to it.
std::string ModListText(const std::string& listPath, const std::vector<ListedMod>& mods, bool preferLater,
                        const ModList* read = nullptr);
// Writes that text, complete or not at all, and returns it. "Cannot
// create file PATH". A switched-off mod whose path does not end in
// ".pwpatch" is refused (its commented line would read back as a comment).
std::string WriteModList(const std::string& listPath, const std::vector<ListedMod>& mods, bool preferLater,
                  const ModList* read = nullptr);

} // namespace pw::mods
