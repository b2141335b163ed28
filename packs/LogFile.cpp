// Reading a log: "#Format:" lines set the format in force, "#Source:" lines
// name a pack whose entry lines follow directly, "#Target" lines are known
// and ignored; every other line has no effect of its own.
#include <string_view>

#include "core/FileNames.h"
#include "core/FileIO.h"
#include "packs/Formathandlers.h"
#include "packs/Kinds.h"
#include "packs/TextLines.h"

namespace pw {

namespace {

constexpr std::string_view HeaderWords[] = {"#Format:", "#Source:", "#Target"};
constexpr std::string_view Blanks = " \t\r\n\v\f";

// The first run of non-blank characters after any leading blanks, and where
// it ends in the line.
std::string_view FirstWord(std::string_view line, size_t* end = nullptr) {
    size_t start = line.find_first_not_of(Blanks);
    if (start == std::string_view::npos) {
        if (end) *end = line.size();
        return {};
    }
    size_t stop = line.find_first_of(Blanks, start);
    if (stop == std::string_view::npos) stop = line.size();
    if (end) *end = stop;
    return line.substr(start, stop - start);
}

uint8_t FormatCode(std::string_view value) {
    std::string_view name = FirstWord(value);
    for (size_t i = 0; i < FormatNames.size(); ++i)
        if (!name.empty() && name == FormatNames[i]) return KindByFileType[i];
    return FormatNone;
}

void StepProgress(StatusSink& status) {
    status.SetProgressPosition(std::min(status.ProgressPosition() + 1, status.ProgressMax()));
}

} // namespace

Outcome ProcessLogFile(RunContext& ctx, const std::string& logPath) {
    ctx.LogLines = LoadLines(logPath, Pipes::Allow); // a log the user named
    const std::string caption = "Processing " + ExtractFileName(logPath) + "...";
    StatusSink& status = *ctx.Status;
    status.SetStatus(caption);
    status.SetTotalMax(100);
    status.SetTotalPosition(0);
    ctx.PackFormat = FormatNone;

    size_t i = 0;
    while (i < ctx.LogLines.size()) {
        if (ctx.Stopped()) return Outcome::Stopped;
        const size_t count = ctx.LogLines.size();
        size_t next = i + 1;
        status.SetStatus(caption);
        // A log of one line has nothing to divide: the bar stays at its start.
        status.SetTotalPosition(count > 1 ? int(uint64_t(i) * 100 / (count - 1)) : 0);

        size_t wordEnd = 0;
        const std::string word(FirstWord(ctx.LogLines[i], &wordEnd));
        ctx.PlainLine = 1;
        for (std::string_view header : HeaderWords)
            if (word == header) {
                ctx.PlainLine = 0;
                break;
            }
        if (ctx.PlainLine == 0) {
            // The value follows the header word and one separating character,
            // wherever the word stands in the line.
            std::string& line = ctx.LogLines[i];
            line.erase(0, std::min(line.size(), wordEnd + 1));
            if (word == HeaderWords[0]) {
                ctx.PackFormat = FormatCode(line);
            } else if (word == HeaderWords[1]) {
                const std::string path = line;
                ctx.HeldSourceIndex.Close();
                if (Exists(path)) {
                    ctx.HeldSourceIndex = OpenReadWriteNotShared(path);
                    ctx.SourcePackPath = path;
                    status.SetStatus("Processing " + ExtractFileName(path) + "...");
                    if (ctx.PackFormat == FormatFat) {
                        std::string target = ctx.TargetDir;
                        if (target.empty() || PathSeparators.find(target.back()) == std::string_view::npos)
                            target += PathDelim;
                        Outcome outcome = Outcome::Done;
                        // Handling goes on at the first line after the entry lines.
                        next = RebuildPack(ctx, target + ExtractFileName(path), i + 1, &outcome);
                        if (outcome == Outcome::Stopped) {
                            ctx.HeldSourceIndex.Close();
                            return Outcome::Stopped;
                        }
                    }
                }
            }
        }
        ctx.HeldSourceIndex.Close();
        StepProgress(status);
        status.ProcessEvents();
        i = next;
    }
    return Outcome::Done;
}

} // namespace pw
