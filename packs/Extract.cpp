// Extraction: every entry of a pack with data goes to a file of its own,
// named by pack, type and index number; ResultLines gets one line per entry.
#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/Driver.h"
#include "packs/EntryFilter.h"
#include "packs/EntryWriter.h"
#include "core/FileIO.h"
#include "packs/Formathandlers.h"
#include "packs/PackIndex.h"
#include "packs/PackReader.h"

namespace pw {

std::string RelativeEntryName(const std::string& packName, const std::string& entryName,
                              uint32_t index) {
    const std::string type = EntryType(entryName);
    std::string rel = packName;
    rel += PathDelim;
    // A name without an extension has no type folder: its file stands in the
    // pack's folder, named by the digits and the dot. Type folders never hold
    // a dot, so such a file and a type folder cannot take each other's name.
    if (type.empty()) return rel + Hex8(index) + '.';
    rel += type;
    rel += PathDelim;
    rel += Hex8(index);
    rel += '.';
    rel += LowerCaseAscii(type);
    return rel;
}

void StepProgress(RunContext& ctx, size_t k, size_t n) {
    int percent = int(uint64_t(k) * 100 / n);
    if (percent != ctx.Status->ProgressPosition()) {
        ctx.Status->SetProgressPosition(percent);
        ctx.Status->ProcessEvents();
    }
}

EntryChoice SelectionChoice(const std::vector<bool>& selected) {
    return [&selected](size_t k, const std::string&) { return k < selected.size() && selected[k]; };
}

Outcome ExtractPack(RunContext& ctx, const std::string& indexPath, const std::vector<bool>* selected) {
    return ExtractChosen(ctx, indexPath, selected ? SelectionChoice(*selected) : EntryChoice());
}

Outcome ExtractChosen(RunContext& ctx, const std::string& indexPath, const EntryChoice& choose) {
    PackPair pair = OpenPackPair(indexPath); // a pack the user named: its index may be a pipe
    File data = std::move(pair.data);
    ReadingGuard dataGuard(ctx, data);
    PackIndex index(std::move(pair.index), indexPath);
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
    const int64_t bytesBefore = ctx.TotalBytes;
    const size_t n = index.Count();
    // The files are written on worker threads; names, folders, lines and
    // progress stay here, in index order.
    EntryWriter writer(data.Fd(), ctx.ReadingFiles, n > 1 ? EntryWriter::DefaultThreads() : 0);
    std::vector<int32_t> sizes; // bytes handed to the writer for each entry, for the byte total
    Outcome outcome = Outcome::Done;
    for (size_t k = 0; k < n && writer.FirstFailure() == EntryWriter::NoFailure; ++k) {
        if (ctx.Stopped()) {
            outcome = Outcome::Stopped;
            break;
        }
        FatEntry entry = index.Entry(k);
        int32_t written = 0;
        if (entry.Size != 0) {
            const bool chosen = !choose || choose(k, entry.Name);
            if (chosen && !EntryInside(entry.StartBlock, entry.Size, dataSize)) {
                writer.Fail(k, std::make_exception_ptr(Error("Stream read error")));
                break;
            }
            const std::string rel = RelativeEntryName(packName, entry.Name, uint32_t(k));
            if (HasControlCharacters(rel)) {
                writer.Fail(k, std::make_exception_ptr(
                                   Error("Cannot create file " + OutputPathFor(ctx, indexPath, rel))));
                break;
            }
            if (chosen) {
                ClearEarlierResultLog(ctx);
                std::string path = MakeOutputPath(ctx, indexPath, rel);
                ctx.ResultLines.push_back(path);
                writer.Submit(k, std::move(path), int64_t(entry.StartBlock) * PackBlockSize, entry.Size);
                ctx.TotalBytes += entry.Size;
                written = entry.Size;
            } else {
                ctx.ResultLines.push_back(OutputPathFor(ctx, indexPath, rel));
            }
        } else {
            ctx.ResultLines.emplace_back("NULL");
        }
        sizes.push_back(written);
        StepProgress(ctx, k, n);
    }

    std::exception_ptr error;
    size_t failedAt = writer.Finish(&error);
    if (failedAt != EntryWriter::NoFailure) {
        // As if written in order: the lines and bytes of the entries before
        // the failing one, and its error.
        ctx.ResultLines.resize(firstLine + failedAt);
        ctx.TotalBytes = bytesBefore;
        for (size_t k = 0; k < failedAt; ++k) ctx.TotalBytes += sizes[k];
        std::rethrow_exception(error);
    }
    if (outcome == Outcome::Stopped) {
        ctx.ResultLines.resize(firstLine);
        return outcome;
    }
    ctx.RunTally.Packs++;
    for (int32_t size : sizes) ctx.RunTally.Entries += size != 0;
    ctx.RunTally.Bytes += ctx.TotalBytes - bytesBefore;
    return outcome;
}

} // namespace pw
