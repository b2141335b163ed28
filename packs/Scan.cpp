#include "packs/Scan.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

#include "core/FileNames.h"

namespace pw {

bool MatchesMask(std::string_view name, std::string_view mask) {
    // Iterative wildcard match with one backtrack point for the last "*".
    size_t n = 0, m = 0, starM = std::string_view::npos, starN = 0;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || lower(mask[m]) == lower(name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starM = m++;
            starN = n;
        } else if (starM != std::string_view::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

void ScanDirectory(const std::string& dir, const std::string& mask, std::vector<std::string>& out) {
    if (dir.empty()) return;
    std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.c_str()), ::closedir);
    if (!d) return;
    // One pass over the folder gives both lists: the subfolders to descend
    // into, and the folder's own matches, each in the order of the listing.
    std::vector<std::string> subfolders, matches;
    while (dirent* e = ::readdir(d.get())) {
        std::string_view name = e->d_name;
        if (name == "." || name == "..") continue;
        if (MatchesMask(name, mask)) matches.emplace_back(name);
        bool folder = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN) {
            // Some file systems do not say: ask without following links.
            struct stat st {};
            std::string path = dir + PathDelim + std::string(name);
            folder = ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        if (folder && name.front() != '.') subfolders.emplace_back(name);
    }
    d.reset();
    for (const std::string& sub : subfolders) ScanDirectory(dir + PathDelim + sub, mask, out);
    for (const std::string& name : matches) out.push_back(dir + PathDelim + name);
}

} // namespace pw
