// plan and verify: what a rebuild from a log will do, and whether a pack
// holds what it should. Neither writes a file.
#include <cstdio>
#include <memory>

#include "cli/Json.h"
#include "cli/Verbs.h"
#include "core/Error.h"
#include "core/FileIO.h"
#include "packs/Plan.h"
#include "packs/Verify.h"

namespace pw::cli {

namespace {

struct PlanOptions {
    std::vector<std::string> logs;
    std::string listFile, target;
    bool changes = false, json = false;
};

std::string Signed(int64_t n) { return (n > 0 ? "+" : "") + std::to_string(n); }

// Whether --changes leaves the entry in: it changes, or it is refused.
bool Shown(const EntryPlan& e, bool changesOnly) {
    return !changesOnly || e.state == EntryState::Changed || e.state == EntryState::Refused;
}

void PrintPlanText(const PackPlan& p, bool changesOnly) {
    std::printf("pack %s\n", p.sourceIndex.c_str());
    if (!p.targetIndex.empty()) std::printf("  new %s, %s\n", p.targetIndex.c_str(), p.targetData.c_str());
    for (const EntryPlan& e : p.entries) {
        if (!Shown(e, changesOnly)) continue;
        std::printf("  %zu\t%s\t%s", e.index, StateName(e.state), e.file.c_str());
        if (e.state == EntryState::Changed)
            std::printf("\t%lld -> %lld bytes", static_cast<long long>(e.oldSize), static_cast<long long>(e.newSize));
        if (e.state == EntryState::Refused) std::printf("\t%s", e.message.c_str());
        std::printf("\n");
    }
    if (p.Refused()) {
        std::printf("  refused: %s\n", p.refusal.c_str());
        return;
    }
    std::printf("  %zu changed, %zu same, %zu kept; new data file %lld bytes, %s against the source's %lld\n",
                p.changed, p.same, p.kept, static_cast<long long>(p.newDataSize),
                Signed(p.newDataSize - p.sourceDataSize).c_str(), static_cast<long long>(p.sourceDataSize));
}

Json PlanJson(const PackPlan& p, bool changesOnly) {
    Json entries = Json::array();
    for (const EntryPlan& e : p.entries) {
        if (!Shown(e, changesOnly)) continue;
        Json j = {{"index", e.index},     {"state", StateName(e.state)}, {"file", e.file},
                            {"name", e.name},       {"oldSize", e.oldSize},        {"newSize", e.newSize}};
        if (e.state == EntryState::Refused) j["message"] = e.message;
        entries.push_back(std::move(j));
    }
    return {{"log", p.logPath},
            {"source", p.sourceIndex},
            {"targetIndex", p.targetIndex},
            {"targetData", p.targetData},
            {"counts", {{"changed", p.changed}, {"same", p.same}, {"kept", p.kept}, {"refused", p.refused}}},
            {"sourceDataSize", p.sourceDataSize},
            {"newDataSize", p.newDataSize},
            {"difference", p.newDataSize - p.sourceDataSize},
            {"refusal", p.Refused() ? Json(p.refusal) : Json()},
            {"entries", entries}};
}

int Plan(const PlanOptions& o, Invocation& run) {
    const std::string target = FullPath(o.target.empty() ? "." : o.target);
    const std::vector<std::string> logs = LogsOf(o.logs, o.listFile);
    // Insertion stops at its first failure, and so does its plan.
    std::string error;
    const std::vector<PackPlan> packs = PlanLogs(run.ctx, logs, target, error);
    if (o.json) {
        Json list = Json::array();
        for (const PackPlan& p : packs) list.push_back(PlanJson(p, o.changes));
        PrintJson({{"target", target},
                   {"packs", list},
                   {"error", error.empty() ? Json() : Json(error)}});
    } else {
        for (const PackPlan& p : packs) PrintPlanText(p, o.changes);
    }
    if (error.empty()) return ExitOk;
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", ErrorBoxText(error).c_str());
    return ExitError;
}

struct VerifyOptions {
    std::string pack, log, source;
    std::vector<std::string> patches;
    bool json = false;
};

const char* KindName(FindingKind kind) {
    switch (kind) {
    case FindingKind::IncompleteIndex: return "incompleteIndex";
    case FindingKind::Outside: return "outside";
    case FindingKind::IndexDataMismatch: return "indexDataMismatch";
    case FindingKind::Overlap: return "overlap";
    case FindingKind::Layout: return "layout";
    case FindingKind::Content: return "content";
    case FindingKind::Source: return "source";
    }
    return "";
}

int Verify(const VerifyOptions& o) {
    if (!o.patches.empty()) return VerifyWithPatches(o.pack, o.patches, o.source, o.json);
    const std::string path = FullPath(o.pack);
    const Verification v = o.log.empty() ? VerifyPack(path) : VerifyPackWithLog(path, FullPath(o.log));
    if (o.json) {
        Json findings = Json::array();
        for (const Finding& f : v.findings)
            findings.push_back({{"kind", KindName(f.kind)}, {"fault", f.Fault()}, {"text", f.text}});
        PrintJson({{"pack", v.indexPath}, {"data", v.dataPath}, {"sound", v.Sound()}, {"findings", findings}});
    } else {
        for (const Finding& f : v.findings) std::printf("%s: %s\n", path.c_str(), f.text.c_str());
        if (v.Sound()) std::printf("%s: sound\n", path.c_str());
    }
    return v.Sound() ? ExitOk : ExitError;
}

} // namespace

void AddCheckVerbs(Tool& tool) {
    auto plan = std::make_shared<PlanOptions>();
    CLI::App& p = tool.AddVerb(
        "plan", "Tell what inserting logs would do to each entry, writing nothing",
        "packwright-cli plan [--target DIR] [--changes] [--json] (LOG... | --list PROJECT.lst)", false,
        [plan](Invocation& run) { return Plan(*plan, run); });
    p.add_option("LOG", plan->logs, "Logs, such as the result.log of an extraction")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    p.add_option("--list", plan->listFile, "The logs a project list names instead")->type_name("PROJECT.lst");
    p.add_option("--target", plan->target, "The folder insert would write into (default: the current one)")
        ->type_name("DIR");
    p.footer("Exit status: 0 the rebuild would succeed, 1 it would fail (its message on stderr),\n"
             "2 a usage error.");
    p.add_flag("--changes", plan->changes, "Only the entries that change, and a refused one");
    p.add_flag("--json", plan->json, "One JSON document instead of lines");
    p.callback([plan] { RequireOneOf(plan->logs, plan->listFile, "plan takes logs or --list PROJECT.lst"); });

    auto verify = std::make_shared<VerifyOptions>();
    CLI::App& v = tool.AddVerb(
        "verify", "Check a pack, and with --log that it holds what the log asked for",
        "packwright-cli verify PACK.fat [--log LOG] [--json]\n"
        "packwright-cli verify PACK.fat --patch MOD.pwpatch... --source GAMEDIR [--json]", false,
        [verify](Invocation&) { return Verify(*verify); });
    v.footer("Exit status: 0 sound, 1 a fault (one line per finding) or a file error, 2 a usage error.");
    v.add_option("PACK.fat", verify->pack, "The pack's index file")->required();
    v.add_option("--log", verify->log, "The log whose block built the pack")->type_name("LOG");
    v.add_option("--patch", verify->patches,
                 "Instead: the patches that built the pack, which must hold their data, the source's elsewhere")
        ->type_name("MOD.pwpatch")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    v.add_option("--source", verify->source, "With --patch: the game's folder with the source pack")
        ->type_name("GAMEDIR");
    v.add_flag("--json", verify->json, "One JSON document instead of lines");
    v.callback([verify] {
        if (!verify->patches.empty() && verify->source.empty()) throw UsageError{"verify --patch needs --source GAMEDIR"};
        if (!verify->patches.empty() && !verify->log.empty()) throw UsageError{"verify takes --log or --patch, not both"};
    });
}

} // namespace pw::cli
