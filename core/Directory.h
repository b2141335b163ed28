#pragma once
// Folders as the program walks and makes them, the current folder, and
// paths handed to std::filesystem. Paths are UTF-8 text everywhere in the
// program; on Windows they become UTF-16 only at the system's interface.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

struct DirEntry {
    std::string Name;
    bool Folder = false; // a real folder: a link to one is not
    bool Hidden = false; // a leading "."; on Windows also the hidden or system attribute
};

// The entries of a folder in the order the file system gives them, without
// "." and ".."; empty when it cannot be read.
std::vector<DirEntry> ListDirectory(const std::string& dir);

// Creates one folder level; false when it could not be made.
bool MakeDirectory(const std::string& path);
// Makes the current folder `path`; false when it cannot be entered.
bool ChangeDirectory(const std::string& path);
// The folder a window program works in when started from a menu or by a
// double-click on a file: the current one on POSIX systems, whose desktops
// start programs in the home folder; on Windows, which starts them in their
// own folder or in the clicked file's (perhaps a game's under Program
// Files), the user's Documents folder. Empty when there is none.
std::string WindowStartFolder();
// Whether this process may enter a folder, and make files in it, as far as
// its permissions tell (POSIX access(); on Windows every folder is taken as
// both, its access lists are not read).
bool MayEnterFolder(const std::string& dir);
bool MayWriteIn(const std::string& dir);

// The length of the part of a path that is taken to exist: "/" here;
// "C:\", "\\server\share\" or "\\?\C:\" on Windows; 0 for a relative path.
size_t PathRootLength(std::string_view path);

// A path for std::filesystem from the program's text, and back.
std::filesystem::path FsPath(const std::string& path);
std::string PathText(const std::filesystem::path& path);

} // namespace pw
