#include "packs/RebuildRules.h"

#include <algorithm>
#include <climits>
#include <filesystem>

#include "core/Directory.h"
#include "core/FileNames.h"

namespace pw {

namespace {

// The canonical form of a folder part ("" for the current folder); empty
// when it cannot be had.
std::filesystem::path CanonicalFolder(const std::string& folder) {
    std::error_code ec;
    auto c = std::filesystem::weakly_canonical(FsPath(folder + "."), ec);
    return ec ? std::filesystem::path() : c;
}

// Whether `path` names one of the new pack's files: its file name in any
// letter case, its folder in any spelling. Neither needs to exist; the
// folder is resolved only for a matching name.
bool NamesNewPack(const std::string& path, const RebuildFiles& files) {
    const std::string name = ExtractFileName(path);
    if (!SameTextAscii(name, ExtractFileName(files.targetData)) &&
        !SameTextAscii(name, ExtractFileName(files.targetIndex)))
        return false;
    const std::filesystem::path folder = CanonicalFolder(ExtractFilePath(path));
    return !folder.empty() && !files.folder.empty() && folder == files.folder;
}

bool Contains(const std::vector<FileId>& ids, const FileId& id) {
    for (const FileId& x : ids)
        if (x == id && id.ino != 0) return true;
    return false;
}

// The lexical form of a path, without a final separator.
std::string Normal(const std::string& path) {
    std::string p = PathText(FsPath(path).lexically_normal());
    while (p.size() > 1 && PathSeparators.find(p.back()) != std::string_view::npos) p.pop_back();
    return p;
}

} // namespace

LogPaths::LogPaths(std::string base) : base_(std::move(base)), baseExists_(Exists(base_)) {
    if (baseExists_ || base_.empty()) return;
    std::filesystem::path p = FsPath(Normal(PathText(std::filesystem::absolute(FsPath(base_)))));
    while (!Exists(PathText(p)) && p.has_relative_path()) {
        created_.push_back(PathText(p));
        p = p.parent_path();
    }
    standIn_ = PathText(p);
}

bool LogPaths::Unreachable(const std::string& path) const {
    std::filesystem::path at = FsPath(created_.front()); // the base, made absolute
    const std::filesystem::path relative = FsPath(path);
    const std::vector<std::filesystem::path> parts(relative.begin(), relative.end());
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        const std::filesystem::path& level = parts[i];
        if (level.empty() || level == ".") continue;
        if (level == "..") {
            at = at.parent_path();
            continue;
        }
        at /= level;
        const std::string folder = PathText(at);
        if (std::find(created_.begin(), created_.end(), folder) == created_.end() && !IsDirectory(folder))
            return true;
    }
    return false;
}

std::string LogPaths::operator()(const std::string& path) const {
    // An empty line names nothing, here as in the target folder.
    if (base_.empty() || path.empty()) return path;
    const bool absolute = FsPath(path).has_root_path();
    std::string joined = base_;
    if (PathSeparators.find(joined.back()) == std::string_view::npos) joined += PathDelim;
    joined = absolute ? path : joined + path;
    if (baseExists_) return joined;
    // Through a level that will not be there, the system finds nothing,
    // even where a ".." after it would lead back (the base is missing too).
    if (!absolute && Unreachable(path)) return joined;
    // A folder that insertion would create holds nothing yet: only its name
    // matters, and ".." leaves it by the name.
    const std::string normal = Normal(PathText(std::filesystem::absolute(FsPath(joined))));
    for (const std::string& dir : created_)
        if (normal == dir) return standIn_;
    return absolute ? path : normal;
}

std::string CanonicalPath(const std::string& path) {
    std::error_code ec;
    std::string p = PathText(std::filesystem::weakly_canonical(FsPath(path), ec));
    return ec ? Normal(path) : p;
}

std::string TargetIndexPath(const std::string& targetDir, const std::string& sourceIndexPath) {
    std::string target = targetDir;
    if (target.empty() || PathSeparators.find(target.back()) == std::string_view::npos) target += PathDelim;
    return target + ExtractFileName(sourceIndexPath);
}

RebuildFiles NewPackFiles(const std::vector<FileId>& reading, const std::string& sourceIndexFs,
                          const std::string& targetIndexPath) {
    RebuildFiles files;
    files.targetIndex = FindCaseInsensitive(targetIndexPath);
    files.targetData = FindCaseInsensitive(ChangeFileExt(targetIndexPath, ".mix"));
    std::vector<FileId> sources = reading;
    sources.push_back(IdOfPath(sourceIndexFs));
    // A new pack is never written over its source, whatever the spelling;
    // and an index named like its data file (".mix") would replace the data.
    if (Contains(sources, IdOfPath(files.targetData)) || IsDirectory(files.targetData) ||
        files.targetData == files.targetIndex)
        ThrowCannotCreate(files.targetData);
    if (Contains(sources, IdOfPath(files.targetIndex)) || IsDirectory(files.targetIndex))
        ThrowCannotCreate(files.targetIndex);
    files.untouchable = sources;
    files.untouchable.push_back(IdOfPath(files.targetData));
    files.untouchable.push_back(IdOfPath(files.targetIndex));
    files.folder = CanonicalFolder(ExtractFilePath(files.targetData));
    return files;
}

int32_t StartBlockAt(int64_t length) {
    if (length / PackBlockSize > INT32_MAX) ThrowWriteError();
    return int32_t(length / PackBlockSize);
}

EntryContent ChooseEntrySource(const std::vector<std::string>& lines, size_t line, const FatEntry& entry,
                              int64_t sourceDataSize, const RebuildFiles& files, const LogPaths& paths,
                              const WrittenFiles* written, bool* busy) {
    if (busy) *busy = false;
    if (line >= lines.size()) ThrowIndexError(static_cast<long long>(line));
    const std::string& text = lines[line];
    const std::string fs = paths(text);
    // The new pack's own files are never an entry's content, also before
    // anything stands under their names.
    if (NamesNewPack(fs, files)) ThrowCannotOpen(text);
    EntryContent choice;
    if (written) {
        auto it = written->find(CanonicalPath(fs));
        if (it != written->end()) {
            if (it->second > INT32_MAX) throw Error("File " + text + " is too large for a pack entry");
            choice.written = true;
            choice.size = it->second;
            return choice;
        }
    }
    // One open tells whether a file stands there, which one, and its size;
    // a folder, a pipe or a file the rebuild reads or writes is refused.
    FileInfo info;
    File f = AsWritten(text, fs, [&] { return OpenReadNotSharedIfExists(fs, &info, busy); });
    if (busy && *busy) return choice;
    if (f.IsOpen()) {
        if (Contains(files.untouchable, info.id)) ThrowCannotOpen(text);
        if (info.size > INT32_MAX) throw Error("File " + text + " is too large for a pack entry");
        choice.file = std::move(f);
        choice.size = info.size;
    } else {
        if (entry.Size != 0 && !EntryInside(entry.StartBlock, entry.Size, sourceDataSize)) ThrowReadError();
        choice.size = entry.Size;
    }
    return choice;
}

} // namespace pw
