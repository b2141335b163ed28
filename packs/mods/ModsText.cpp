// The sentences about mods (ModsText.h).
#include "packs/mods/ModsText.h"

#include "core/FileNames.h"

namespace pw::mods {

namespace {

std::string Titles(const std::vector<const HistoryMod*>& mods) {
    std::string text;
    for (const HistoryMod* m : mods)
        text += (text.empty() ? "" : ", ") + (m->title.empty() ? ExtractFileName(m->path) : m->title);
    return text.empty() ? "none" : text;
}

} // namespace

std::string Words(size_t n, const char* singular, const char* plural) {
    return std::to_string(n) + " " + (n == 1 ? singular : plural);
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += (text.empty() ? "" : "\n") + l;
    return text;
}

size_t RefusedCount(const DeployPlan& plan) {
    size_t refused = 0;
    for (const patch::ApplyPackPlan& p : plan.apply.packs) refused += p.refused + (p.refusal.empty() ? 0 : 1);
    return refused;
}

std::string ModLine(const HistoryMod& m) {
    return (m.title.empty() ? ExtractFileName(m.path) : m.title) + (m.version.empty() ? "" : " " + m.version) + " (" +
           m.path + ")";
}

std::string PlanQuestion(const DeployPlan& plan, const Deployment& deployed, bool restore) {
    const size_t modify = plan.Count(PackAction::Modify), back = plan.Count(PackAction::Restore);
    if (restore || (plan.apply.patches.empty() && modify == 0 && plan.Count(PackAction::Keep) == 0 && back > 0)) {
        if (!restore)
            return "This takes out every deployed mod (" + Words(deployed.mods.size(), "mod", "mods") + " in " +
                   Words(back, "pack", "packs") + ") and puts the game back as shipped.";
        std::string names;
        for (const PackStep& p : plan.packs)
            if (p.action == PackAction::Restore) names += (names.empty() ? "" : ", ") + p.index;
        return "Restore the game: " + names + (back == 1 ? " goes" : " go") + " back to the game's own files.";
    }
    std::string text = Words(modify, "pack", "packs") + " to modify";
    if (back > 0) text += ", " + Words(back, "pack", "packs") + " to restore";
    text += ", " + Words(plan.Entries(), "entry", "entries") + " changed";
    std::vector<std::string> wins;
    for (const patch::ApplyPackPlan& p : plan.apply.packs)
        for (const patch::ApplyEntryPlan& e : p.entries)
            if (e.wins) {
                const patch::Manifest& m = plan.apply.patches[e.patch]->Info();
                wins.push_back(p.name + " entry " + std::to_string(e.index) + " (" + e.name + "): " +
                               (m.title.empty() ? ExtractFileName(plan.apply.patches[e.patch]->Path()) : m.title) +
                               " wins");
            }
    if (!wins.empty()) text += ", " + Words(wins.size(), "conflict", "conflicts");
    if (!plan.leftOut.empty()) text += ", " + Words(plan.leftOut.size(), "refusal", "refusals") + " left out";
    text += ".";
    for (size_t i = 0; i < wins.size() && i < 10; ++i) text += "\n" + wins[i];
    if (wins.size() > 10) text += "\nand " + std::to_string(wins.size() - 10) + " more";
    return text;
}

std::string UpdateQuestion(const std::string& pack) {
    return pack + " changed since the mods were deployed (a game update?): take it as the game's new version? Yes "
                  "drops the older kept copy of the pack.";
}

std::string SearchText(const BisectView& view) {
    return "Step " + std::to_string(view.state.steps) + ": " +
           Words(view.state.suspects.size(), "suspect", "suspects") + " left (" + Titles(view.Suspects()) +
           "). In: " + Titles(view.In()) + ". Out: " + Titles(view.Out()) +
           ". Play the game, then answer Good or Bad.";
}

} // namespace pw::mods
