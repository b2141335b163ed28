// replace: entries of one pack replaced by files, without extracting it;
// the new pack in a target folder, or a patch of the replaced entries.
#include <memory>

#include "cli/Verbs.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/PackReader.h"
#include "packs/Plan.h"
#include "packs/patch/PatchMake.h"
#include "packs/replace/Replace.h"

namespace pw::cli {

namespace {

struct ReplaceOptions {
    std::string pack, target, patch, title, author, version, description;
    std::vector<std::string> pairs;
    bool sync = false, verify = false;
};

// ENTRY=FILE, split at the first "=": an entry of `index`, a file chosen now.
replace::Replacement ReplacementOf(const PackIndex& index, const std::string& indexPath, const std::string& pair) {
    const size_t eq = pair.find('=');
    const size_t k = replace::EntryForArgument(index, pair.substr(0, eq), indexPath);
    return replace::Choose(k, FullPath(pair.substr(eq + 1)));
}

int Replace(const ReplaceOptions& o, Invocation& run) {
    replace::ReplaceSet set;
    set.sourceIndex = FullPath(o.pack);
    {
        const PackIndex index(ReadPackIndex(set.sourceIndex, Pipes::Refuse), set.sourceIndex);
        // Every argument that cannot be taken is named, one a line, before
        // anything is written.
        std::string problems;
        for (const std::string& pair : o.pairs) {
            try {
                set.entries.push_back(ReplacementOf(index, set.sourceIndex, pair));
            } catch (const Error& e) {
                problems += (problems.empty() ? "" : "\n") + std::string(e.what());
            }
        }
        if (!problems.empty()) throw Error(problems);
    }
    RunContext& ctx = run.ctx;
    const RunContext::Tally& t = ctx.RunTally;
    if (!o.patch.empty()) {
        patch::SetWriterVersion(PACKWRIGHT_VERSION);
        const std::string output = FullPath(o.patch);
        if (!replace::SavePatch(ctx, set, output, {o.title, o.version, o.author, o.description, "", "", ""}))
            return ExitStopped;
        PrintSummary(run, "Wrote " + output + " with " + Count(t.Entries, "changed entry", "changed entries") +
                              " of " + Count(t.Packs, "pack", "packs") + " (" + Count(t.Bytes, "byte", "bytes") + ")");
        return ExitOk;
    }
    const std::string target = FullPath(o.target);
    CheckTargetFolder(target);
    ctx.Sync = o.sync;
    ctx.VerifyRebuilds = o.verify;
    if (replace::BuildPack(ctx, set, target) == Outcome::Stopped) return ExitStopped;
    PrintSummary(run, "Built " + Count(t.Packs, "pack", "packs") + " of " + Count(t.Entries, "entry", "entries") +
                          " (" + std::to_string(t.FromFiles) + " replaced, " + Count(t.Bytes, "byte", "bytes") +
                          ") into " + target + (o.verify ? ", read back and verified" : ""));
    return ExitOk;
}

} // namespace

void AddReplaceVerbs(Tool& tool) {
    auto o = std::make_shared<ReplaceOptions>();
    CLI::App& r = tool.AddVerb(
        "replace", "Build a new pack (or a patch) with some entries replaced by files, without extracting it",
        "packwright-cli replace --target DIR [--verify] [--sync] [--quiet] PACK.fat ENTRY=FILE...\n"
        "packwright-cli replace --patch MOD.pwpatch [--title T] [--author A] [--version V] [--description D]\n"
        "  [--quiet] PACK.fat ENTRY=FILE...",
        true, [o](Invocation& run) { return Replace(*o, run); });
    r.add_option("PACK.fat", o->pack, "The pack whose entries are replaced")->required();
    r.add_option("ENTRY=FILE", o->pairs,
                 "An entry (its index, #0xN, its name, or its extracted file's name) and the file that replaces it")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    r.add_option("--target", o->target, "The folder for the new pack (made when missing; not the pack's own)")
        ->type_name("DIR");
    r.add_option("--patch", o->patch, "Write a patch of the replaced entries instead")->type_name("MOD.pwpatch");
    r.add_option("--title", o->title, "The patch's title")->type_name("T");
    r.add_option("--author", o->author, "Its author")->type_name("A");
    r.add_option("--version", o->version, "Its version")->type_name("V");
    r.add_option("--description", o->description, "What it does")->type_name("D");
    r.add_flag("--sync", o->sync, "Flush every file written, and its folder, to disk before the run counts it as done");
    r.add_flag("--verify", o->verify,
               "Read the new pack back and compare it with its sources before putting it in place");
    r.footer("Every other entry keeps its old data. A file that changes after it was named is refused.");
    r.callback([o] {
        if (o->target.empty() == o->patch.empty()) throw UsageError{"replace needs --target DIR or --patch MOD.pwpatch"};
        if (o->pairs.empty()) throw UsageError{"replace needs at least one ENTRY=FILE"};
        for (const std::string& pair : o->pairs) {
            const size_t eq = pair.find('=');
            if (eq == std::string::npos || eq == 0 || eq + 1 == pair.size())
                throw UsageError{"replace takes ENTRY=FILE, not " + pair};
        }
    });
}

} // namespace pw::cli
