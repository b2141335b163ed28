#include "packs/texts/Update.h"

#include <algorithm>
#include <map>
#include <set>

#include "packs/texts/TextEntries.h"

namespace pw::texts {

namespace {

std::string KeyOf(const PoMessage& m) { return m.context ? *m.context : "\4" + m.id; }

// The messages of one entry in block order; a message whose msgctxt names
// no block is a group of its own.
struct Group {
    std::vector<std::pair<size_t, const PoMessage*>> items; // block, message
};

std::map<std::string, Group> Groups(const PoFile& po, bool obsolete) {
    std::map<std::string, Group> groups;
    for (const PoMessage& m : po.messages) {
        if (m.IsHeader() || m.obsolete != obsolete) continue;
        size_t entry = 0, block = 0;
        if (m.context && ParseContext(*m.context, entry, block))
            groups["E" + std::to_string(entry)].items.emplace_back(block, &m);
        else
            groups["K" + KeyOf(m)].items.emplace_back(0, &m);
    }
    for (auto& [key, g] : groups)
        std::stable_sort(g.items.begin(), g.items.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    return groups;
}

// The longest common run of equal sources, as pairs (old, new) in order,
// after the common start and end are taken off. A middle too large for
// the table is aligned by its ends only.
std::vector<std::pair<size_t, size_t>> Align(const std::vector<const std::string*>& a,
                                              const std::vector<const std::string*>& b) {
    std::vector<std::pair<size_t, size_t>> pairs;
    size_t head = 0;
    while (head < a.size() && head < b.size() && *a[head] == *b[head]) pairs.emplace_back(head, head), ++head;
    size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head && *a[a.size() - 1 - tail] == *b[b.size() - 1 - tail])
        ++tail;
    const size_t n = a.size() - head - tail, m = b.size() - head - tail;
    if (n > 0 && m > 0 && n * m <= (size_t(1) << 22)) {
        // lengths[i][j]: the longest common run of a[head+i..] and b[head+j..].
        std::vector<uint32_t> lengths((n + 1) * (m + 1), 0);
        const auto at = [&](size_t i, size_t j) -> uint32_t& { return lengths[i * (m + 1) + j]; };
        for (size_t i = n; i-- > 0;)
            for (size_t j = m; j-- > 0;)
                at(i, j) = *a[head + i] == *b[head + j] ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
        for (size_t i = 0, j = 0; i < n && j < m;) {
            if (*a[head + i] == *b[head + j]) {
                pairs.emplace_back(head + i++, head + j++);
            } else if (at(i + 1, j) >= at(i, j + 1)) {
                ++i;
            } else {
                ++j;
            }
        }
    }
    for (size_t k = tail; k > 0; --k) pairs.emplace_back(a.size() - k, b.size() - k);
    return pairs;
}

// The template's flags, with the translator's other than fuzzy and the
// format flags, which follow the new source.
std::vector<std::string> MergedFlags(const PoMessage& fromTemplate, const PoMessage& old) {
    std::vector<std::string> flags = fromTemplate.flags;
    for (const std::string& f : old.flags)
        if (f != "fuzzy" && f.find("c-format") == std::string::npos &&
            std::find(flags.begin(), flags.end(), f) == flags.end())
            flags.push_back(f);
    return flags;
}

class Merger {
public:
    Merger(const PoFile& old, UpdateCounts& counts) : old_(old), counts_(counts), obsoleteGroups_(Groups(old, true)) {}

