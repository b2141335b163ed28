#include "core/Directory.h"

#include "core/windows/Wide.h"

#include <shlobj.h>

namespace pw {

using namespace win;

std::vector<DirEntry> ListDirectory(const std::string& dir) {
    std::vector<DirEntry> entries;
    std::string pattern = dir;
    if (pattern.empty() || (pattern.back() != '\\' && pattern.back() != '/' && pattern.back() != ':'))
        pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAW data{};
    HANDLE find = ::FindFirstFileExW(SystemPath(pattern).c_str(), FindExInfoBasic, &data,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return entries;
    do {
        std::string name = Utf8(data.cFileName);
        if (name == "." || name == "..") continue;
        const DWORD attr = data.dwFileAttributes;
        // A junction or a link to a folder is not descended into: no loops.
        bool folder = (attr & FILE_ATTRIBUTE_DIRECTORY) && !(attr & FILE_ATTRIBUTE_REPARSE_POINT);
        bool hidden = (attr & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) || name.front() == '.';
        entries.push_back({std::move(name), folder, hidden});
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return entries;
}

bool MakeDirectory(const std::string& path) { return ::CreateDirectoryW(SystemPath(path).c_str(), nullptr) != 0; }

bool ChangeDirectory(const std::string& path) { return ::SetCurrentDirectoryW(SystemPath(path).c_str()) != 0; }

std::string WindowStartFolder() {
    PWSTR folder = nullptr;
    std::string path;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_DEFAULT, nullptr, &folder))) path = Utf8(folder);
    ::CoTaskMemFree(folder);
    return path;
}

bool MayEnterFolder(const std::string& dir) {
    DWORD attr = ::GetFileAttributesW(SystemPath(dir).c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool MayWriteIn(const std::string& dir) {
    // The read-only attribute of a folder does not keep files out of it.
    return MayEnterFolder(dir);
}

size_t PathRootLength(std::string_view path) {
    auto sep = [&](size_t i) { return i < path.size() && (path[i] == '\\' || path[i] == '/'); };
    auto drive = [&](size_t i) {
        return i + 1 < path.size() && path[i + 1] == ':' &&
               ((path[i] >= 'A' && path[i] <= 'Z') || (path[i] >= 'a' && path[i] <= 'z'));
    };
    // "\\server\share\" from `at` on: the server and share names and their separators.
    auto share = [&](size_t at) {
        size_t server = path.find_first_of("\\/", at);
        if (server == std::string_view::npos || server == at) return size_t(0);
        size_t end = path.find_first_of("\\/", server + 1);
        if (end == server + 1) return size_t(0);
        return end == std::string_view::npos ? path.size() : end + 1;
    };
    if (path.rfind("\\\\?\\", 0) == 0 || path.rfind("\\\\.\\", 0) == 0) {
        if (path.substr(4, 4) == "UNC\\") return share(8);
        if (drive(4)) return sep(6) ? 7 : 6;
        return 4;
    }
    if (sep(0) && sep(1)) return share(2);
    if (drive(0)) return sep(2) ? 3 : 2;
    return sep(0) ? 1 : 0;
}

std::filesystem::path FsPath(const std::string& path) { return std::filesystem::path(Utf16(path)); }

std::string PathText(const std::filesystem::path& path) { return Utf8(path.native()); }

} // namespace pw
