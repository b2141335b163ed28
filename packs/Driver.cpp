#include "packs/Driver.h"

#include <filesystem>

#include "core/Directory.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "core/FileSync.h"
#include "core/PendingFile.h"
#include "packs/Kinds.h"
#include "packs/TextLines.h"

namespace pw {

void BeginRun(RunContext& ctx, const std::string& targetDir) {
    std::error_code ec;
    std::filesystem::create_directories(FsPath(targetDir), ec);
    if (!ChangeDirectory(targetDir)) ThrowCannotOpen(targetDir);
    ctx.TargetDir = targetDir;
    ctx.ResetForRun();
    ctx.Status->SetTotalPosition(0);
    ctx.Status->SetTotalMax(100);
}

void AddHeaderLines(RunContext& ctx, std::string_view formatName, const std::string& entry) {
    ctx.BlockStart = ctx.ResultLines.size();
    ctx.ResultLines.push_back("#Format: " + std::string(formatName));
    ctx.ResultLines.push_back("#Source: " + entry);
}

Outcome DispatchItem(RunContext& ctx, uint8_t kind, const std::string& name, const EntryChoice* choose) {
    Outcome outcome = Outcome::Done;
    if (kind == KindPacks) {
        try {
            outcome = choose ? ExtractChosen(ctx, name, *choose) : ExtractPack(ctx, name);
        } catch (const Interrupted&) {
            outcome = Outcome::Stopped; // Ctrl-C while waiting for a named pipe's writer
        } catch (...) {
            RestoreEarlierResultLog(ctx);
            throw;
        }
        // A pack left unfinished is not named in the result log at all.
        if (outcome == Outcome::Stopped && ctx.BlockStart <= ctx.ResultLines.size())
            ctx.ResultLines.resize(ctx.BlockStart);
    } else if (kind == KindLogs || kind == KindProjectLists) {
        try {
            outcome = ProcessLogFile(ctx, name);
        } catch (const Interrupted&) {
            outcome = Outcome::Stopped;
        }
    }
    return outcome;
}

void SetTotalAfterItem(RunContext& ctx, size_t i, size_t n) {
    if (n > 0) ctx.Status->SetTotalPosition(int(uint64_t(i) * 100 / n));
}

void EndRun(RunContext& ctx) {
    ctx.Status->SetStatus("");
    ctx.Status->SetProgressPosition(0);
    ctx.Status->SetTotalPosition(0);
}

std::string ResultLogPath(const RunContext& ctx) {
    std::string path = ctx.TargetDir;
    if (path.empty() || PathSeparators.find(path.back()) == std::string_view::npos) path += PathDelim;
    return path + "result.log";
}

void ClearEarlierResultLog(RunContext& ctx) {
    if (ctx.EarlierLogCleared || ctx.TargetDir.empty()) return; // no run's target: no log of it
    const std::string path = ResultLogPath(ctx);
    if (NamePresent(path)) {
        File lock;
        const std::string aside = PendingFile::FreshTemporaryPath(path);
        if (TakeFileLock(path, false, lock) == LockResult::Taken && RenameReplacing(path, aside)) {
            ctx.EarlierLogAside = aside;
            ctx.EarlierLogLock = std::move(lock);
        } else if (!RemoveFile(path)) {
            ThrowCannotCreate(path);
        }
        // Gone from its name on disk before any file it names is rewritten.
        if (ctx.Sync) SyncFolder(ExtractFilePath(path));
    }
    ctx.EarlierLogCleared = true;
}

void RestoreEarlierResultLog(RunContext& ctx) {
    if (!ctx.EarlierLogAside.empty()) RenameReplacing(ctx.EarlierLogAside, ResultLogPath(ctx));
    ctx.EarlierLogAside.clear();
    ctx.EarlierLogLock.Close();
}

namespace {

// The new log stands: the earlier one goes.
void DropEarlierResultLog(RunContext& ctx) {
    if (!ctx.EarlierLogAside.empty()) RemoveFile(ctx.EarlierLogAside);
    ctx.EarlierLogAside.clear();
    ctx.EarlierLogLock.Close();
}

} // namespace

bool SaveResultLog(RunContext& ctx, uint8_t inputKind) {
    if (ctx.ResultLines.empty() || inputKind == KindLogs || inputKind == KindProjectLists) {
        RestoreEarlierResultLog(ctx);
        return false;
    }
    try {
        // The extracted files reach the disk before the log that names them.
        if (ctx.Sync) SyncFileSystemOf(ctx.TargetDir);
        SaveLines(ResultLogPath(ctx), ctx.ResultLines, ctx.Sync);
    } catch (...) {
        RestoreEarlierResultLog(ctx);
        throw;
    }
    DropEarlierResultLog(ctx);
    return true;
}

std::string TotalBytesLine(const RunContext& ctx) {
    if (ctx.TotalBytes == 0) return {};
    return "Total " + std::to_string(ctx.TotalBytes) + " bytes extracted.";
}

Outcome RunList(RunContext& ctx, const std::vector<std::string>& list, uint8_t kind,
                std::string_view formatName, const std::string& targetDir, const EntryChoice* choose) {
    BeginRun(ctx, targetDir);
    Outcome outcome = Outcome::Done;
    for (size_t i = 0; i < list.size(); ++i) {
        if (ctx.Stopped()) {
            outcome = Outcome::Stopped;
            break;
        }
        AddHeaderLines(ctx, formatName, list[i]);
        outcome = DispatchItem(ctx, kind, list[i], choose);
        if (outcome == Outcome::Stopped) break;
        SetTotalAfterItem(ctx, i, list.size());
        ctx.Status->ProcessEvents();
    }
    EndRun(ctx);
    SaveResultLog(ctx, kind);
    return outcome;
}

Outcome ExtractSelected(RunContext& ctx, const std::string& indexPath, const std::vector<bool>& selected,
                        const std::string& targetDir) {
    const EntryChoice choose = SelectionChoice(selected);
    return RunList(ctx, {indexPath}, KindPacks, FormatNames[0], targetDir, &choose);
}

} // namespace pw
