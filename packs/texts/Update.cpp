#include "packs/texts/Update.h"

#include <unordered_map>
#include <unordered_set>

namespace pw::texts {

namespace {
std::string KeyOf(const PoMessage& m) { return m.context ? *m.context : "\4" + m.id; }
} // namespace

PoFile UpdateTranslation(const PoFile& newTemplate, const PoFile& old, UpdateCounts& counts) {
    std::unordered_map<std::string, const PoMessage*> before;
    for (const PoMessage& m : old.messages)
        if (!m.IsHeader()) before.try_emplace(KeyOf(m), &m); // a live message first, then an obsolete one
    for (const PoMessage& m : old.messages)
        if (!m.IsHeader() && !m.obsolete) before[KeyOf(m)] = &m;

    PoFile result;
    if (const PoMessage* header = old.Header() ? old.Header() : newTemplate.Header()) result.messages.push_back(*header);
    std::unordered_set<std::string> present;
    for (const PoMessage& t : newTemplate.messages) {
        if (t.IsHeader() || t.obsolete) continue;
        PoMessage m = t;
        present.insert(KeyOf(t));
        const auto it = before.find(KeyOf(t));
        if (it == before.end() || !it->second->Translated()) {
            if (it != before.end()) m.comments = it->second->comments;
            ++counts.added;
            result.messages.push_back(std::move(m));
            continue;
        }
        const PoMessage& o = *it->second;
        m.comments = o.comments;
        m.strs = o.strs;
        m.flags = o.flags;
        if (o.id == t.id) {
            m.previousId = o.previousId;
            m.previousContext = o.previousContext;
            if (o.obsolete) m.SetFuzzy(true); // it comes back: to be looked at again
            ++counts.kept;
        } else {
            m.SetFuzzy(true);
            // The source the translation was made for: the earlier previous
            // one when the translation was fuzzy already.
            m.previousId = o.Fuzzy() && o.previousId ? *o.previousId : o.id;
            m.previousContext.reset();
            ++counts.changed;
        }
        result.messages.push_back(std::move(m));
    }
    for (const PoMessage& o : old.messages) {
        if (o.IsHeader() || present.count(KeyOf(o)) || !o.Translated()) continue;
        if (before[KeyOf(o)] != &o) continue; // an obsolete twin of a live message
        PoMessage m = o;
        m.obsolete = true;
        m.extracted.clear();
        m.references.clear();
        result.messages.push_back(std::move(m));
        ++counts.obsolete;
    }
    return result;
}

} // namespace pw::texts
