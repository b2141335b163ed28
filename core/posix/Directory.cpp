#include "core/Directory.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace pw {

std::vector<DirEntry> ListDirectory(const std::string& dir) {
    std::vector<DirEntry> entries;
    std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.c_str()), ::closedir);
    if (!d) return entries;
    while (dirent* e = ::readdir(d.get())) {
        std::string_view name = e->d_name;
        if (name == "." || name == "..") continue;
        bool folder = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN) {
            // Some file systems do not say: ask without following links.
            struct stat st {};
            std::string path = dir + "/" + std::string(name);
            folder = ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        entries.push_back({std::string(name), folder, name.front() == '.'});
    }
    return entries;
}

bool MakeDirectory(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }

bool ChangeDirectory(const std::string& path) { return ::chdir(path.c_str()) == 0; }

std::string WindowStartFolder() {
    std::unique_ptr<char, void (*)(void*)> cwd(::getcwd(nullptr, 0), ::free);
    return cwd ? std::string(cwd.get()) : std::string();
}

bool MayEnterFolder(const std::string& dir) { return ::access(dir.c_str(), X_OK) == 0; }

bool MayWriteIn(const std::string& dir) { return ::access(dir.c_str(), W_OK) == 0; }

size_t PathRootLength(std::string_view path) { return !path.empty() && path[0] == '/' ? 1 : 0; }

std::filesystem::path FsPath(const std::string& path) { return std::filesystem::path(path); }

std::string PathText(const std::filesystem::path& path) { return path.string(); }

} // namespace pw
