// The search for the mod that breaks the game (Bisect.h).
#include "packs/mods/Bisect.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "core/Error.h"
#include "core/FileSync.h"

namespace pw::mods {

namespace {

using Json = nlohmann::json;

std::string StatePath(const GameFolder& game) { return game.Own("bisect"); }

void WriteState(const GameFolder& game, const BisectState& s, bool sync) {
    const Json j = {{"start", s.start}, {"steps", s.steps}, {"suspects", s.suspects}, {"out", s.out}};
    WriteWhole(StatePath(game), SealedText("bisect", j.dump() + "\n"), sync);
}

bool Has(const std::vector<size_t>& list, size_t i) { return std::find(list.begin(), list.end(), i) != list.end(); }

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += (text.empty() ? "" : "\n") + l;
    return text;
}

// Runs a plan of the session; a stop is an error here, as the search
// cannot go on from half a step.
void Run(ModsSession& session, RunContext& ctx, const DeployPlan& plan, const DeployOptions& options) {
    if (!plan.Ok()) throw Error(Lines(plan.problems));
    if (session.Deploy(ctx, plan, options) == Outcome::Stopped)
        throw Error("Operation stopped: the game's folder holds the deployment it held before");
}

// Whether the deployment holds the step `s` describes.
bool StepDeployed(const ModsSession& session, const HistoryRecord& start, const BisectState& s) {
    std::vector<std::string> expected, deployed;
    for (size_t i = 0; i < start.mods.size(); ++i)
        if (!Has(s.out, i)) expected.push_back(start.mods[i].hash);
    for (const DeployedMod& m : session.Deployed().mods) deployed.push_back(m.hash);
    return expected == deployed;
}

// Deploys the next step: about half of the suspects out, the first split
// whose deployment is not refused (a mod made on top of another one that
// is left out would be).
void DeployStep(ModsSession& session, RunContext& ctx, DeployOptions options, const HistoryRecord& start,
                BisectState& s) {
    const size_t n = s.suspects.size(), half = n / 2;
    std::vector<std::vector<size_t>> splits;
    for (size_t offset = 0; offset < n; ++offset) {
        std::vector<size_t> out;
        for (size_t k = 0; k < half; ++k) out.push_back(s.suspects[(offset + k) % n]);
        std::sort(out.begin(), out.end());
        splits.push_back(out);
    }
    std::vector<size_t> alternate;
    for (size_t k = 1; k < n; k += 2) alternate.push_back(s.suspects[k]);
    splits.push_back(alternate);
    std::vector<std::string> first;
    for (const std::vector<size_t>& out : splits) {
        const DeployPlan plan = session.PlanRecord(start, options, out);
        if (!plan.Ok()) {
            if (first.empty()) first = plan.problems;
            continue;
        }
        s.out = out;
        WriteState(session.Game(), s, options.sync);
        Run(session, ctx, plan, options);
        return;
    }
    throw Error("No half of the suspects can be left out:\n" + Lines(first));
}

BisectState Under(const ModsSession& session) {
    BisectState s;
    if (!ReadBisect(session.Game(), &s)) throw Error("No search is under way in " + session.Game().Dir());
    return s;
}

// The deployment the search started from; the search's mods are indexes
// into its load order, each checked.
HistoryRecord StartOf(const GameFolder& game, const BisectState& s) {
    HistoryRecord start = ReadHistoryRecord(game, s.start);
    for (const std::vector<size_t>* list : {&s.suspects, &s.out})
        for (size_t i : *list)
            if (i >= start.mods.size()) throw Error("Damaged search record " + StatePath(game));
    return start;
}

// Deploys the start again and ends the search.
void End(ModsSession& session, RunContext& ctx, DeployOptions options, const HistoryRecord& start) {
    if (session.Current() != start.id) Run(session, ctx, session.PlanRecord(start, options), options);
    RemoveFile(StatePath(session.Game()));
}

} // namespace

bool ReadBisect(const GameFolder& game, BisectState* state) {
    const std::string path = StatePath(game);
    if (!NamePresent(path)) return false;
    std::string text;
    if (!UnsealText(ReadWholeFile(path), "bisect", &text)) throw Error("Damaged search record " + path);
    try {
        const Json j = Json::parse(text);
        state->start = j.at("start").get<uint64_t>();
        state->steps = j.at("steps").get<size_t>();
        state->suspects = j.at("suspects").get<std::vector<size_t>>();
        state->out = j.at("out").get<std::vector<size_t>>();
    } catch (const std::exception&) {
        throw Error("Damaged search record " + path);
    }
    if (state->suspects.empty()) throw Error("Damaged search record " + path);
    return true;
}

std::vector<const HistoryMod*> BisectView::In() const {
    std::vector<const HistoryMod*> mods;
    for (size_t i = 0; i < start.mods.size(); ++i)
        if (!Has(state.out, i)) mods.push_back(&start.mods[i]);
    return mods;
}

std::vector<const HistoryMod*> BisectView::Out() const {
    std::vector<const HistoryMod*> mods;
    for (size_t i : state.out)
        if (i < start.mods.size()) mods.push_back(&start.mods[i]);
    return mods;
}

std::vector<const HistoryMod*> BisectView::Suspects() const {
    std::vector<const HistoryMod*> mods;
    for (size_t i : state.suspects)
        if (i < start.mods.size()) mods.push_back(&start.mods[i]);
    return mods;
}

BisectView BisectStart(ModsSession& session, RunContext& ctx, DeployOptions options) {
    BisectView view;
    if (ReadBisect(session.Game(), &view.state))
        throw Error("A search is under way already: packwright-cli mods bisect reset ends it");
    if (session.Deployed().mods.size() < 2)
        throw Error("The current deployment has fewer than two mods: nothing to search");
    if (session.Current() == 0)
        throw Error("The current deployment is not in the history (an earlier Packwright made it): deploy it again "
                    "first");
    view.start = ReadHistoryRecord(session.Game(), session.Current());
    view.state.start = view.start.id;
    view.state.steps = 1;
    for (size_t i = 0; i < view.start.mods.size(); ++i) view.state.suspects.push_back(i);
    DeployStep(session, ctx, options, view.start, view.state);
    return view;
}

BisectView BisectAnswer(ModsSession& session, RunContext& ctx, DeployOptions options, bool good) {
    BisectView view;
    view.state = Under(session);
    BisectState& s = view.state;
    view.start = StartOf(session.Game(), s);
    if (s.suspects.size() > 1 && !StepDeployed(session, view.start, s)) {
        DeployStep(session, ctx, options, view.start, s);
        view.redeployed = true;
        return view;
    }
    if (s.suspects.size() > 1) {
        std::vector<size_t> left;
        for (size_t i : s.suspects)
            if (Has(s.out, i) == good) left.push_back(i);
        s.suspects = left;
    }
    if (s.suspects.size() <= 1) {
        s.out.clear();
        WriteState(session.Game(), s, options.sync);
        End(session, ctx, options, view.start);
        view.found = !s.suspects.empty();
        return view;
    }
    ++s.steps;
    DeployStep(session, ctx, options, view.start, s);
    return view;
}

BisectView BisectReset(ModsSession& session, RunContext& ctx, DeployOptions options) {
    BisectView view;
    view.state = Under(session);
    view.start = StartOf(session.Game(), view.state);
    End(session, ctx, options, view.start);
    view.ended = true;
    return view;
}

BisectView BisectStatus(const ModsSession& session) {
    BisectView view;
    if (ReadBisect(session.Game(), &view.state)) view.start = StartOf(session.Game(), view.state);
    return view;
}

} // namespace pw::mods
