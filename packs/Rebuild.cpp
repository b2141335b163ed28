// The rebuild of one pack from a log: entry k takes the file named on the
// k-th line after the pack's "#Source:" line when that file exists, else
// keeps its data from the source pack. The new data file is dense: entries
// in index order, each starting on a 2048-byte boundary, zero padding after.
#include "core/Error.h"
#include "core/FileNames.h"
#include "core/FileIO.h"
#include "core/FileSync.h"
#include "packs/Formathandlers.h"
#include "packs/PackIndex.h"
#include "packs/PackReader.h"
#include "core/PairCommit.h"
#include "core/PendingFile.h"
#include "packs/EntryReader.h"
#include "packs/ReadBack.h"
#include "packs/RebuildRules.h"

namespace pw {

namespace {

const char Zeros[PackBlockSize] = {};
// With WriteBackEarly, the new data file's write-back is started again
// after each such stretch of it.
constexpr int64_t WriteBackStep = 32 << 20;

} // namespace

size_t RebuildPack(RunContext& ctx, const std::string& targetIndexPath, size_t firstEntryLine,
                   Outcome* outcome) {
    if (outcome) *outcome = Outcome::Done;
    ctx.HeldSourceIndex.Close();

    PackPair sourcePair = OpenPackPair(ctx.SourcePackPath, Pipes::Refuse);
    File source = std::move(sourcePair.data);
    ReadingGuard sourceGuard(ctx, source);

    // What crashed runs left in the target folder goes first (once a run);
    // then this pack's journal keeps any other writer of it out.
    const std::string targetFolder = ExtractFilePath(targetIndexPath);
    if (ctx.ClearedDirs.insert(targetFolder).second) RemoveLeftovers(targetFolder);
    PairCommit commit(targetIndexPath, DataPathFor(targetIndexPath), ctx.Sync);

    RebuildFiles files = NewPackFiles(ctx.ReadingFiles, ctx.SourcePackPath, targetIndexPath);
    PendingFile data(files.targetData, ctx.Sync);
    files.untouchable.push_back(data.Id());

    PackIndex index(std::move(sourcePair.index), ctx.SourcePackPath);
    ctx.Status->SetStatus("Processing " + ExtractFileName(targetIndexPath) + "...");
    ctx.Status->ProcessEvents();

    // The entries' data are read ahead on a worker thread; here they are
    // written front to back, in index order, with the index updated and the
    // progress moved entry by entry.
    EntrySources from;
    from.index = &index;
    from.lines = &ctx.LogLines;
    from.firstLine = firstEntryLine;
    from.sourceFd = source.Fd();
    from.sourceSize = source.Size();
    from.files = files;
    from.supplied = ctx.Supplied;
    const size_t n = index.Count();
    EntryReader reader(std::move(from), n > 1 ? 1 : 0);
    int64_t fileEnd = 0; // the new data file's length once all before is written
    int64_t writtenBack = 0; // WriteBackEarly: fileEnd when its write-back was last started
    size_t done = 0;     // entries written
    std::vector<EntryOrigin> origins; // kept only for the read-back
    size_t fromFiles = 0;
    while (done < n) {
        std::unique_ptr<EntryReader::Batch> batch = reader.Next();
        if (!batch) break;
        // Buffer bytes [runFrom, next item) go to the file at runAt.
        size_t runFrom = 0;
        int64_t runAt = fileEnd;
        for (EntryReader::Item& item : batch->items) {
            if (ctx.Stopped()) {
                if (outcome) *outcome = Outcome::Stopped;
                return firstEntryLine + done; // the pending files go with `data`
            }
            if (ctx.VerifyRebuilds)
                origins.push_back({false, firstEntryLine + item.k,
                                   int64_t(index.Entry(item.k).StartBlock) * PackBlockSize, item.supplied});
            index.SetStartBlock(item.k, StartBlockAt(fileEnd));
            if (item.error) std::rethrow_exception(item.error);
            if (item.deferred) reader.ResolveDeferred(item);
            if (item.fromFile) {
                index.SetSize(item.k, int32_t(item.size));
                ++fromFiles;
                if (ctx.VerifyRebuilds) origins.back().fromFile = true;
            }
            const int64_t padded = PaddedEnd(0, item.size);
            if (!item.buffered) {
                WriteAt(data.Fd(), batch->buffer.get() + runFrom, item.at - runFrom, runAt);
                if (item.supplied) ctx.Supplied->Write(item.k, data.Fd(), fileEnd);
                else if (item.size > 0) CopyRangeAt(item.fd, item.offset, data.Fd(), fileEnd, item.size);
                item.file.Close();
                runFrom = item.at;
                runAt = fileEnd + item.size;
                if (item.deferred) { // its padding is not in the buffer
                    WriteAt(data.Fd(), Zeros, size_t(padded - item.size), runAt);
                    runAt = fileEnd + padded;
                }
            }
            fileEnd += padded;
            if (ctx.AfterRebuildEntry) ctx.AfterRebuildEntry(item.k);
            StepProgress(ctx, item.k, n);
            ++done;
        }
        WriteAt(data.Fd(), batch->buffer.get() + runFrom, batch->used - runFrom, runAt);
        reader.Recycle(std::move(batch));
        if (ctx.WriteBackEarly && fileEnd - writtenBack >= WriteBackStep) {
            StartWriteBack(data.Fd());
            writtenBack = fileEnd;
        }
    }
    // The reader ends early only after an item with an error, thrown above.
    if (done < n) ThrowReadError();

    PendingFile newIndex(files.targetIndex, ctx.Sync);
    WriteAll(newIndex.Fd(), index.Bytes().data(), index.Bytes().size());
    if (ctx.VerifyRebuilds)
        ReadBackRebuilt(ctx, {files.targetIndex, files.targetData, data.Fd(), newIndex.Fd(), fileEnd, index,
                              source.Fd(), origins});
    // Where another program can hold the old index (Windows), the pair is
    // refused before anything is put in place.
    if (!NameCanBeReplaced(files.targetIndex)) ThrowCannotCreate(files.targetIndex);
    commit.Commit(data, newIndex); // the data file first, the index last
    ctx.RunTally.Packs++;
    ctx.RunTally.Entries += n;
    ctx.RunTally.FromFiles += fromFiles;
    ctx.RunTally.Bytes += fileEnd;
    return firstEntryLine + n;
}

} // namespace pw
