#include "packs/Plan.h"

#include <filesystem>

#include "core/Directory.h"
#include "core/Error.h"
#include "core/FileIO.h"
#include "core/FileNames.h"
#include "packs/Compare.h"
#include "packs/Kinds.h"
#include "packs/LogWalk.h"
#include "packs/PackIndex.h"
#include "packs/PackReader.h"
#include "packs/RebuildRules.h"
#include "packs/TextLines.h"

namespace pw {

namespace {

bool CanEnter(const std::string& dir) { return IsDirectory(dir) && MayEnterFolder(dir); }

// Whether a new file can be made in `dir`, or in the folder a run would
// create there.
bool FolderTakesFiles(const std::string& dir) {
    std::filesystem::path p = FsPath(dir.empty() ? "." : dir);
    while (!Exists(PathText(p))) {
        if (!p.has_relative_path()) return false;
        p = p.parent_path().empty() ? std::filesystem::path(".") : p.parent_path();
    }
    return CanEnter(PathText(p)) && MayWriteIn(PathText(p));
}

// Whether an entry file holds exactly the entry's old bytes.
bool SameAsOld(ByteCompare& compare, const File& file, int64_t size, const FatEntry& entry, int source,
               int64_t sourceSize) {
    if (size != entry.Size) return false;
    if (size == 0) return true;
    // Old data that cannot be read are not the file's.
    if (!EntryInside(entry.StartBlock, entry.Size, sourceSize)) return false;
    return compare.Same(file.Fd(), 0, source, int64_t(entry.StartBlock) * PackBlockSize, size);
}

class PlanWalk : public LogWalk {
public:
    PlanWalk(RunContext& ctx, const std::string& logPath, const std::string& targetDir,
             const std::vector<std::string>& lines, WrittenFiles& written)
        : ctx_(ctx), logPath_(logPath), targetDir_(targetDir), paths_(targetDir), lines_(lines),
          written_(written) {}

    std::vector<PackPlan> packs;

    size_t OnSource(const std::string& path, size_t i, uint8_t format) override {
        const std::string fs = paths_(path);
        const bool written = written_.count(CanonicalPath(fs)) > 0;
        if (!Exists(fs) && !written) return i + 1;
        PackPlan plan;
        plan.logPath = logPath_;
        plan.sourceIndex = path;
        if (written) {
            // The run's own new pack as a source: it lies in the target
            // folder under the very name it would be rebuilt to, and its
            // data file is open for reading when the new one is to be made.
            if (format != FormatFat) return i + 1;
            plan.refusal = "Cannot create file " + DataPathFor(TargetIndexPath(targetDir_, path));
            packs.push_back(std::move(plan));
            return End;
        }
        try {
            // Insertion holds the source index for reading and writing while
            // it handles the line, whatever the format.
            AsWritten(path, fs, [&] { return OpenReadWriteNotShared(fs); });
            if (format != FormatFat) return i + 1;
            size_t next = PlanPack(plan, path, fs, i + 1);
            packs.push_back(std::move(plan));
            return next;
        } catch (const Error& e) {
            plan.refusal = e.what();
            packs.push_back(std::move(plan));
            return End;
        }
    }

private:
    // Fills `plan` as RebuildPack would write the pack; throws what it
    // refuses before the first entry, returns End after a refused entry.
    size_t PlanPack(PackPlan& plan, const std::string& path, const std::string& fs, size_t firstLine) {
        const std::string dataFs = DataPathFor(fs);
        const std::string dataText = ExtractFilePath(ChangeFileExt(path, ".mix")) + ExtractFileName(dataFs);
        // Read as insertion reads it, but a commit a crashed run left is not
        // finished here: a plan writes nothing.
        PackPair pair = AsWritten(dataText, dataFs, [&] { return OpenPackPair(fs, Pipes::Refuse, Unfinished::Leave); });
        File source = std::move(pair.data);
        ReadingGuard sourceGuard(ctx_, source);
        plan.targetIndex = TargetIndexPath(targetDir_, path);
        RebuildFiles files = NewPackFiles(ctx_.ReadingFiles, fs, plan.targetIndex);
        plan.targetIndex = files.targetIndex;
        plan.targetData = files.targetData;
        if (!FolderTakesFiles(ExtractFilePath(files.targetData))) ThrowCannotCreate(files.targetData);
        PackIndex index = AsWritten(path, fs, [&] { return PackIndex(std::move(pair.index), fs); });
        plan.sourceDataSize = source.Size();

        ByteCompare compare;
        int64_t length = 0;
        size_t line = firstLine;
        for (size_t k = 0; k < index.Count(); ++k, ++line) {
            const FatEntry entry = index.Entry(k);
            EntryPlan e{k, EntryState::Kept, line < lines_.size() ? lines_[line] : "", entry.Size, entry.Size, "",
                        entry.Name};
            try {
                StartBlockAt(length);
                EntryContent choice =
                    ChooseEntrySource(lines_, line, entry, plan.sourceDataSize, files, paths_, &written_);
                e.newSize = choice.size;
                if (choice.written)
                    e.state = EntryState::Changed; // a file this run writes first
                else if (choice.FromFile())
                    e.state = SameAsOld(compare, choice.file, choice.size, entry, source.Fd(), plan.sourceDataSize)
                                  ? EntryState::Same
                                  : EntryState::Changed;
            } catch (const Error& err) {
                e.state = EntryState::Refused;
                e.newSize = 0;
                e.message = plan.refusal = err.what();
            }
            Add(plan, std::move(e));
            if (plan.Refused()) {
                plan.newDataSize = length;
                return End;
            }
            length = PaddedEnd(length, plan.entries.back().newSize);
        }
        plan.newDataSize = length;
        written_[CanonicalPath(plan.targetIndex)] = int64_t(index.Bytes().size());
        written_[CanonicalPath(plan.targetData)] = length;
        return line;
    }

