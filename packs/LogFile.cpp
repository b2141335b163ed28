// Insertion from a log: every "#Source:" line whose pack exists, under the
// format "FAT", rebuilds that pack into the run's target folder.
#include "core/FileNames.h"
#include "core/FileIO.h"
#include "packs/Formathandlers.h"
#include "packs/Kinds.h"
#include "packs/LogWalk.h"
#include "packs/RebuildRules.h"
#include "packs/TextLines.h"

namespace pw {

namespace {

void StepProgress(StatusSink& status) {
    status.SetProgressPosition(std::min(status.ProgressPosition() + 1, status.ProgressMax()));
}

class InsertWalk : public LogWalk {
public:
    InsertWalk(RunContext& ctx, std::string caption) : ctx_(ctx), caption_(std::move(caption)) {}
    Outcome outcome = Outcome::Done;

    bool BeforeLine(size_t i, size_t count) override {
        if (ctx_.Stopped()) {
            outcome = Outcome::Stopped;
            return false;
        }
        ctx_.Status->SetStatus(caption_);
        // A log of one line has nothing to divide: the bar stays at its start.
        ctx_.Status->SetTotalPosition(count > 1 ? int(uint64_t(i) * 100 / (count - 1)) : 0);
        return true;
    }

    size_t OnSource(const std::string& path, size_t i, uint8_t format) override {
        ctx_.HeldSourceIndex.Close();
        if (!Exists(path)) return i + 1;
        ctx_.HeldSourceIndex = OpenReadWriteNotShared(path);
        ctx_.SourcePackPath = path;
        ctx_.Status->SetStatus("Processing " + ExtractFileName(path) + "...");
        if (format != FormatFat) return i + 1;
        Outcome rebuilt = Outcome::Done;
        // Handling goes on at the first line after the entry lines.
        size_t next = RebuildPack(ctx_, TargetIndexPath(ctx_.TargetDir, path), i + 1, &rebuilt);
        if (rebuilt == Outcome::Stopped) {
            ctx_.HeldSourceIndex.Close();
            outcome = Outcome::Stopped;
            return End;
        }
        return next;
    }

    void AfterLine() override {
        ctx_.HeldSourceIndex.Close();
        StepProgress(*ctx_.Status);
        ctx_.Status->ProcessEvents();
    }

private:
    RunContext& ctx_;
    const std::string caption_;
};

} // namespace

Outcome ProcessLogFile(RunContext& ctx, const std::string& logPath) {
    ctx.LogLines = LoadLines(logPath, Pipes::Allow); // a log the user named
    const std::string caption = "Processing " + ExtractFileName(logPath) + "...";
    StatusSink& status = *ctx.Status;
    status.SetStatus(caption);
    status.SetTotalMax(100);
    status.SetTotalPosition(0);

    InsertWalk walk(ctx, caption);
    WalkLog(ctx.LogLines, walk, ctx.PackFormat, ctx.PlainLine);
    return walk.outcome;
}

} // namespace pw
