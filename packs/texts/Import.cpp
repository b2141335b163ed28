#include "packs/texts/Import.h"

#include <map>
#include <memory>

#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/patch/PatchApply.h"
#include "packs/texts/CodePage.h"
#include "packs/texts/Po.h"
#include "packs/texts/TextChecks.h"
#include "packs/texts/TextEntries.h"

namespace pw::texts {

namespace {

// One game pack as the translations see it: its entries read once, and the
// new texts of the blocks translated so far.
struct GamePack {
    std::unique_ptr<PackReader> reader;
    std::map<size_t, std::optional<TextEntry>> entries;
    std::map<size_t, std::string> bytes;
    std::map<size_t, std::map<size_t, std::string>> newTexts; // entry -> block -> the game's bytes
    std::map<size_t, std::string> refusalPlace;               // entry -> where its translation came from

    const TextEntry* Entry(size_t k) {
        auto it = entries.find(k);
        if (it == entries.end()) {
            std::string data = EntryBytes(*reader, k);
            it = entries.emplace(k, ReadTextEntry(data)).first;
            bytes.emplace(k, std::move(data));
        }
        return it->second && it->second->blocks ? &*it->second : nullptr;
    }
};

std::string Joined(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& s : items) out += (out.empty() ? "" : " ") + s;
    return out.empty() ? "none" : out;
}

// The pack a translation is for: its header's, else its first reference's.
std::string PackOf(const PoFile& po) {
    std::string pack = po.HeaderField("X-Packwright-Pack");
    if (!pack.empty()) return pack;
    for (const PoMessage& m : po.messages)
        for (const std::string& ref : m.references) {
            const size_t colon = ref.find(':');
            const std::string first = ref.substr(0, std::min(colon, ref.find(' ')));
            if (colon != std::string::npos && !first.empty()) return first;
        }
    return "";
}

void CheckMessage(const PoMessage& m, const std::string& file, GamePack& game, const CodePage& codePage, bool fuzzy,
                  TranslationReport& report) {
    const std::string where = file + ":" + std::to_string(m.line) + ": ";
    size_t k = 0, b = 0;
    const TextEntry* entry = nullptr;
    if (!m.context || !ParseContext(*m.context, k, b) || k >= game.reader->Index().Count() ||
        !(entry = game.Entry(k)) || b >= entry->blocks->size() || !(*entry->blocks)[b].text) {
        ++report.refused;
        report.refusals.push_back(where + "msgctxt \"" + m.context.value_or("") + "\" names no block of a text entry of " +
                                  report.pack);
        return;
    }
    const std::string place = where + "entry " + std::to_string(k) + " (" +
                              codePage.Decode(game.reader->Index().Name(k)) + ") block " + std::to_string(b) + ": ";
    if (m.idPlural) {
        ++report.refused;
        report.refusals.push_back(place + "plural forms are not texts of the game");
        return;
    }
    if (!m.Translated()) {
        ++report.untranslated;
        return;
    }
    if (m.Fuzzy() && !fuzzy) {
        ++report.fuzzy;
        return;
    }
    const std::string& sourceBytes = *(*entry->blocks)[b].text;
    const std::string source = codePage.Decode(sourceBytes);
    if (m.id != source) {
        ++report.stale;
        report.staleMessages.push_back(place + "the game's text has changed since the export; left out");
        return;
    }
    const std::string& translation = m.Str();
    const size_t refusedBefore = report.refusals.size();
    if (translation != source) {
        if (Placeholders(source) != Placeholders(translation))
            report.refusals.push_back(place + "its placeholders differ from the source's (source: " +
                                      Joined(Placeholders(source)) + "; translation: " +
                                      Joined(Placeholders(translation)) + ")");
        if (Tokens(source) != Tokens(translation))
            report.refusals.push_back(place + "its control codes differ from the source's (source: " +
                                      Joined(Tokens(source)) + "; translation: " + Joined(Tokens(translation)) + ")");
        std::vector<char32_t> missing;
        const std::string bytes = codePage.Encode(translation, missing);
        for (char32_t c : missing) {
            std::string shown;
            AppendUtf8(shown, c);
            report.refusals.push_back(place + "the code page " + codePage.Name() + " cannot hold " + CodePointName(c) +
                                      " (" + shown + ")");
        }
        if (const std::string problem = LayoutProblem(entry->style, bytes); !problem.empty())
            report.refusals.push_back(place + "the translation cannot be stored: " + problem);
        if (report.refusals.size() == refusedBefore && bytes != sourceBytes) {
            game.newTexts[k][b] = bytes;
            game.refusalPlace[k] = where + "entry " + std::to_string(k) + ": ";
        }
    }
    if (report.refusals.size() > refusedBefore)
        ++report.refused;
    else
        ++report.translated;
}

// The changed entries of one pack, each written in its own layout and read
// back to make sure it holds exactly the texts meant.
patch::PackChanges ChangesOf(GamePack& game, std::vector<std::string>& refusals) {
    patch::PackChanges changes;
    changes.sourceIndex = game.reader->IndexPath();
    for (const auto& [k, blocks] : game.newTexts) {
        const TextEntry& entry = *game.Entry(k);
        std::vector<std::string> texts;
        bool whole = true;
        for (const layout::Block& block : *entry.blocks) {
            whole = whole && block.text.has_value();
            texts.push_back(block.text.value_or(""));
        }
        for (const auto& [b, text] : blocks) texts[b] = text;
        const std::string& old = game.bytes[k];
        std::string bytes = layout::WriteBlocks(entry.style, old, texts);
        const auto back = layout::ReadBlocks(entry.style, bytes);
        bool same = whole && back && back->size() == texts.size();
        for (size_t b = 0; same && b < texts.size(); ++b) same = (*back)[b].text == texts[b];
        if (!same) {
            refusals.push_back(game.refusalPlace[k] + "the entry cannot be written back with the translation");
            continue;
        }
        if (bytes == old) continue;
        patch::EntryChange change;
        change.index = k;
        change.data.path = "";
        change.data.size = int64_t(bytes.size());
        change.data.bytes = std::make_shared<const std::string>(std::move(bytes));
        changes.entries.push_back(std::move(change));
    }
    return changes;
}

} // namespace

