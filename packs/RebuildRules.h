#pragma once
// The rules of a rebuild that decide, before any byte is written, what a
// pack's rebuild will do: where its paths lead, which names the new pack
// takes, which of them it refuses, and what each entry takes. The rebuild
// follows them, and the change plan asks them, so the two never disagree.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/Error.h"
#include "core/FileIO.h"
#include "packs/PackIndex.h"

namespace pw {

// Where the paths of a log lead. Insertion runs in its target folder, which
// is then the current directory: a relative path is taken there. A plan
// reads the same log from anywhere, its relative paths taken under the
// target folder it is given (a folder that insertion would create first).
class LogPaths {
public:
    LogPaths() = default; // as written: relative to the current directory
    explicit LogPaths(std::string base);
    // The path to hand to the file system for a path as written in a log.
    // A folder that the run would create stands for itself by the nearest
    // folder that exists, so that it is a folder here too.
    std::string operator()(const std::string& path) const;

private:
    // Whether a relative path passes a folder level that will not exist.
    bool Unreachable(const std::string& path) const;
    std::string base_;
    bool baseExists_ = true;
    std::vector<std::string> created_; // the folders a run would create, base first
    std::string standIn_;              // the nearest existing folder above them
};

// Runs `op`, which works on `fs`; an error it raises names `text`, the path
// as the log wrote it, as the rebuild's own messages do.
template <class Op>
auto AsWritten(const std::string& text, const std::string& fs, Op&& op) -> decltype(op()) {
    if (text == fs) return op();
    try {
        return op();
    } catch (const Error& e) {
        std::string message = e.what();
        size_t at = message.find(fs);
        if (at != std::string::npos) message.replace(at, fs.size(), text);
        throw Error(message);
    }
}

// The new index of a pack rebuilt into `targetDir` from `sourceIndexPath`:
// the folder, a separator when needed, and the source's file name.
std::string TargetIndexPath(const std::string& targetDir, const std::string& sourceIndexPath);

struct RebuildFiles {
    std::string targetIndex, targetData;
    // The files the rebuild reads, the one it writes, and the files under
    // the target names (an entry line may name them only while they do not
    // exist).
    std::vector<FileId> untouchable;
    std::filesystem::path folder; // the new pack's folder, resolved once
};

// The new pack's names for `targetIndexPath`, each under an existing name
// in another letter case if there is one. "Cannot create file %s" when one
// of them would replace a file of `reading` or the source index, a folder,
// or when the index would take the data file's name.
RebuildFiles NewPackFiles(const std::vector<FileId>& reading, const std::string& sourceIndexFs,
                          const std::string& targetIndexPath);

// The StartBlock of an entry that starts at `length` of the new data file;
// "Stream write error" past what the index can hold.
int32_t StartBlockAt(int64_t length);

// The new data file's length once an entry of `size` bytes is appended at
// `length` and padded to the next 2048-byte boundary.
inline int64_t PaddedEnd(int64_t length, int64_t size) {
    const int64_t end = length + size;
    const int64_t rest = end % PackBlockSize;
    return rest == 0 ? end : end + PackBlockSize - rest;
}

// What entry `entry` takes, by its line `line` of `lines`: the file the line
// names, opened for reading (not shared), or else its old data. Refuses as
// the rebuild does: "List index out of bounds (%d)" when the log ends before
// the line, "Cannot open file %s" for a folder, one of the pack files, or a
// file that cannot be opened, "File %s is too large for a pack entry", and
// "Stream read error" for old data past the end of the source data file.
// `written`, for a plan: the files an earlier rebuild of the same run will
// have written by then (by their canonical path) with their lengths; an
// entry line naming one takes it. `busy`, for the read-ahead: a file held
// by another opener, or no descriptor free, sets it instead of refusing,
// and nothing is chosen.
struct EntryContent {
    File file;            // open when the entry takes an existing file
    bool written = false; // it takes a file of `written`
    int64_t size = 0;     // that file's length, or the entry's old Size
    bool FromFile() const { return file.IsOpen() || written; }
};
using WrittenFiles = std::map<std::string, int64_t>;
EntryContent ChooseEntrySource(const std::vector<std::string>& lines, size_t line, const FatEntry& entry,
                              int64_t sourceDataSize, const RebuildFiles& files, const LogPaths& paths,
                              const WrittenFiles* written = nullptr, bool* busy = nullptr);

// The form of a path that WrittenFiles is keyed by.
std::string CanonicalPath(const std::string& path);

} // namespace pw
