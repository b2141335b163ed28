// Extraction: every entry of a pack with data goes to a file of its own,
// named by pack, type and index number; ResultLines gets one line per entry.
#include <unistd.h>

#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/FileIO.h"
#include "packs/Formathandlers.h"
#include "packs/PackIndex.h"

namespace pw {

std::string RelativeEntryName(const std::string& packName, const std::string& entryName,
                              uint32_t index) {
    std::string type = UpperCaseAscii(ExtractFileExt(entryName, EntryNameSeparators));
    if (!type.empty()) type.erase(0, 1);
    std::string rel = packName;
    rel += PathDelim;
    // A name without an extension has no type folder: its file stands in the
    // pack's folder, named by the digits alone.
    if (type.empty()) return rel + Hex8(index);
    rel += type;
    rel += PathDelim;
    rel += Hex8(index);
    rel += '.';
    rel += LowerCaseAscii(type);
    return rel;
}

namespace {

// Moves Progress to k * 100 / n when that whole percent is new.
void StepProgress(RunContext& ctx, size_t k, size_t n) {
    int percent = int(uint64_t(k) * 100 / n);
    if (percent != ctx.Status->ProgressPosition()) {
        ctx.Status->SetProgressPosition(percent);
        ctx.Status->ProcessEvents();
    }
}

void WriteEntry(RunContext& ctx, const File& data, const FatEntry& entry, const std::string& path) {
    File out = CreateNotShared(path, ctx.ReadingFiles);
    try {
        CopyRange(data.Fd(), int64_t(entry.StartBlock) * PackBlockSize, out.Fd(), entry.Size);
    } catch (...) {
        out.Close();
        ::unlink(path.c_str()); // no partial file under the entry's name
        throw;
    }
}

} // namespace

Outcome ExtractPack(RunContext& ctx, const std::string& indexPath) {
    const std::string dataPath = DataPathFor(indexPath);
    File data = OpenReadNotShared(dataPath);
    ReadingGuard dataGuard(ctx, data);
    PackIndex index(ReadWholeFile(indexPath), indexPath);
    // The index is held in memory, but the file is the user's pack: never
    // let an output file replace it.
    ctx.ReadingFiles.push_back(IdOfPath(indexPath));
    struct IndexGuard {
        RunContext& ctx;
        ~IndexGuard() { ctx.ReadingFiles.pop_back(); }
    } indexGuard{ctx};

    const std::string packName = PackName(indexPath);
    const int64_t dataSize = data.Size();
    ctx.Status->SetStatus("Processing " + ExtractFileName(indexPath) + "...");
    ctx.Status->ProcessEvents();

    const size_t firstLine = ctx.ResultLines.size();
    const size_t n = index.Count();
    for (size_t k = 0; k < n; ++k) {
        if (ctx.Stopped()) {
            ctx.ResultLines.resize(firstLine);
            return Outcome::Stopped;
        }
        FatEntry entry = index.Entry(k);
        if (entry.Size != 0) {
            if (!EntryInside(entry.StartBlock, entry.Size, dataSize)) ThrowReadError();
            std::string path =
                MakeOutputPath(ctx, indexPath, RelativeEntryName(packName, entry.Name, uint32_t(k)));
            WriteEntry(ctx, data, entry, path);
            ctx.ResultLines.push_back(std::move(path));
            ctx.TotalBytes += entry.Size;
        } else {
            ctx.ResultLines.emplace_back("NULL");
        }
        StepProgress(ctx, k, n);
    }
    return Outcome::Done;
}

} // namespace pw
