#pragma once
// The frame of packwright-cli: its verbs, each a CLI11 subcommand with its
// own options, the usage text made of their synopses, and what every verb
// shares when it runs. A group of verbs lives in a file of its own and adds
// itself through Tool::AddVerb (see Verbs.h).
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/TerminalStatus.h"
#include "packs/EntryFilter.h"
#include "packs/RunContext.h"

namespace pw::cli {

inline constexpr int ExitOk = 0, ExitError = 1, ExitUsage = 2, ExitStopped = 130;

// A mistake in the arguments: the message, then the usage, on stderr.
struct UsageError {
    std::string message;
};

// What a verb has at hand when it runs.
struct Invocation {
    RunContext& ctx;
    TerminalStatus& status;
    bool quiet;
    std::chrono::steady_clock::time_point started;
};

struct Verb {
    std::string name;
    // Its usage lines, each "packwright-cli NAME ...", separated by "\n".
    std::string synopsis;
    // A run writes files: Ctrl-C asks it to stop after the current entry,
    // and a finished run ends with a summary line.
    bool isRun = false;
    std::function<int(Invocation&)> action;
    CLI::App* command = nullptr;
};

class Tool {
public:
    Tool();
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;

    // Adds a verb and returns its subcommand, for the verb's own options.
    // Every verb also takes --quiet (-q).
    CLI::App& AddVerb(const std::string& name, const std::string& description, const std::string& synopsis,
                      bool isRun, std::function<int(Invocation&)> action);

    // Parses argv and returns the verb to run. --help and --version print
    // on stdout and throw Done; mistakes throw UsageError.
    struct Done {};
    const Verb& Parse(int argc, char** argv);

    bool Quiet() const { return quiet_; }
    // "usage: " and every verb's synopsis, one a line.
    std::string UsageText() const;
    // The usage lines of one subcommand, or of the whole tool.
    std::string UsageOf(const CLI::App* app) const;

private:
    CLI::App app_;
    std::vector<std::unique_ptr<Verb>> verbs_;
    bool quiet_ = false;
};

// A full path as the window's list holds it: absolute, with "." and ".."
// levels resolved by their text and no trailing separator.
std::string FullPath(const std::string& path);

// The logs a run over logs takes: the lines of the project list `listFile`
// as written (a relative one is read in the target folder), or else `logs`
// made full paths.
std::vector<std::string> LogsOf(const std::vector<std::string>& logs, const std::string& listFile);

// The line that closes a finished run on stderr (unless --quiet): what was
// done, then " in S s." with the time taken since the verb started.
void PrintSummary(Invocation& run, const std::string& whatWasDone);

// The entries that --only PATTERN... and --type TYPE choose; a bad pattern
// is a usage error.
EntryFilter FilterOf(const std::vector<std::string>& only, std::optional<std::string> type = {});

// --only PATTERN on a verb, as often as wanted, each time with one value.
CLI::Option* AddOnlyOption(CLI::App& verb, std::vector<std::string>& only, const std::string& description);

// Exactly one of the inputs and the alternative to them (packs or --scan
// ROOT, logs or --list PROJECT.lst); else a usage error with `message`.
void RequireOneOf(const std::vector<std::string>& inputs, const std::string& alternative, const char* message);

// "1 pack", "3 packs": a count with its noun.
std::string Count(uint64_t n, const char* singular, const char* plural);

} // namespace pw::cli