    static void Add(PackPlan& plan, EntryPlan e) {
        switch (e.state) {
        case EntryState::Changed: ++plan.changed; break;
        case EntryState::Same: ++plan.same; break;
        case EntryState::Kept: ++plan.kept; break;
        case EntryState::Refused: ++plan.refused; break;
        }
        plan.entries.push_back(std::move(e));
    }

    RunContext& ctx_;
    const std::string& logPath_;
    const std::string& targetDir_;
    const LogPaths paths_;
    const std::vector<std::string>& lines_;
    WrittenFiles& written_; // the new packs' files planned so far, with their lengths
};

} // namespace

const char* StateName(EntryState state) {
    switch (state) {
    case EntryState::Changed: return "changed";
    case EntryState::Same: return "same";
    case EntryState::Kept: return "kept";
    case EntryState::Refused: return "refused";
    }
    return "";
}

size_t PackPlan::Count(EntryState state) const {
    switch (state) {
    case EntryState::Changed: return changed;
    case EntryState::Same: return same;
    case EntryState::Kept: return kept;
    case EntryState::Refused: return refused;
    }
    return 0;
}

void CheckTargetFolder(const std::string& targetDir) {
    if (Exists(targetDir) ? !CanEnter(targetDir) : !FolderTakesFiles(targetDir)) ThrowCannotOpen(targetDir);
}

namespace {

std::vector<PackPlan> PlanOne(RunContext& ctx, const std::string& logPath, const std::string& targetDir,
                              WrittenFiles& written) {
    // A relative log path (from a project list) is read in the target
    // folder, as a run reads it.
    const std::string fs = LogPaths(targetDir)(logPath);
    std::vector<std::string> lines = AsWritten(logPath, fs, [&] { return LoadLines(fs, Pipes::Allow); });
    PlanWalk walk(ctx, logPath, targetDir, lines, written);
    uint8_t format = FormatNone, plainLine = 0;
    WalkLog(lines, walk, format, plainLine);
    return std::move(walk.packs);
}

} // namespace

std::vector<PackPlan> PlanLog(RunContext& ctx, const std::string& logPath, const std::string& targetDir) {
    CheckTargetFolder(targetDir);
    WrittenFiles written;
    return PlanOne(ctx, logPath, targetDir, written);
}

std::vector<PackPlan> PlanLogs(RunContext& ctx, const std::vector<std::string>& logPaths,
                               const std::string& targetDir, std::string& error) {
    std::vector<PackPlan> packs;
    error.clear();
    WrittenFiles written;
    try {
        CheckTargetFolder(targetDir);
        for (const std::string& log : logPaths) {
            std::vector<PackPlan> plan = PlanOne(ctx, log, targetDir, written);
            packs.insert(packs.end(), std::make_move_iterator(plan.begin()), std::make_move_iterator(plan.end()));
            if (PlanRefused(packs)) {
                error = packs.back().refusal;
                break;
            }
        }
    } catch (const Error& e) {
        error = e.what();
    }
    return packs;
}

bool PlanRefused(const std::vector<PackPlan>& packs) { return !packs.empty() && packs.back().Refused(); }

} // namespace pw
