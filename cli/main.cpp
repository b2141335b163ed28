// packwright-cli: the pack engine for scripts and for people without a
// desktop. Exit status 0 on success, 1 on a file error (the message on
// stderr), 2 on a usage error, 130 when Ctrl-C stopped a run.
#include <signal.h>
#include <unistd.h>

#include <cstdio>

#include "cli/TerminalStatus.h"
#include "cli/Verbs.h"
#include "core/Error.h"

namespace {

std::atomic<bool>* stopFlag = nullptr;

extern "C" void OnInterrupt(int) {
    if (stopFlag) stopFlag->store(true);
}

} // namespace

int main(int argc, char** argv) {
    using namespace pw::cli;
    const auto started = std::chrono::steady_clock::now();
    Tool tool;
    AddInspectVerbs(tool);
    AddRunVerbs(tool);

    const Verb* verb = nullptr;
    try {
        verb = &tool.Parse(argc, argv);
    } catch (const Tool::Done&) {
        return std::fflush(stdout) == 0 ? ExitOk : ExitError;
    } catch (const UsageError& e) {
        if (!e.message.empty()) std::fprintf(stderr, "packwright-cli: %s\n", e.message.c_str());
        std::fputs(tool.UsageText().c_str(), stderr);
        return ExitUsage;
    }

    pw::TerminalStatus status(!tool.Quiet() && ::isatty(STDERR_FILENO));
    pw::RunContext ctx(status);
    // Only a run has something to finish cleanly; other verbs end at
    // Ctrl-C as any tool does.
    if (verb->isRun) {
        stopFlag = &ctx.StopRequested;
        struct sigaction sa {};
        sa.sa_handler = OnInterrupt;
        sigemptyset(&sa.sa_mask);
        ::sigaction(SIGINT, &sa, nullptr);
    }

    Invocation run{ctx, status, tool.Quiet(), started};
    try {
        int code = verb->action(run);
        status.Finish();
        if (code == ExitStopped) std::fputs("packwright-cli: stopped\n", stderr);
        return code;
    } catch (const std::exception& e) {
        // pw::Error above all; also what the library raises (a current
        // folder that was deleted, memory): a message, never an abort.
        status.Finish();
        std::fprintf(stderr, "%s\n", pw::ErrorBoxText(e.what()).c_str());
        return ExitError;
    }
}
