// mods deploy, restore, status, verify, history, bisect: patches installed
// into the game's own folder in a load order, the game's packs put back,
// earlier deployments brought back, and the search for the mod that breaks
// the game.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

#include "cli/Json.h"
#include "cli/Verbs.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/mods/Bisect.h"
#include "packs/mods/ModList.h"
#include "packs/mods/ModsText.h"
#include "packs/mods/Mods.h"

namespace pw::cli {

namespace {

using namespace pw::mods;

struct ModsOptions {
    std::string action, game, list;
    std::vector<std::string> patches;
    bool preferLater = false, skipRefused = false, acceptUpdate = false, plan = false, json = false, sync = false;
    std::optional<uint64_t> revert;
    std::optional<size_t> keep;
};

void Say(const Invocation& run, const std::string& text) {
    if (!text.empty() && !run.quiet) std::fprintf(stderr, "packwright-cli: %s\n", text.c_str());
}

Json PlanJson(const DeployPlan& plan) {
    Json entries = Json::array(), packs = Json::array();
    for (const patch::ApplyPackPlan& p : plan.apply.packs)
        for (const patch::ApplyEntryPlan& e : p.entries) {
            Json j = {{"pack", p.name}, {"index", e.index}, {"name", e.name}, {"state", patch::ApplyStateName(e.state)},
                      {"patch", plan.apply.patches[e.patch]->Path()}};
            if (!e.message.empty()) j["message"] = e.message;
            entries.push_back(std::move(j));
        }
    for (const PackStep& p : plan.packs)
        packs.push_back({{"name", p.index}, {"action", PackActionName(p.action)}, {"entries", p.entries.size()},
                         {"update", p.update}});
    return {{"ok", plan.Ok()}, {"unchanged", plan.unchanged}, {"entries", entries}, {"packs", packs},
            {"leftOut", plan.leftOut}, {"problems", plan.problems}};
}

void PrintPlan(const DeployPlan& plan) {
    for (const patch::ApplyPackPlan& p : plan.apply.packs) {
        if (std::find(plan.absent.begin(), plan.absent.end(), p.name) != plan.absent.end()) continue;
        if (!p.refusal.empty()) std::printf("%s\trefused\t%s\n", p.name.c_str(), p.refusal.c_str());
        for (const patch::ApplyEntryPlan& e : p.entries) {
            std::printf("%s\t%zu\t%s\t%s\t%s", p.name.c_str(), e.index, patch::ApplyStateName(e.state), e.name.c_str(),
                        plan.apply.patches[e.patch]->Path().c_str());
            if (!e.message.empty()) std::printf("\t%s", e.message.c_str());
            std::printf("\n");
        }
    }
    for (const PackStep& p : plan.packs) {
        std::printf("pack %s\t%s", p.index.c_str(), PackActionName(p.action));
        if (p.action != PackAction::Restore) std::printf("\t%zu entries", p.entries.size());
        if (p.update) std::printf("\tgame update accepted");
        std::printf("\n");
    }
}

int Deploy(const ModsOptions& o, Invocation& run, bool restore) {
    std::vector<std::string> patches;
    DeployOptions options{o.preferLater, o.skipRefused, o.acceptUpdate, o.sync};
    if (!o.list.empty()) {
        const ModList list = ReadModList(FullPath(o.list));
        patches = EnabledMods(list.mods);
        options.preferLater = options.preferLater || list.preferLater;
    }
    for (const std::string& p : o.patches) patches.push_back(FullPath(p));
    ModsSession session(FullPath(o.game));
    Say(run, session.Recovery());
    if (restore && session.Deployed().Empty()) {
        Say(run, "No mods are deployed in " + session.Game().Dir() + ": nothing to restore");
        return ExitOk;
    }
    DeployPlan plan;
    if (o.revert) {
        const HistoryRecord record = ReadHistoryRecord(session.Game(), *o.revert);
        if (session.Current() == record.id || (record.mods.empty() && session.Deployed().Empty())) {
            Say(run, "Deployment " + std::to_string(record.id) + " is the current one: nothing to write");
            return ExitOk;
        }
        plan = session.PlanRecord(record, options);
        for (const HistoryMod& m : record.mods) patches.push_back(m.path);
    } else {
        plan = session.Plan(patches, options);
    }
    if (o.json) PrintJson(PlanJson(plan));
    else if (o.plan) PrintPlan(plan);
    if (!plan.Ok()) {
        std::fflush(stdout);
        std::string text;
        for (const std::string& p : plan.problems) text += (text.empty() ? "" : "\n") + p;
        std::fprintf(stderr, "%s\n", ErrorBoxText(text).c_str());
        return ExitError;
    }
    if (o.plan) return ExitOk;
    for (const std::string& left : plan.leftOut) Say(run, "left out: " + left);
    for (const patch::ApplyPackPlan& p : plan.apply.packs)
        for (const patch::ApplyEntryPlan& e : p.entries)
            if (e.wins) Say(run, e.message);
    if (plan.unchanged) {
        Say(run, patches.empty() ? "No mods are deployed in " + session.Game().Dir() + ": nothing to write"
                                 : "These mods are deployed already: nothing to write");
        return ExitOk;
    }
    if (session.Deploy(run.ctx, plan, options) == Outcome::Stopped) return ExitStopped;
    const size_t modified = plan.Count(PackAction::Modify), restored = plan.Count(PackAction::Restore);
    if (patches.empty())
        PrintSummary(run, "Restored " + Count(restored, "pack", "packs") + " in " + session.Game().Dir());
    else
        PrintSummary(run, "Deployed " + Count(patches.size(), "mod", "mods") + " into " + session.Game().Dir() +
                              ": " + Count(modified, "pack", "packs") + " modified, " + std::to_string(restored) +
                              " restored, " + std::to_string(plan.Count(PackAction::Keep)) + " kept; " +
                              Count(plan.Entries(), "entry", "entries") + " changed");
    return ExitOk;
}

int History(const ModsOptions& o, Invocation& run) {
    ModsSession session(FullPath(o.game));
    Say(run, session.Recovery());
    if (o.keep) {
        std::vector<uint64_t> alsoKeep = {session.Current()};
        BisectState search;
        if (ReadBisect(session.Game(), &search)) alsoKeep.push_back(search.start);
        const Pruned pruned = KeepHistory(session.Game(), *o.keep, alsoKeep);
        Say(run, "Deleted " + Count(pruned.records, "deployment", "deployments") + " and " +
                     Count(pruned.patches, "stored patch", "stored patches"));
    }
    const std::vector<HistoryRecord> records = ReadHistory(session.Game());
    if (o.json) {
        Json list = Json::array();
        for (const HistoryRecord& r : records) {
            Json mods = Json::array(), packs = Json::array();
            for (const HistoryMod& m : r.mods)
                mods.push_back({{"title", m.title}, {"version", m.version}, {"path", m.path}, {"hash", m.hash}});
            for (const HistoryPack& p : r.packs) packs.push_back({{"name", p.name}, {"entries", p.entries}});
            list.push_back({{"id", r.id}, {"time", r.time}, {"current", r.id == session.Current()},
                            {"prefer_later", r.preferLater}, {"mods", mods}, {"packs", packs}});
        }
        PrintJson({{"deployments", list}});
        return ExitOk;
    }
    if (records.empty()) std::printf("No deployment is recorded in %s\n", session.Game().Dir().c_str());
    for (const HistoryRecord& r : records) {
        std::printf("deployment %llu\t%s\t%s%s%s\n", static_cast<unsigned long long>(r.id), r.time.c_str(),
                    r.mods.empty() ? "restore" : Count(r.mods.size(), "mod", "mods").c_str(),
                    r.preferLater ? "\tlater mods win" : "", r.id == session.Current() ? "\tcurrent" : "");
        for (const HistoryMod& m : r.mods) std::printf("  %s\n", ModLine(m).c_str());
        for (const HistoryPack& p : r.packs)
            std::printf("  pack %s\t%s\n", p.name.c_str(), Count(p.entries, "entry", "entries").c_str());
    }
    return ExitOk;
}

void PrintMods(const char* what, const std::vector<const HistoryMod*>& mods) {
    for (const HistoryMod* m : mods) std::printf("%s\t%s\n", what, ModLine(*m).c_str());
}

int Bisect(const ModsOptions& o, Invocation& run) {
    const std::string word = o.patches.empty() ? "" : o.patches[0];
    ModsSession session(FullPath(o.game));
    Say(run, session.Recovery());
    const DeployOptions options{false, o.skipRefused, o.acceptUpdate, o.sync};
    BisectView view;
    if (word == "status") {
        view = BisectStatus(session);
        if (view.state.start == 0) {
            std::printf("No search is under way in %s\n", session.Game().Dir().c_str());
            return ExitOk;
        }
    } else if (word == "start") {
        view = BisectStart(session, run.ctx, options);
    } else if (word == "reset") {
        view = BisectReset(session, run.ctx, options);
        std::printf("The search is ended: deployment %llu is deployed again\n",
                    static_cast<unsigned long long>(view.start.id));
        return ExitOk;
    } else {
        view = BisectAnswer(session, run.ctx, options, word == "good");
    }
    if (view.found) {
        std::printf("%s breaks the game: found in %s\n", ModLine(*view.Suspects()[0]).c_str(),
                    Count(view.state.steps, "step", "steps").c_str());
        std::printf("Deployment %llu, from before the search, is deployed again\n",
                    static_cast<unsigned long long>(view.start.id));
        return ExitOk;
    }
    if (view.redeployed) std::printf("The step was not deployed: it is now, and no answer was counted\n");
    std::printf("Step %zu: %s left\n", view.state.steps, Count(view.state.suspects.size(), "suspect", "suspects").c_str());
    PrintMods("in", view.In());
    PrintMods("out", view.Out());
    std::printf("Play the game, then: packwright-cli mods bisect good | bad\n");
    return ExitOk;
}

int Status(const ModsOptions& o, Invocation& run) {
    ModsSession session(FullPath(o.game));
    Say(run, session.Recovery());
    const GameStatus status = session.Status();
    if (o.json) {
        Json mods = Json::array(), packs = Json::array();
        for (const ModStatus& m : status.mods)
            mods.push_back({{"path", m.path}, {"title", m.title}, {"version", m.version}, {"present", m.present}});
        for (const PackStatus& p : status.packs)
            packs.push_back({{"name", p.name}, {"state", PackStateName(p.state)}, {"entries", p.entries}});
        PrintJson({{"mods", mods}, {"packs", packs}});
    } else if (status.mods.empty() && status.packs.empty()) {
        std::printf("No mods are deployed in %s\n", session.Game().Dir().c_str());
    } else {
        for (size_t i = 0; i < status.mods.size(); ++i) {
            const ModStatus& m = status.mods[i];
            std::printf("mod %zu\t%s\t%s\t%s%s\n", i + 1, m.path.c_str(), m.title.c_str(), m.version.c_str(),
                        m.present ? "" : "\tnot there or changed");
        }
        for (const PackStatus& p : status.packs)
            std::printf("pack %s\t%s\t%zu entries%s\n", p.name.c_str(), PackStateName(p.state), p.entries,
                        p.state == PackState::Vanilla ? "\tholds the game's own files again" : "");
    }
    return status.Ok() ? ExitOk : ExitError;
}

int Verify(const ModsOptions& o, Invocation& run) {
    ModsSession session(FullPath(o.game));
    Say(run, session.Recovery());
    const std::vector<std::string> findings = session.Verify(run.ctx);
    if (o.json) {
        PrintJson({{"game", session.Game().Dir()}, {"sound", findings.empty()}, {"findings", findings}});
    } else {
        for (const std::string& f : findings) std::printf("%s\n", f.c_str());
        if (findings.empty()) std::printf("%s: sound\n", session.Game().Dir().c_str());
    }
    return findings.empty() ? ExitOk : ExitError;
}

} // namespace

void AddModVerbs(Tool& tool) {
    auto o = std::make_shared<ModsOptions>();
    CLI::App& m = tool.AddVerb(
        "mods", "Deploy patches into the game's folder in a load order, restore the game, tell what a game update broke",
        "packwright-cli mods deploy --game GAMEDIR [--prefer-later] [--skip-refused] [--accept-update] [--plan]\n"
        "  [--json] [--sync] [--quiet] (--list MODS.pwmods | MOD.pwpatch... | --revert ID)\n"
        "packwright-cli mods restore --game GAMEDIR [--accept-update] [--sync] [--quiet]\n"
        "packwright-cli mods status --game GAMEDIR [--json]\n"
        "packwright-cli mods verify --game GAMEDIR [--json]\n"
        "packwright-cli mods history --game GAMEDIR [--json] [--keep N]\n"
        "packwright-cli mods bisect (start | good | bad | reset | status) --game GAMEDIR [--accept-update]\n"
        "  [--skip-refused] [--sync] [--quiet]",
        true, [o](Invocation& run) {
            if (o->action == "status") return Status(*o, run);
            if (o->action == "verify") return Verify(*o, run);
            if (o->action == "history") return History(*o, run);
            if (o->action == "bisect") return Bisect(*o, run);
            return Deploy(*o, run, o->action == "restore");
        });
    m.add_option("ACTION", o->action, "deploy, restore, status, verify, history or bisect")
        ->required()
        ->check(CLI::IsMember({"deploy", "restore", "status", "verify", "history", "bisect"}));
    m.add_option("MOD.pwpatch", o->patches, "The patches, in load order (the later ones load last)")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    m.add_option("--game", o->game, "The game's folder, with its packs")->type_name("GAMEDIR");
    m.add_option("--list", o->list, "A mod list: one patch a line, '#' switches one off")->type_name("MODS.pwmods");
    m.add_option("--revert", o->revert, "Deploy the recorded deployment ID again, from its kept patches")
        ->type_name("ID");
    m.add_option("--keep", o->keep, "history: keep the newest N deployments and the current one, delete the rest")
        ->type_name("N");
    m.add_flag("--prefer-later", o->preferLater, "Where two mods change an entry differently, the later one wins");
    m.add_flag("--skip-refused", o->skipRefused,
               "Deploy every entry that still applies, naming each one left out");
    m.add_flag("--accept-update", o->acceptUpdate,
               "Take a pack changed since the deployment (a game update) as the game's new version");
    m.add_flag("--plan", o->plan, "Write nothing: each patched entry's state, then each pack's action");
    m.add_flag("--json", o->json, "One JSON document instead of lines");
    m.add_flag("--sync", o->sync, "Flush every file written, and its folder, to disk before the run counts it as done");
    m.footer("The game's packs are kept in GAMEDIR/.packwright/ (moved or hard-linked, never copied) and put back\n"
             "by restore; every deployment is recorded there with its patches, to go back to with --revert.\n"
             "bisect start deploys the current mods with half of them out; answer good (the game works) or\n"
             "bad until the mod that breaks the game is found. Pack states: modded, changed (a game update or another tool), vanilla (the game's own\n"
             "files again), missing. Exit status 1 when deploy --plan would fail, when status finds a pack not\n"
             "modded, or when verify finds anything.");
    m.callback([o] {
        if (o->game.empty()) throw UsageError{"mods needs --game GAMEDIR"};
        const bool deploy = o->action == "deploy";
        const int sources = int(!o->list.empty()) + int(!o->patches.empty()) + int(o->revert.has_value());
        if (o->action == "bisect") {
            static const std::vector<std::string> words = {"start", "good", "bad", "reset", "status"};
            if (o->patches.size() != 1 || std::find(words.begin(), words.end(), o->patches[0]) == words.end())
                throw UsageError{"mods bisect needs one of start, good, bad, reset, status"};
            return;
        }
        if (deploy && sources == 0)
            throw UsageError{"mods deploy needs --list MODS.pwmods, MOD.pwpatch... or --revert ID"};
        if (!deploy && sources > 0) throw UsageError{"mods " + o->action + " takes no patches"};
        if (sources > 1) throw UsageError{"mods deploy takes one of --list MODS.pwmods, patches or --revert ID"};
        if (o->keep && o->action != "history") throw UsageError{"--keep is for mods history"};
    });
}

} // namespace pw::cli
