#pragma once
// The commands of packwright-cli. Each returns the process's exit status.
#include <string>
#include <vector>

#include "packs/RunContext.h"

namespace pw::cli {

struct Options {
    std::string command;
    std::vector<std::string> inputs; // packs, logs, or the folder to scan
    std::string target;              // --target
    std::string scanRoot;            // --scan
    std::string listFile;            // --list
    std::string type = "fat";        // --type
    bool quiet = false;
};

inline constexpr int ExitOk = 0, ExitError = 1, ExitUsage = 2, ExitStopped = 130;

// Parses argv; throws UsageError on anything it does not understand.
struct UsageError {
    std::string message;
};
Options ParseArguments(int argc, char** argv);
extern const char* const UsageText;

int List(const Options& options);
int Scan(const Options& options);
int Extract(const Options& options, RunContext& ctx);
int Insert(const Options& options, RunContext& ctx);

// A full path as the window's list holds it: absolute, with "." and ".."
// levels resolved by their text and no trailing separator.
std::string FullPath(const std::string& path);

} // namespace pw::cli
