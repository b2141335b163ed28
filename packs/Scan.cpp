#include "packs/Scan.h"

#include "core/Directory.h"
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
    // One pass over the folder gives both lists: the subfolders to descend
    // into, and the folder's own matches, each in the order of the listing.
    std::vector<std::string> subfolders, matches;
    for (DirEntry& e : ListDirectory(dir)) {
        if (MatchesMask(e.Name, mask)) matches.push_back(e.Name);
        if (e.Folder && !e.Hidden) subfolders.push_back(std::move(e.Name));
    }
    for (const std::string& sub : subfolders) ScanDirectory(dir + PathDelim + sub, mask, out);
    for (const std::string& name : matches) out.push_back(dir + PathDelim + name);
}

} // namespace pw
