// The rebuild of one pack from a log: entry k takes the file named on the
// k-th line after the pack's "#Source:" line when that file exists, else
// keeps its data from the source pack. The new data file is dense: entries
// in index order, each starting on a 2048-byte boundary, zero padding after.
#include "core/Error.h"
#include "core/FileNames.h"
#include "core/FileIO.h"
#include "packs/Formathandlers.h"
#include "packs/PackIndex.h"
#include "core/PendingFile.h"
#include "packs/DataWriter.h"
#include "packs/ReadBack.h"
#include "packs/RebuildRules.h"

namespace pw {

namespace {

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

    RebuildFiles files = NewPackFiles(ctx.ReadingFiles, ctx.SourcePackPath, targetIndexPath);
    PendingFile data(files.targetData);
    files.untouchable.push_back(data.Id());

    PackIndex index(ReadWholeFile(ctx.SourcePackPath), ctx.SourcePackPath);
    const int64_t sourceSize = source.Size();
    ctx.Status->SetStatus("Processing " + ExtractFileName(targetIndexPath) + "...");
    ctx.Status->ProcessEvents();

    size_t line = firstEntryLine;
    DataWriter out(data.Fd());
    const size_t n = index.Count();
    std::vector<EntryOrigin> origins; // kept only for the read-back
    size_t fromFiles = 0;
    for (size_t k = 0; k < n; ++k, ++line) {
        if (ctx.Stopped()) {
            if (outcome) *outcome = Outcome::Stopped;
            return line; // the pending files go with `data`
        }
        FatEntry entry = index.Entry(k);
        index.SetStartBlock(k, StartBlockAt(out.Length()));
        EntryContent choice = ChooseEntrySource(ctx.LogLines, line, entry, sourceSize, files, LogPaths());
        if (choice.FromFile()) {
            index.SetSize(k, int32_t(choice.size));
            out.Append(choice.file.Fd(), 0, choice.size);
            ++fromFiles;
        } else if (choice.size != 0) {
            out.Append(source.Fd(), int64_t(entry.StartBlock) * PackBlockSize, choice.size);
        }
        if (ctx.VerifyRebuilds)
            origins.push_back({choice.FromFile(), line, int64_t(entry.StartBlock) * PackBlockSize});
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
    if (ctx.VerifyRebuilds)
        ReadBackRebuilt(ctx, {files.targetIndex, files.targetData, data.Fd(), newIndex.Fd(), out.Length(), index,
                              source.Fd(), origins});
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
