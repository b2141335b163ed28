#include "packs/texts/Import.h"

#include <algorithm>
#include <cstdint>
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

// One game pack as the translations see it. Messages come entry by entry
// as a template lists them: the entry at hand is read and its new texts
// gathered; when the messages move on to another entry, it is written in
// its layout (and read back to make sure), and only its new bytes are
// kept. An entry that comes back later starts from those.
struct GamePack {
    std::unique_ptr<PackReader> reader;
    size_t current = SIZE_MAX;
    std::string original;                         // the entry's bytes in the game
    std::optional<TextEntry> entry;               // read from them
    std::map<size_t, std::string> newTexts;       // block -> the game's bytes of its translation
    std::map<size_t, std::shared_ptr<const std::string>> done; // changed entries' new bytes
    std::map<size_t, std::vector<bool>> seen;     // blocks translated, per entry
    std::vector<std::string> refusals;            // of the entries written back

    const TextEntry* Entry(size_t k) {
        if (k != current) {
            Finish();
            current = k;
            original = EntryBytes(*reader, k);
            entry = ReadTextEntry(original);
        }
        return entry && entry->blocks ? &*entry : nullptr;
    }
    void Finish();
};

void GamePack::Finish() {
    if (current == SIZE_MAX || newTexts.empty()) return;
    const size_t k = current;
    std::vector<std::string> texts;
    bool whole = true;
    const auto earlier = done.find(k);
    const auto base = earlier == done.end() ? entry->blocks : layout::ReadBlocks(entry->style, *earlier->second);
    for (const layout::Block& block : *base) {
        whole = whole && block.text.has_value();
        texts.push_back(block.text.value_or(""));
    }
    for (auto& [b, text] : newTexts) texts[b] = std::move(text);
    newTexts.clear();
    std::string bytes = layout::WriteBlocks(entry->style, original, texts);
    const auto back = layout::ReadBlocks(entry->style, bytes);
    bool same = whole && back && back->size() == texts.size();
    for (size_t b = 0; same && b < texts.size(); ++b) same = (*back)[b].text == texts[b];
    if (!same) {
        refusals.push_back("entry " + std::to_string(k) + ": the entry cannot be written back with the translation");
        return;
    }
    if (bytes == original)
        done.erase(k);
    else
        done[k] = std::make_shared<const std::string>(std::move(bytes));
}

std::string Joined(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& s : items) out += (out.empty() ? "" : " ") + s;
    return out.empty() ? "none" : out;
}

// The pack a reference "PACK.fat:ENTRY" names, or "".
std::string PackOfReference(const std::string& ref) {
    const size_t colon = ref.find(':');
    return colon == std::string::npos ? "" : ref.substr(0, std::min(colon, ref.find(' ')));
}