    // The new message t given the old one it aligns with (or pairs with).
    PoMessage Carry(const PoMessage& t, const PoMessage* o, const std::string& group) {
        PoMessage m = t;
        if (o) used_.insert(o);
        const bool moved = o && o->context != t.context;
        if (!o || !o->Translated()) {
            if (o) m.comments = o->comments;
            if (const PoMessage* back = Obsolete(group, t.id)) {
                m.comments = back->comments;
                m.strs = back->strs;
                m.flags = MergedFlags(t, *back);
                m.SetFuzzy(true); // it comes back: to be looked at again
                ++counts_.fuzzy;
            } else if (o && o->id == t.id) {
                ++(moved ? counts_.moved : counts_.kept); // untranslated before, as now
            } else {
                ++counts_.added;
            }
            return m;
        }
        m.comments = o->comments;
        m.strs = o->strs;
        m.flags = MergedFlags(t, *o);
        if (o->id == t.id) {
            m.SetFuzzy(o->Fuzzy());
            m.previousId = o->previousId;
            m.previousContext = o->previousContext;
            if (moved) {
                m.previousContext = o->context;
                if (!m.previousId) m.previousId = o->id;
            }
            ++(moved ? counts_.moved : counts_.kept);
        } else {
            m.SetFuzzy(true);
            // The source the translation was made for: the earlier previous
            // one when the translation was fuzzy already.
            m.previousId = o->Fuzzy() && o->previousId ? *o->previousId : o->id;
            m.previousContext.reset();
            if (moved) m.previousContext = o->context;
            ++counts_.fuzzy;
        }
        return m;
    }

    // The old messages no template message took, obsolete, in their order.
    void Rest(PoFile& result) {
        std::set<std::string> live;
        for (const PoMessage& m : result.messages) live.insert(KeyOf(m) + '\4' + m.id);
        for (const PoMessage& o : old_.messages) {
            if (o.IsHeader() || used_.count(&o) || !o.Translated()) continue;
            if (o.obsolete && live.count(KeyOf(o) + '\4' + o.id)) continue; // an obsolete twin of a live message
            PoMessage m = o;
            m.obsolete = true;
            m.extracted.clear();
            m.references.clear();
            result.messages.push_back(std::move(m));
            ++counts_.obsolete;
        }
    }

private:
    const PoMessage* Obsolete(const std::string& group, const std::string& id) {
        const auto it = obsoleteGroups_.find(group);
        if (it == obsoleteGroups_.end()) return nullptr;
        for (const auto& [block, o] : it->second.items)
            if (o->id == id && o->Translated() && !used_.count(o)) {
                used_.insert(o);
                return o;
            }
        return nullptr;
    }

    const PoFile& old_;
    UpdateCounts& counts_;
    std::map<std::string, Group> obsoleteGroups_;
    std::set<const PoMessage*> used_;
};

std::vector<const std::string*> Sources(const Group& g) {
    std::vector<const std::string*> ids;
    for (const auto& [block, m] : g.items) ids.push_back(&m->id);
    return ids;
}

} // namespace

PoFile UpdateTranslation(const PoFile& newTemplate, const PoFile& old, UpdateCounts& counts) {
    PoFile result;
    if (const PoMessage* header = old.Header() ? old.Header() : newTemplate.Header()) {
        result.messages.push_back(*header);
        const std::string created = newTemplate.HeaderField("POT-Creation-Date");
        if (!created.empty()) SetHeaderField(result.messages.back(), "POT-Creation-Date", created);
    }
    // For each template message, the old one it takes its translation from.
    std::map<const PoMessage*, const PoMessage*> from;
    const std::map<std::string, Group> before = Groups(old, false);
    std::map<const PoMessage*, std::string> groupOf;
    for (const auto& [key, g] : Groups(newTemplate, false)) {
        for (const auto& [block, t] : g.items) groupOf[t] = key;
        const auto it = before.find(key);
        if (it == before.end()) continue;
        const Group& o = it->second;
        std::vector<std::pair<size_t, size_t>> pairs = Align(Sources(o), Sources(g));
        pairs.emplace_back(o.items.size(), g.items.size()); // the end, as the last anchor
        size_t i = 0, j = 0;
        for (const auto& [ai, bj] : pairs) {
            // The blocks between two anchors pair up in order.
            for (; i < ai && j < bj; ++i, ++j) from[g.items[j].second] = o.items[i].second;
            i = ai, j = bj;
            if (ai < o.items.size()) from[g.items[bj].second] = o.items[ai].second;
            ++i, ++j;
        }
    }
    Merger merger(old, counts);
    for (const PoMessage& t : newTemplate.messages) {
        if (t.IsHeader() || t.obsolete) continue;
        const auto it = from.find(&t);
        result.messages.push_back(merger.Carry(t, it == from.end() ? nullptr : it->second, groupOf[&t]));
    }
    merger.Rest(result);
    return result;
}

} // namespace pw::texts