bool ImportPlan::Ok() const {
    for (const TranslationReport& r : files)
        if (!r.refusals.empty()) return false;
    return true;
}

std::string ImportPlan::Problems() const {
    std::string out;
    for (const TranslationReport& r : files)
        for (const std::string& refusal : r.refusals) out += (out.empty() ? "" : "\n") + refusal;
    return out;
}

ImportPlan PlanImport(const ImportOptions& options) {
    // Every file is read before any is checked: a damaged one ends it all.
    std::vector<PoFile> files;
    for (const std::string& path : options.translations) files.push_back(ReadPoFile(path));
    ImportPlan plan;
    std::map<std::string, GamePack> packs; // by the name in upper case
    std::vector<std::string> order;
    for (size_t i = 0; i < files.size(); ++i) {
        const PoFile& po = files[i];
        TranslationReport report;
        report.file = options.translations[i];
        report.pack = PackOf(po);
        if (report.pack.empty() || report.pack.find_first_of("/\\:") != std::string::npos || report.pack == "." ||
            report.pack == "..") {
            report.refusals.push_back(report.file + ": names no pack of the game (no X-Packwright-Pack header, " +
                                      "no reference PACK.fat:ENTRY)");
            plan.files.push_back(std::move(report));
            continue;
        }
        std::string cpName = options.codePage;
        if (cpName.empty()) cpName = po.HeaderField("X-Packwright-Codepage");
        if (cpName.empty()) cpName = DefaultCodePage;
        const CodePage codePage(cpName);
        const std::string key = UpperCaseAscii(report.pack);
        GamePack& game = packs[key];
        if (!game.reader) {
            game.reader = std::make_unique<PackReader>(patch::GamePackPath(options.gameDir, report.pack));
            order.push_back(key);
        }
        for (const PoMessage& m : po.messages)
            if (!m.obsolete && !m.IsHeader()) CheckMessage(m, report.file, game, codePage, options.fuzzy, report);
        plan.files.push_back(std::move(report));
    }
    if (!plan.Ok()) return plan;
    for (const std::string& key : order) {
        std::vector<std::string> refusals;
        patch::PackChanges changes = ChangesOf(packs[key], refusals);
        for (TranslationReport& r : plan.files)
            if (UpperCaseAscii(r.pack) == key && !refusals.empty()) {
                r.refusals.insert(r.refusals.end(), refusals.begin(), refusals.end());
                break;
            }
        plan.changedEntries += changes.entries.size();
        if (!changes.entries.empty()) plan.changes.push_back(std::move(changes));
    }
    return plan;
}

bool WriteImport(RunContext& ctx, const ImportPlan& plan, const std::string& output, const patch::Manifest& manifest) {
    if (!plan.Ok()) throw Error(plan.Problems());
    return patch::WritePatch(ctx, output, manifest, plan.changes);
}

} // namespace pw::texts
