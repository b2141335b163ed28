// Choosing the files that replace entries, matching files to entries by
// name, and the checks made before anything is written.
#include "packs/replace/Replace.h"

#include <algorithm>
#include <cstdint>
#include <map>

#include "core/Directory.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/EntryFilter.h"

namespace pw::replace {

namespace {

[[noreturn]] void TooLarge(const std::string& file) {
    throw Error("File " + file + " is too large for a pack entry");
}

std::string EntryText(const PackIndex& index, size_t k) {
    return std::to_string(k) + " (" + std::string(index.Name(k)) + ")";
}

// 8 hexadecimal digits: the index they give.
std::optional<size_t> HexIndex(std::string_view digits) {
    if (digits.size() != 8) return std::nullopt;
    size_t value = 0;
    for (char c : digits) {
        int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (d < 0) return std::nullopt;
        value = value * 16 + size_t(d);
    }
    return value;
}

void CollectFiles(const std::string& folder, std::vector<std::string>& out) {
    for (const DirEntry& e : ListDirectory(folder)) {
        const std::string path = folder + PathDelim + e.Name;
        if (e.Folder) CollectFiles(path, out);
        else if (RegularFileSize(path) >= 0) out.push_back(path);
    }
}

} // namespace

Replacement Choose(size_t index, const std::string& file) {
    const FileStamp stamp = StampOfPath(file);
    if (!stamp.Present() || RegularFileSize(file) < 0) ThrowCannotOpen(file);
    if (stamp.size > INT32_MAX) TooLarge(file);
    return {index, file, stamp};
}

std::optional<size_t> EntryForFile(const PackIndex& index, const std::string& file) {
    const std::string name = ExtractFileName(file);
    const size_t dot = name.find('.');
    if (dot != std::string::npos) {
        const std::optional<size_t> k = HexIndex(std::string_view(name).substr(0, dot));
        const std::string_view ext = std::string_view(name).substr(dot + 1);
        if (k && *k < index.Count() && SameTextAscii(EntryType(index.Name(*k)), ext)) return k;
    }
    std::optional<size_t> found;
    for (size_t k = 0; k < index.Count(); ++k) {
        if (!SameTextAscii(index.Name(k), name)) continue;
        if (found) return std::nullopt; // more than one entry bears it
        found = k;
    }
    return found;
}

size_t EntryForArgument(const PackIndex& index, const std::string& text, const std::string& indexPath) {
    try {
        return FindEntry(index, text, indexPath);
    } catch (const Error&) {
        if (std::optional<size_t> k = EntryForFile(index, text)) return *k;
        throw;
    }
}

FileMatch MatchFiles(const PackIndex& index, const std::vector<std::string>& files) {
    std::map<size_t, Replacement> chosen;
    FileMatch match;
    for (const std::string& file : files) {
        const std::optional<size_t> k = EntryForFile(index, file);
        if (k) chosen[*k] = Choose(*k, file);
        else match.unmatched.push_back(file);
    }
    for (auto& [k, r] : chosen) match.matched.push_back(std::move(r));
    return match;
}

std::vector<std::string> FilesBelow(const std::string& folder) {
    std::vector<std::string> files;
    std::string root = folder;
    while (root.size() > PathRootLength(root) && PathSeparators.find(root.back()) != std::string_view::npos)
        root.pop_back();
    CollectFiles(root, files);
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> Problems(const PackIndex& index, const std::string& indexPath,
                                  const std::vector<Replacement>& entries) {
    std::vector<std::string> problems;
    std::vector<size_t> seen;
    const size_t n = index.Count();
    for (const Replacement& r : entries) {
        if (r.index >= n) {
            problems.push_back("No entry " + std::to_string(r.index) + " in " + indexPath + ": it has " + std::to_string(n) + (n == 1 ? " entry" : " entries"));
            continue;
        }
        if (std::find(seen.begin(), seen.end(), r.index) != seen.end()) {
            problems.push_back("Entry " + EntryText(index, r.index) + " is replaced twice");
            continue;
        }
        seen.push_back(r.index);
        const FileStamp now = StampOfPath(r.file);
        if (!now.Present() || RegularFileSize(r.file) < 0) problems.push_back("Cannot open file " + r.file);
        else if (!(now == r.stamp)) problems.push_back("File " + r.file + " changed after it was chosen");
        else if (now.size > INT32_MAX) problems.push_back("File " + r.file + " is too large for a pack entry");
    }
    return problems;
}

} // namespace pw::replace
