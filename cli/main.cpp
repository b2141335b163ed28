// packwright-cli: the pack engine for scripts and for people without a
// desktop. Exit status 0 on success, 1 on a file error (the message on
// stderr), 2 on a usage error, 130 when Ctrl-C stopped a run.
#include <cstdio>

#include "cli/TerminalStatus.h"
#include "cli/Verbs.h"
#include "core/Console.h"
#include "core/Error.h"

int main(int argc, char** argv) {
    using namespace pw::cli;
    const auto started = std::chrono::steady_clock::now();
    Tool tool;
    AddReadVerbs(tool);
    AddRunVerbs(tool);
    AddCheckVerbs(tool);
    AddPatchVerbs(tool);
    AddReplaceVerbs(tool);
    AddTextVerbs(tool);
    AddModVerbs(tool);

    // UTF-8 arguments on every system (Windows hands argv over in its ANSI
    // code page).
    std::vector<std::string> args = pw::Utf8Arguments(argc, argv);
    std::vector<char*> argp;
    for (std::string& a : args) argp.push_back(a.data());
    argp.push_back(nullptr);
    const Verb* verb = nullptr;
    try {
        verb = &tool.Parse(int(args.size()), argp.data());
    } catch (const Tool::Done&) {
        return std::fflush(stdout) == 0 ? ExitOk : ExitError;
    } catch (const UsageError& e) {
        if (!e.message.empty()) std::fprintf(stderr, "packwright-cli: %s\n", e.message.c_str());
        std::fputs(tool.UsageText().c_str(), stderr);
        return ExitUsage;
    }

    pw::TerminalStatus status(!tool.Quiet() && pw::StderrIsTerminal());
    pw::RunContext ctx(status);
    // Only a run has something to finish cleanly; other verbs end at
    // Ctrl-C as any tool does.
    if (verb->isRun) pw::StopOnInterrupt(ctx.StopRequested);

    Invocation run{ctx, status, tool.Quiet(), started};
    try {
        int code = verb->action(run);
        // Output that could not be written is a failure, not a success.
        if (std::fflush(stdout) != 0) pw::ThrowWriteError();
        status.Finish();
        if (code == ExitStopped) std::fputs("packwright-cli: stopped\n", stderr);
        return code;
    } catch (const pw::Interrupted&) {
        // Ctrl-C during a wait for a named pipe's writer.
        status.Finish();
        std::fputs("packwright-cli: stopped\n", stderr);
        return ExitStopped;
    } catch (const std::exception& e) {
        // pw::Error above all; also what the library raises (a current
        // folder that was deleted, memory): a message, never an abort.
        status.Finish();
        std::fprintf(stderr, "%s\n", pw::ErrorBoxText(e.what()).c_str());
        return ExitError;
    }
}
