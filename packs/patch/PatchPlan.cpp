// The check of every patched entry against the user's pack, before an apply.
#include <algorithm>
#include <map>
#include <optional>

#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/RebuildRules.h"
#include "packs/PackReader.h"
#include "packs/patch/PatchApply.h"

namespace pw::patch {

namespace {

// What an entry holds at a point of the apply.
struct Holding {
    int64_t size = 0;
    uint64_t hash = 0;
    std::optional<size_t> patch; // the patch whose data these are; none: the user's own
    const PatchEntry* entry = nullptr;
    bool Is(int64_t s, uint64_t h) const { return size == s && hash == h; }
};

std::string EntryText(const std::string& pack, const PatchEntry& e) {
    return pack + " entry " + std::to_string(e.index) + " (" + e.name + ")";
}

void PlanPack(ApplyPlan& plan, ApplyPackPlan& pack, const std::string& sourceIndex, const std::string& targetDir) {
    pack.sourceIndex = sourceIndex;
    std::vector<FileId> reading;
    for (const PatchFile* p : plan.patches) reading.push_back(p->Id());
    if (!Exists(pack.sourceIndex)) ThrowCannotOpen(pack.sourceIndex);
    const PackReader user(pack.sourceIndex, Pipes::Refuse);
    RebuildFiles files = NewPackFiles(reading, pack.sourceIndex, TargetIndexPath(targetDir, pack.sourceIndex));
    pack.targetIndex = files.targetIndex;
    pack.targetData = files.targetData;

    std::map<size_t, Holding> original, now;
    for (size_t p = 0; p < plan.patches.size(); ++p) {
        const PatchFile& patch = *plan.patches[p];
        for (const PatchPack& pp : patch.Packs()) {
            if (!SameTextAscii(pp.name, pack.name)) continue;
            for (const PatchEntry& e : pp.entries) {
                ApplyEntryPlan row{e.index, e.name, ApplyState::Refused, p, 0, e.newSize, false, ""};
                if (e.index >= user.Index().Count() || user.Index().Name(e.index) != e.name) {
                    row.message = EntryText(pack.name, e) + " is not the one " + patch.Path() + " was made for";
                    pack.entries.push_back(std::move(row));
                    continue;
                }
                if (!original.count(e.index)) {
                    const int64_t size = user.Index().Size(e.index);
                    Holding h{size, HashFileRange(user.Data().Fd(), user.Offset(e.index), size), {}, nullptr};
                    original[e.index] = now[e.index] = h;
                }
                Holding& cur = now[e.index];
                const Holding& own = original[e.index];
                row.oldSize = cur.size;
                if (cur.Is(e.newSize, e.newHash)) {
                    row.state = ApplyState::Already;
                } else if (cur.Is(e.baseSize, e.baseHash)) {
                    row.state = ApplyState::Applies;
                    cur = {e.newSize, e.newHash, p, &e};
                } else if (cur.patch && own.Is(e.baseSize, e.baseHash)) {
                    row.state = ApplyState::Conflict;
                    const std::string earlier = plan.patches[*cur.patch]->Path();
                    row.message = EntryText(pack.name, e) + " is changed differently by " + earlier + " and " +
                                  patch.Path();
                    if (plan.preferLater) {
                        row.wins = true;
                        row.message += ": " + patch.Path() + " wins";
                        cur = {e.newSize, e.newHash, p, &e};
                    }
                } else {
                    row.message = EntryText(pack.name, e) + " is not the one " + patch.Path() + " was made for";
                }
                pack.entries.push_back(std::move(row));
            }
        }
    }
    for (const ApplyEntryPlan& row : pack.entries) {
        switch (row.state) {
        case ApplyState::Applies: ++pack.applies; break;
        case ApplyState::Already: ++pack.already; break;
        case ApplyState::Conflict: ++pack.conflicts; break;
        case ApplyState::Refused: ++pack.refused; break;
        }
    }
    for (const auto& [index, h] : now)
        if (h.patch && !original[index].Is(h.size, h.hash)) pack.takes.push_back({index, *h.patch, h.entry});
}

} // namespace

std::string GamePackPath(const std::string& gameDir, const std::string& name) {
    std::string path = gameDir;
    if (path.empty() || PathSeparators.find(path.back()) == std::string_view::npos) path += PathDelim;
    return FindCaseInsensitive(path + name);
}

const char* ApplyStateName(ApplyState state) {
    switch (state) {
    case ApplyState::Applies: return "applies";
    case ApplyState::Already: return "already";
    case ApplyState::Conflict: return "conflict";
    case ApplyState::Refused: return "refused";
    }
    return "";
}

bool ApplyPackPlan::AllWon() const {
    return std::all_of(entries.begin(), entries.end(),
                       [](const ApplyEntryPlan& e) { return e.state != ApplyState::Conflict || e.wins; });
}

bool ApplyPlan::Ok() const {
    return std::all_of(packs.begin(), packs.end(), [](const ApplyPackPlan& p) { return p.Ok(); });
}

std::string ApplyPlan::Problems() const {
    std::string text;
    for (const ApplyPackPlan& p : packs) {
        if (!p.refusal.empty()) text += (text.empty() ? "" : "\n") + p.refusal;
        for (const ApplyEntryPlan& e : p.entries)
            if (e.state == ApplyState::Refused || (e.state == ApplyState::Conflict && !e.wins))
                text += (text.empty() ? "" : "\n") + e.message;
    }
    return text;
}

ApplyPlan PlanApply(const std::vector<const PatchFile*>& patches, const std::string& gameDir,
                    const std::string& targetDir, bool preferLater) {
    return PlanApply(
        patches, [&](const std::string& name) { return GamePackPath(gameDir, name); }, targetDir, preferLater);
}

ApplyPlan PlanApply(const std::vector<const PatchFile*>& patches, const PackSource& sourceOf,
                    const std::string& targetDir, bool preferLater) {
    ApplyPlan plan;
    plan.patches = patches;
    plan.preferLater = preferLater;
    for (const PatchFile* p : patches)
        for (const PatchPack& pp : p->Packs())
            if (std::none_of(plan.packs.begin(), plan.packs.end(),
                             [&](const ApplyPackPlan& known) { return SameTextAscii(known.name, pp.name); })) {
                ApplyPackPlan pack;
                pack.name = pp.name;
                plan.packs.push_back(std::move(pack));
            }
    for (ApplyPackPlan& pack : plan.packs) {
        try {
            PlanPack(plan, pack, sourceOf(pack.name), targetDir);
        } catch (const Error& e) {
            pack.refusal = e.what();
            pack.entries.clear();
            pack.takes.clear();
            pack.applies = pack.already = pack.conflicts = pack.refused = 0;
        }
    }
    return plan;
}

} // namespace pw::patch
