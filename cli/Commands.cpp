#include "cli/Commands.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "core/FileNames.h"
#include "packs/Driver.h"
#include "core/FileIO.h"
#include "packs/Kinds.h"
#include "packs/PackIndex.h"
#include "packs/Scan.h"
#include "packs/TextLines.h"

namespace pw::cli {

const char* const UsageText =
    "usage: packwright-cli list PACK.fat\n"
    "       packwright-cli scan [--type fat|lst|log] DIR\n"
    "       packwright-cli extract --target DIR [--quiet] (PACK.fat... | --scan ROOT)\n"
    "       packwright-cli insert --target DIR [--quiet] (LOG... | --list PROJECT.lst)\n";

namespace {

std::string TakeValue(int argc, char** argv, int& i) {
    if (i + 1 >= argc) throw UsageError{std::string(argv[i]) + " needs a value"};
    return argv[++i];
}

// The scan pattern and input kind of a file type name.
const char* MaskOf(const std::string& type) {
    if (type == "fat") return "*.fat";
    if (type == "lst") return "*.lst";
    if (type == "log") return "*.log";
    throw UsageError{"unknown type " + type};
}

} // namespace

Options ParseArguments(int argc, char** argv) {
    if (argc < 2) throw UsageError{""};
    Options o;
    o.command = argv[1];
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--target") o.target = TakeValue(argc, argv, i);
        else if (a == "--scan") o.scanRoot = TakeValue(argc, argv, i);
        else if (a == "--list") o.listFile = TakeValue(argc, argv, i);
        else if (a == "--type") o.type = TakeValue(argc, argv, i);
        else if (a == "--quiet" || a == "-q") o.quiet = true;
        else if (a == "--") {
            for (++i; i < argc; ++i) o.inputs.emplace_back(argv[i]);
        } else if (a.size() > 1 && a[0] == '-') throw UsageError{"unknown option " + a};
        else o.inputs.push_back(a);
    }
    MaskOf(o.type);
    const std::string& c = o.command;
    if (c == "list" || c == "scan") {
        if (o.inputs.size() != 1) throw UsageError{c + " takes one path"};
    } else if (c == "extract" || c == "insert") {
        if (o.target.empty()) throw UsageError{c + " needs --target DIR"};
        const std::string& alt = c == "extract" ? o.scanRoot : o.listFile;
        if (alt.empty() == o.inputs.empty())
            throw UsageError{c == "extract" ? "extract takes packs or --scan ROOT"
                                            : "insert takes logs or --list PROJECT.lst"};
    } else {
        throw UsageError{"unknown command " + c};
    }
    return o;
}

std::string FullPath(const std::string& path) {
    std::string p = std::filesystem::absolute(path).lexically_normal().string();
    while (p.size() > 1 && p.back() == PathDelim) p.pop_back();
    return p;
}

int List(const Options& options) {
    const std::string path = FullPath(options.inputs[0]);
    PackIndex index(ReadWholeFile(path), path);
    for (size_t k = 0; k < index.Count(); ++k) {
        FatEntry e = index.Entry(k);
        std::printf("%zu\t%s\t%d\t%d\n", k, e.Name.c_str(), e.StartBlock, e.Size);
    }
    return ExitOk;
}

int Scan(const Options& options) {
    std::vector<std::string> found;
    ScanDirectory(FullPath(options.inputs[0]), MaskOf(options.type), found);
    for (const std::string& f : found) std::printf("%s\n", f.c_str());
    return ExitOk;
}

int Extract(const Options& options, RunContext& ctx) {
    std::vector<std::string> packs;
    if (!options.scanRoot.empty()) {
        ctx.ScanRoot = FullPath(options.scanRoot);
        ScanDirectory(ctx.ScanRoot, "*.fat", packs);
        ctx.ListFromScan = !packs.empty();
    } else {
        for (const std::string& p : options.inputs) packs.push_back(FullPath(p));
    }
    Outcome outcome = RunList(ctx, packs, KindPacks, FormatNames[0], FullPath(options.target));
    return outcome == Outcome::Stopped ? ExitStopped : ExitOk;
}

int Insert(const Options& options, RunContext& ctx) {
    std::vector<std::string> logs;
    uint8_t kind = KindLogs;
    if (!options.listFile.empty()) {
        logs = LoadLines(FullPath(options.listFile), Pipes::Allow);
        kind = KindProjectLists;
    } else {
        for (const std::string& p : options.inputs) logs.push_back(FullPath(p));
    }
    // The log file type gives an empty format name in the header lines.
    Outcome outcome = RunList(ctx, logs, kind, FormatNames[2], FullPath(options.target));
    return outcome == Outcome::Stopped ? ExitStopped : ExitOk;
}

} // namespace pw::cli