void CheckMessage(const PoMessage& m, const std::string& file, GamePack& game, const CodePage& codePage, bool fuzzy,
                  TranslationReport& report) {
    // Where a refusal is: made only for one.
    const auto where = [&] { return file + ":" + std::to_string(m.line) + ": "; };
    size_t k = 0, b = 0;
    const TextEntry* entry = nullptr;
    if (!m.context || !ParseContext(*m.context, k, b) || k >= game.reader->Index().Count() ||
        !(entry = game.Entry(k)) || b >= entry->blocks->size() || !(*entry->blocks)[b].text) {
        ++report.refused;
        report.refusals.push_back(where() + "msgctxt \"" + m.context.value_or("") + "\" names no block of a text entry of " +
                                  report.pack);
        return;
    }
    const auto place = [&] {
        return where() + "entry " + std::to_string(k) + " (" + codePage.Decode(game.reader->Index().Name(k)) +
               ") block " + std::to_string(b) + ": ";
    };
    std::vector<bool>& seen = game.seen[k];
    seen.resize(entry->blocks->size());
    if (seen[b]) {
        ++report.refused;
        report.refusals.push_back(place() + "its block is translated twice");
        return;
    }
    seen[b] = true;
    if (m.idPlural) {
        ++report.refused;
        report.refusals.push_back(place() + "plural forms are not texts of the game");
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
        report.staleMessages.push_back(place() + "the game's text has changed since the export; left out");
        return;
    }
    const std::string& translation = m.Str();
    const size_t refusedBefore = report.refusals.size();
    if (translation != source) {
        if (Placeholders(source) != Placeholders(translation))
            report.refusals.push_back(place() + "its placeholders differ from the source's (source: " +
                                      Joined(Placeholders(source)) + "; translation: " +
                                      Joined(Placeholders(translation)) + ")");
        if (Tokens(source) != Tokens(translation))
            report.refusals.push_back(place() + "its control codes differ from the source's (source: " +
                                      Joined(Tokens(source)) + "; translation: " + Joined(Tokens(translation)) + ")");
        std::vector<char32_t> missing;
        const std::string bytes = codePage.Encode(translation, missing);
        for (char32_t c : missing) {
            std::string shown;
            AppendUtf8(shown, c);
            report.refusals.push_back(place() + "the code page " + codePage.Name() + " cannot hold " + CodePointName(c) +
                                      " (" + shown + ")");
        }
        if (const std::string problem = LayoutProblem(entry->style, bytes); !problem.empty())
            report.refusals.push_back(place() + "the translation cannot be stored: " + problem);
        if (report.refusals.size() == refusedBefore && bytes != sourceBytes) game.newTexts[b] = bytes;
    }
    if (report.refusals.size() > refusedBefore)
        ++report.refused;
    else
        ++report.translated;
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
    ImportPlan plan;
    std::map<std::string, GamePack> packs; // by the name in upper case
    std::vector<std::string> order;
    std::map<std::string, size_t> lastReport; // pack -> the last file that named it
    for (const std::string& path : options.translations) {
        plan.files.push_back({});
        TranslationReport& report = plan.files.back();
        report.file = path;
        PoMessage header;
        GamePack* game = nullptr;
        std::optional<CodePage> codePage;
        bool started = false;
        // The pack and the code page are known at the first message: the
        // header's, else the first reference's.
        auto start = [&](const PoMessage& first) {
            started = true;
            PoFile head;
            head.messages.push_back(header);
            report.pack = head.HeaderField("X-Packwright-Pack");
            if (report.pack.empty() && !first.references.empty()) report.pack = PackOfReference(first.references.front());
            if (report.pack.empty() || report.pack.find_first_of("/\\:") != std::string::npos || report.pack == "." ||
                report.pack == "..") {
                report.refusals.push_back(report.file + ": names no pack of the game (no X-Packwright-Pack header, " +
                                          "no reference PACK.fat:ENTRY)");
                return;
            }
            std::string name = options.codePage;
            if (name.empty()) name = head.HeaderField("X-Packwright-Codepage");
            codePage.emplace(name.empty() ? std::string(DefaultCodePage) : name);
            const std::string key = UpperCaseAscii(report.pack);
            game = &packs[key];
            if (!game->reader) {
                game->reader = std::make_unique<PackReader>(patch::GamePackPath(options.gameDir, report.pack));
                order.push_back(key);
            }
            lastReport[key] = plan.files.size() - 1;
        };
        ReadPoStream(path, [&](PoMessage&& m) {
            if (m.IsHeader() && !started) {
                header = std::move(m);
                return;
            }
            if (m.obsolete || m.IsHeader()) return;
            if (!started) start(m);
            if (game) CheckMessage(m, report.file, *game, *codePage, options.fuzzy, report);
        });
    }
    for (const std::string& key : order) {
        GamePack& game = packs[key];
        game.Finish();
        TranslationReport& report = plan.files[lastReport[key]];
        for (const std::string& r : game.refusals) report.refusals.push_back(report.file + ": " + r);
        if (game.done.empty()) continue;
        patch::PackChanges changes;
        changes.sourceIndex = game.reader->IndexPath();
        for (auto& [k, bytes] : game.done) {
            patch::EntryChange change;
            change.index = k;
            change.data.size = int64_t(bytes->size());
            change.data.bytes = bytes;
            changes.entries.push_back(std::move(change));
        }
        plan.changedEntries += changes.entries.size();
        plan.changes.push_back(std::move(changes));
    }
    return plan;
}

bool WriteImport(RunContext& ctx, const ImportPlan& plan, const std::string& output, const patch::Manifest& manifest) {
    if (!plan.Ok()) throw Error(plan.Problems());
    return patch::WritePatch(ctx, output, manifest, plan.changes);
}

} // namespace pw::texts
