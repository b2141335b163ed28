#pragma once
// The recursive directory scan: depth first, every subfolder that is not
// hidden (names beginning with "."; on Windows also the hidden or system
// attribute) first, in the order the file system
// gives them, then the folder's own entries matching the pattern, hidden
// ones and folders included. Names match case-insensitively, as on the
// original system: "*.fat" matches MENU.FAT. Symbolic links to folders are
// not followed, so a link loop cannot trap the scan.
#include <string>
#include <string_view>
#include <vector>

namespace pw {

// Appends "dir/name" for every match below `dir`. The folder text is used
// as typed: a separator is always put before a name.
void ScanDirectory(const std::string& dir, const std::string& mask, std::vector<std::string>& out);

// "*" any run of characters, "?" any one character, letters in any case.
bool MatchesMask(std::string_view name, std::string_view mask);

} // namespace pw
