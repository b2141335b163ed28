// The rebuild of one pack from a log: entry k takes the file named on the
// k-th line after the pack's "#Source:" line when that file exists, else
// keeps its data from the source pack. The new data file is dense: entries
// in index order, each starting on a 2048-byte boundary, zero padding after.
#include <climits>
#include <filesystem>

#include "core/Directory.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "core/FileIO.h"
#include "packs/Formathandlers.h"
#include "packs/PackIndex.h"
#include "core/PendingFile.h"
#include "packs/DataWriter.h"

namespace pw {

namespace {

bool SamePath(const std::string& a, const std::string& b) {
    std::error_code ec1, ec2;
    auto ca = std::filesystem::weakly_canonical(FsPath(a), ec1);
    auto cb = std::filesystem::weakly_canonical(FsPath(b), ec2);
    return !ec1 && !ec2 && ca == cb;
}

// Whether `path` names `target`: its file name in any letter case, its
// folder in any spelling. Neither needs to exist.
bool NamesFile(const std::string& path, const std::string& target) {
    if (!SameTextAscii(ExtractFileName(path), ExtractFileName(target))) return false;
    return SamePath(ExtractFilePath(path) + ".", ExtractFilePath(target) + ".");
}

bool Contains(const std::vector<FileId>& ids, const FileId& id) {
    for (const FileId& x : ids)
        if (x == id && id.ino != 0) return true;
    return false;
}

struct RebuildFiles {
    std::string targetIndex, targetData;
    // The source files, the file being written, and the files under the
    // target names (an entry line may name them only while they do not exist).
    std::vector<FileId> untouchable;
};

// The file an entry line names, opened for reading; refused when it is one
// of the pack files this rebuild reads or writes.
File OpenEntryFile(const std::string& path, const RebuildFiles& files) {
    if (IsDirectory(path) || Contains(files.untouchable, IdOfPath(path))) ThrowCannotOpen(path);
    File f = OpenReadNotShared(path);
    if (f.Size() < 0) ThrowCannotOpen(path);
    if (f.Size() > INT32_MAX) throw Error("File " + path + " is too large for a pack entry");
    return f;
}

void PadToBlock(DataWriter& out) {
    int64_t rest = out.Length() % PackBlockSize;
    if (rest != 0) out.AppendZeros(PackBlockSize - rest);
}

} // namespace

size_t RebuildPack(RunContext& ctx, const std::string& targetIndexPath, size_t firstEntryLine,
                   Outcome* outcome) {
    if (outcome) *outcome = Outcome::Done;
    ctx.HeldSourceIndex.Close();

    File source = OpenReadNotShared(DataPathFor(ctx.SourcePackPath));
    ReadingGuard sourceGuard(ctx, source);

    RebuildFiles files;
    files.targetIndex = FindCaseInsensitive(targetIndexPath);
    files.targetData = FindCaseInsensitive(ChangeFileExt(targetIndexPath, ".mix"));
    std::vector<FileId> sources = ctx.ReadingFiles;
    sources.push_back(IdOfPath(ctx.SourcePackPath));
    // A new pack is never written over its source, whatever the spelling;
    // and an index named like its data file (".mix") would replace the data.
    if (Contains(sources, IdOfPath(files.targetData)) || IsDirectory(files.targetData) ||
        files.targetData == files.targetIndex)
        ThrowCannotCreate(files.targetData);
    if (Contains(sources, IdOfPath(files.targetIndex)) || IsDirectory(files.targetIndex))
        ThrowCannotCreate(files.targetIndex);
    PendingFile data(files.targetData);
    files.untouchable = sources;
    files.untouchable.push_back(data.Id());
    files.untouchable.push_back(IdOfPath(files.targetData));
    files.untouchable.push_back(IdOfPath(files.targetIndex));

    PackIndex index(ReadWholeFile(ctx.SourcePackPath), ctx.SourcePackPath);
    const int64_t sourceSize = source.Size();
    ctx.Status->SetStatus("Processing " + ExtractFileName(targetIndexPath) + "...");
    ctx.Status->ProcessEvents();

    size_t line = firstEntryLine;
    DataWriter out(data.Fd());
    const size_t n = index.Count();
    size_t fromFiles = 0;
    for (size_t k = 0; k < n; ++k, ++line) {
        if (ctx.Stopped()) {
            if (outcome) *outcome = Outcome::Stopped;
            return line; // the pending files go with `data`
        }
        FatEntry entry = index.Entry(k);
        if (out.Length() / PackBlockSize > INT32_MAX) ThrowWriteError();
        index.SetStartBlock(k, int32_t(out.Length() / PackBlockSize));
        if (line >= ctx.LogLines.size()) ThrowIndexError(static_cast<long long>(line));
        const std::string& path = ctx.LogLines[line];
        // The new pack's own files are never an entry's content, also before
        // anything stands under their names.
        if (NamesFile(path, files.targetData) || NamesFile(path, files.targetIndex)) ThrowCannotOpen(path);
        if (Exists(path)) {
            File f = OpenEntryFile(path, files);
            int64_t size = f.Size();
            index.SetSize(k, int32_t(size));
            out.Append(f.Fd(), 0, size);
            ++fromFiles;
        } else if (entry.Size != 0) {
            if (!EntryInside(entry.StartBlock, entry.Size, sourceSize)) ThrowReadError();
            out.Append(source.Fd(), int64_t(entry.StartBlock) * PackBlockSize, entry.Size);
        }
        PadToBlock(out);
        int percent = int(uint64_t(k) * 100 / n);
        if (percent != ctx.Status->ProgressPosition()) {
            ctx.Status->SetProgressPosition(percent);
            ctx.Status->ProcessEvents();
        }
    }

    out.Flush();
    PendingFile newIndex(files.targetIndex);
    WriteAll(newIndex.Fd(), index.Bytes().data(), index.Bytes().size());
    // Where another program can hold the old index (Windows), the pair is
    // refused before anything is put in place.
    if (!NameCanBeReplaced(files.targetIndex)) ThrowCannotCreate(files.targetIndex);
    data.Commit(); // the data file first, the index last
    newIndex.Commit();
    ctx.RunTally.Packs++;
    ctx.RunTally.Entries += n;
    ctx.RunTally.FromFiles += fromFiles;
    ctx.RunTally.Bytes += out.Length();
    return line;
}

} // namespace pw
