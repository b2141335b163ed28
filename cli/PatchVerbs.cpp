// diff, patch show, apply: making patches of modded packs, showing one, and
// applying patches to the user's own copy of the game's packs.
#include <cstdio>
#include <memory>

#include "cli/Json.h"
#include "cli/Verbs.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/Plan.h"
#include "packs/patch/PatchApply.h"
#include "packs/patch/PatchMake.h"

namespace pw::cli {

namespace {

using namespace pw::patch;

// The patches at `paths` (as given on the command line), held in `files`.
std::vector<const PatchFile*> OpenPatchArguments(const std::vector<std::string>& paths,
                                                 std::vector<std::unique_ptr<PatchFile>>& files) {
    std::vector<std::string> full;
    for (const std::string& p : paths) full.push_back(FullPath(p));
    return OpenPatches(full, files);
}

struct DiffOptions {
    std::vector<std::string> packs, logs;
    std::string output, title, author, version, description;
};

int Diff(const DiffOptions& o, Invocation& run) {
    SetWriterVersion(PACKWRIGHT_VERSION);
    const Manifest manifest{o.title, o.version, o.author, o.description, "", "", ""};
    const std::string output = FullPath(o.output);
    bool written = false;
    if (!o.logs.empty()) {
        const std::vector<std::string> logs = LogsOf(o.logs, "");
        // A relative path in a log is taken in the folder of the first log.
        written = WritePatchFromLogs(run.ctx, output, manifest, logs, ExtractFilePath(logs.front()));
    } else {
        std::vector<PackChanges> changes;
        for (size_t i = 0; i + 1 < o.packs.size(); i += 2) {
            PackChanges c = DiffPacks(FullPath(o.packs[i]), FullPath(o.packs[i + 1]));
            if (!c.entries.empty()) changes.push_back(std::move(c));
        }
        written = WritePatch(run.ctx, output, manifest, changes);
    }
    if (!written) return ExitStopped;
    const RunContext::Tally& t = run.ctx.RunTally;
    PrintSummary(run, "Wrote " + output + " with " + Count(t.Entries, "changed entry", "changed entries") + " of " +
                          Count(t.Packs, "pack", "packs") + " (" + Count(t.Bytes, "byte", "bytes") + ")");
    return ExitOk;
}

struct ShowOptions {
    std::string action, patch;
    bool json = false;
};

int Show(const ShowOptions& o) {
    const PatchFile patch(FullPath(o.patch));
    if (o.json) {
        Json packs = Json::array();
        for (const PatchPack& p : patch.Packs()) {
            Json entries = Json::array();
            for (const PatchEntry& e : p.entries)
                entries.push_back({{"index", e.index}, {"name", e.name}, {"baseSize", e.baseSize},
                                   {"newSize", e.newSize}, {"storedSize", e.dataLength}});
            packs.push_back({{"name", p.name}, {"entryCount", p.entryCount}, {"entries", entries}});
        }
        PrintJson({{"patch", patch.Path()},
                   {"size", patch.FileLength()},
                   {"manifest", Json::parse(patch.ManifestJson())},
                   {"packs", packs}});
        return ExitOk;
    }
    const Manifest& m = patch.Info();
    std::printf("patch %s\n", patch.Path().c_str());
    const std::pair<const char*, const std::string*> fields[] = {
        {"title", &m.title}, {"version", &m.version}, {"author", &m.author}, {"description", &m.description},
        {"text", &m.text},   {"writer", &m.writer},   {"time", &m.time}};
    for (const auto& [key, value] : fields)
        if (!value->empty()) std::printf("  %s: %s\n", key, value->c_str());
    for (const PatchPack& p : patch.Packs()) {
        std::printf("pack %s (%u entries, %zu changed)\n", p.name.c_str(), p.entryCount, p.entries.size());
        for (const PatchEntry& e : p.entries)
            std::printf("  %u\t%s\t%lld -> %lld bytes\n", e.index, e.name.c_str(), static_cast<long long>(e.baseSize),
                        static_cast<long long>(e.newSize));
    }
    return ExitOk;
}

struct ApplyOptions {
    std::vector<std::string> patches;
    std::string target, source;
    bool preferLater = false, plan = false, json = false, verify = false, sync = false;
};

void PrintApplyText(const ApplyPlan& plan) {
    for (const ApplyPackPlan& p : plan.packs) {
        std::printf("pack %s\n", p.name.c_str());
        if (!p.refusal.empty()) {
            std::printf("  refused: %s\n", p.refusal.c_str());
            continue;
        }
        std::printf("  source %s\n  new %s, %s\n", p.sourceIndex.c_str(), p.targetIndex.c_str(), p.targetData.c_str());
        for (const ApplyEntryPlan& e : p.entries) {
            std::printf("  %zu\t%s\t%s\t%s", e.index, ApplyStateName(e.state), e.name.c_str(),
                        plan.patches[e.patch]->Path().c_str());
            if (e.state == ApplyState::Applies || e.wins)
                std::printf("\t%lld -> %lld bytes", static_cast<long long>(e.oldSize), static_cast<long long>(e.newSize));
            if (!e.message.empty()) std::printf("\t%s", e.message.c_str());
            std::printf("\n");
        }
        std::printf("  %zu applies, %zu already, %zu conflict, %zu refused\n", p.applies, p.already, p.conflicts,
                    p.refused);
    }
}

Json ApplyJson(const ApplyPlan& plan, const std::string& target) {
    Json patches = Json::array();
    for (const PatchFile* p : plan.patches) patches.push_back(p->Path());
    Json packs = Json::array();
    for (const ApplyPackPlan& p : plan.packs) {
        Json entries = Json::array();
        for (const ApplyEntryPlan& e : p.entries) {
            Json j = {{"index", e.index}, {"name", e.name}, {"state", ApplyStateName(e.state)},
                      {"patch", plan.patches[e.patch]->Path()}, {"oldSize", e.oldSize}, {"newSize", e.newSize}};
            if (e.state == ApplyState::Conflict) j["wins"] = e.wins;
            if (!e.message.empty()) j["message"] = e.message;
            entries.push_back(std::move(j));
        }
        packs.push_back({{"name", p.name},
                         {"source", p.sourceIndex},
                         {"targetIndex", p.targetIndex},
                         {"targetData", p.targetData},
                         {"counts", {{"applies", p.applies}, {"already", p.already}, {"conflict", p.conflicts},
                                     {"refused", p.refused}}},
                         {"refusal", p.refusal.empty() ? Json() : Json(p.refusal)},
                         {"entries", entries}});
    }
    return {{"target", target}, {"patches", patches}, {"ok", plan.Ok()}, {"packs", packs}};
}

int Apply(const ApplyOptions& o, Invocation& run) {
    std::vector<std::unique_ptr<PatchFile>> files;
    const std::vector<const PatchFile*> patches = OpenPatchArguments(o.patches, files);
    const std::string target = FullPath(o.target), source = FullPath(o.source);
    if (!o.plan) CheckTargetFolder(target);
    const ApplyPlan plan = PlanApply(patches, source, target, o.preferLater);
    if (o.json) PrintJson(ApplyJson(plan, target));
    else if (o.plan) PrintApplyText(plan);
    if (o.plan || !plan.Ok()) {
        if (plan.Ok()) return ExitOk;
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", ErrorBoxText(plan.Problems()).c_str());
        return ExitError;
    }
    for (const ApplyPackPlan& p : plan.packs)
        for (const ApplyEntryPlan& e : p.entries)
            if (e.wins) std::fprintf(stderr, "packwright-cli: %s\n", e.message.c_str());
    run.ctx.Sync = o.sync;
    run.ctx.VerifyRebuilds = o.verify;
    if (RunApply(run.ctx, plan, target) == Outcome::Stopped) return ExitStopped;
    size_t taken = 0;
    for (const ApplyPackPlan& p : plan.packs) taken += p.takes.size();
    const RunContext::Tally& t = run.ctx.RunTally;
    PrintSummary(run, "Applied " + Count(patches.size(), "patch", "patches") + ": built " +
                          Count(t.Packs, "pack", "packs") + " of " + Count(t.Entries, "entry", "entries") + " (" +
                          std::to_string(taken) + " from patches, " + Count(t.Bytes, "byte", "bytes") + ") into " +
                          target + (o.verify ? ", each read back and verified" : ""));
    return ExitOk;
}

} // namespace

int VerifyWithPatches(const std::string& pack, const std::vector<std::string>& patchPaths,
                      const std::string& source, bool json) {
    std::vector<std::unique_ptr<PatchFile>> files;
    const std::vector<const PatchFile*> patches = OpenPatchArguments(patchPaths, files);
    const std::string path = FullPath(pack);
    const std::vector<std::string> findings = VerifyPatched(path, patches, FullPath(source));
    if (json) {
        PrintJson({{"pack", path}, {"sound", findings.empty()}, {"findings", findings}});
    } else {
        for (const std::string& f : findings) std::printf("%s: %s\n", path.c_str(), f.c_str());
        if (findings.empty()) std::printf("%s: sound\n", path.c_str());
    }
    return findings.empty() ? ExitOk : ExitError;
}

void AddPatchVerbs(Tool& tool) {
    auto diff = std::make_shared<DiffOptions>();
    CLI::App& d = tool.AddVerb(
        "diff", "Write a patch of the entries that modded packs (or logs) change",
        "packwright-cli diff --output MOD.pwpatch [--title T] [--author A] [--version V] [--description D] [--quiet]\n"
        "  (SOURCE.fat MODDED.fat [SOURCE2.fat MODDED2.fat]... | --log LOG...)",
        true, [diff](Invocation& run) { return Diff(*diff, run); });
    d.add_option("PACK.fat", diff->packs, "Pairs of packs: the game's own, then its modded copy")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    d.add_option("--output", diff->output, "The patch to write")->type_name("MOD.pwpatch");
    d.add_option("--log", diff->logs, "Instead of packs: the entries these logs' change plan calls changed")
        ->type_name("LOG")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    d.add_option("--title", diff->title, "The patch's title")->type_name("T");
    d.add_option("--author", diff->author, "Its author")->type_name("A");
    d.add_option("--version", diff->version, "Its version")->type_name("V");
    d.add_option("--description", diff->description, "What it does")->type_name("D");
    d.footer("A relative path in a log is taken in the first log's folder.");
    d.callback([diff] {
        if (diff->output.empty()) throw UsageError{"diff needs --output MOD.pwpatch"};
        if (diff->logs.empty() == diff->packs.empty()) throw UsageError{"diff takes pairs of packs or --log LOG..."};
        if (diff->packs.size() % 2 != 0) throw UsageError{"diff takes packs in pairs: SOURCE.fat MODDED.fat"};
    });

    auto show = std::make_shared<ShowOptions>();
    CLI::App& s = tool.AddVerb("patch", "Show a patch: its manifest and its changed entries",
                               "packwright-cli patch show MOD.pwpatch [--json]", false,
                               [show](Invocation&) { return Show(*show); });
    s.add_option("ACTION", show->action, "show")->required()->check(CLI::IsMember({"show"}));
    s.add_option("MOD.pwpatch", show->patch, "The patch")->required();
    s.add_flag("--json", show->json, "One JSON document instead of lines");

    auto apply = std::make_shared<ApplyOptions>();
    CLI::App& a = tool.AddVerb(
        "apply", "Build the packs that patches change from the game's packs, checked entry by entry",
        "packwright-cli apply --target DIR --source GAMEDIR [--prefer-later] [--plan] [--json] [--verify] [--sync]\n"
        "  [--quiet] MOD.pwpatch...",
        true, [apply](Invocation& run) { return Apply(*apply, run); });
    a.add_option("MOD.pwpatch", apply->patches, "The patches, applied in this order")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    a.add_option("--target", apply->target, "The folder for the new packs (made when missing)")->type_name("DIR");
    a.add_option("--source", apply->source, "The game's folder with the packs the patches name")
        ->type_name("GAMEDIR");
    a.add_flag("--prefer-later", apply->preferLater,
               "Where two patches change an entry differently, the later one wins (said per entry)");
    a.add_flag("--plan", apply->plan, "Write nothing: one line per patched entry and a summary per pack");
    a.add_flag("--json", apply->json, "The plan as one JSON document");
    a.add_flag("--verify", apply->verify,
               "Read each new pack back and compare it with its sources before putting it in place");
    a.add_flag("--sync", apply->sync,
               "Flush every file written, and its folder, to disk before the run counts it as done");
    a.footer("States: applies, already (holds the new data), conflict (two patches change it differently),\n"
             "refused (not the data the patch was made for). With --plan: exit status 0 when the apply\n"
             "would succeed, 1 otherwise.");
    a.callback([apply] {
        if (apply->target.empty()) throw UsageError{"apply needs --target DIR"};
        if (apply->source.empty()) throw UsageError{"apply needs --source GAMEDIR"};
        if (apply->patches.empty()) throw UsageError{"apply needs at least one MOD.pwpatch"};
    });
}

} // namespace pw::cli
