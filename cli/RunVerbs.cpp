// extract and insert: runs over a list of packs or logs into a target
// folder, as the window's Process button does. Ctrl-C stops them after the
// current entry; a finished run ends with a summary line.
#include <memory>

#include "cli/Verbs.h"
#include "core/FileIO.h"
#include "packs/Driver.h"
#include "packs/Kinds.h"
#include "packs/Scan.h"

namespace pw::cli {

namespace {

struct ExtractOptions {
    std::vector<std::string> packs, only;
    std::string target, scanRoot;
    bool sync = false;
};

int Extract(const ExtractOptions& o, Invocation& run) {
    RunContext& ctx = run.ctx;
    ctx.Sync = o.sync;
    std::vector<std::string> packs;
    if (!o.scanRoot.empty()) {
        ctx.ScanRoot = FullPath(o.scanRoot);
        ScanDirectory(ctx.ScanRoot, "*.fat", packs);
        ctx.ListFromScan = !packs.empty();
    } else {
        for (const std::string& p : o.packs) packs.push_back(FullPath(p));
    }
    const std::string target = FullPath(o.target);
    // --only: the same choice in every pack; the result log still names every entry.
    const EntryFilter filter = FilterOf(o.only);
    const EntryChoice choose = [&filter](size_t k, const std::string& name) { return filter.Accepts(k, name); };
    if (RunList(ctx, packs, KindPacks, FormatNames[0], target, filter.TakesAll() ? nullptr : &choose) ==
        Outcome::Stopped)
        return ExitStopped;
    const RunContext::Tally& t = ctx.RunTally;
    PrintSummary(run, "Extracted " + Count(t.Entries, "entry", "entries") + " (" + Count(t.Bytes, "byte", "bytes") +
                          ") from " + Count(t.Packs, "pack", "packs") + " into " + target);
    return ExitOk;
}

struct InsertOptions {
    std::vector<std::string> logs;
    std::string target, listFile;
    bool sync = false;
    bool verify = false;
};

int Insert(const InsertOptions& o, Invocation& run) {
    run.ctx.Sync = o.sync;
    const std::vector<std::string> logs = LogsOf(o.logs, o.listFile);
    const uint8_t kind = o.listFile.empty() ? KindLogs : KindProjectLists;
    const std::string target = FullPath(o.target);
    run.ctx.VerifyRebuilds = o.verify;
    // The log file type gives an empty format name in the header lines.
    if (RunList(run.ctx, logs, kind, FormatNames[2], target) == Outcome::Stopped) return ExitStopped;
    const RunContext::Tally& t = run.ctx.RunTally;
    PrintSummary(run, "Built " + Count(t.Packs, "pack", "packs") + " of " + Count(t.Entries, "entry", "entries") +
                          " (" + std::to_string(t.FromFiles) + " from files, " + Count(t.Bytes, "byte", "bytes") +
                          ") into " + target + (o.verify ? ", each read back and verified" : ""));
    return ExitOk;
}

constexpr const char* SyncHelp =
    "Flush every file written, and its folder, to disk before the run counts it as done";

} // namespace

void AddRunVerbs(Tool& tool) {
    auto ex = std::make_shared<ExtractOptions>();
    CLI::App& e = tool.AddVerb(
        "extract", "Write the entries of packs to files, and DIR/result.log",
        "packwright-cli extract --target DIR [--quiet] [--sync] [--only PATTERN]... (PACK.fat... | --scan ROOT)", true,
        [ex](Invocation& run) { return Extract(*ex, run); });
    e.add_option("PACK.fat", ex->packs, "The packs' index files")->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    e.add_option("--target", ex->target, "The folder to write into (made when missing)")
        ->type_name("DIR");
    e.add_option("--scan", ex->scanRoot, "Every pack below ROOT instead, placed below DIR as below ROOT")
        ->type_name("ROOT");
    e.add_flag("--sync", ex->sync, SyncHelp);
    AddOnlyOption(e, ex->only, "Write only the entries that match, in each pack");
    e.callback([ex] {
        if (ex->target.empty()) throw UsageError{"extract needs --target DIR"};
        FilterOf(ex->only);
        RequireOneOf(ex->packs, ex->scanRoot, "extract takes packs or --scan ROOT");
    });

    auto in = std::make_shared<InsertOptions>();
    CLI::App& i = tool.AddVerb(
        "insert", "Build new packs from logs, taking the edited files",
        "packwright-cli insert --target DIR [--verify] [--quiet] [--sync] (LOG... | --list PROJECT.lst)", true,
        [in](Invocation& run) { return Insert(*in, run); });
    i.add_option("LOG", in->logs, "Logs, such as the result.log of an extraction")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    i.add_option("--target", in->target, "The folder for the new packs (made when missing)")
        ->type_name("DIR");
    i.add_option("--list", in->listFile, "The logs a project list names instead")
        ->type_name("PROJECT.lst");
    i.add_flag("--sync", in->sync, SyncHelp);
    i.add_flag("--verify", in->verify,
               "Read each new pack back and compare it with its sources before putting it in place");
    i.callback([in] {
        if (in->target.empty()) throw UsageError{"insert needs --target DIR"};
        RequireOneOf(in->logs, in->listFile, "insert takes logs or --list PROJECT.lst");
    });
}

} // namespace pw::cli
