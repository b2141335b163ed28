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
// gathered; when the messages move on to another entry, they are put in
// its place in the entry's bytes (and read back to make sure), and only
// its new bytes are kept. An entry that comes back later starts from those.
struct GamePack {
    std::unique_ptr<PackReader> reader;
    size_t current = SIZE_MAX;
    std::string original;                         // the entry's bytes in the game
    std::optional<TextEntry> entry;               // read from them
    std::map<size_t, std::string> newTexts;       // block -> the game's bytes of its translation
    std::map<size_t, std::shared_ptr<const std::string>> done; // changed entries' new bytes
    // The game's bytes each block is given, per entry, by the translations
    // that will be used.
    std::map<size_t, std::map<size_t, std::string>> claimed;
    std::vector<std::string> refusals;            // of the entries written back
    std::string codePage;                         // of the first file that names it

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

// Whether `bytes` read back as `texts` in `style`.
bool ReadsAs(layout::Style style, const std::string& bytes, const std::vector<std::string>& texts) {
    const auto back = layout::ReadBlocks(style, bytes);
    bool same = back && back->size() == texts.size();
    for (size_t b = 0; same && b < texts.size(); ++b) same = (*back)[b].text == texts[b];
    return same;
}

void GamePack::Finish() {
    if (current == SIZE_MAX || newTexts.empty()) return;
    const size_t k = current;
    std::vector<std::string> texts;
    bool whole = true;
    const auto earlier = done.find(k);
    const std::string& base = earlier == done.end() ? original : *earlier->second;
    const auto blocks = earlier == done.end() ? entry->blocks : layout::ReadBlocks(entry->style, base);
    for (const layout::Block& block : *blocks) {
        whole = whole && block.text.has_value();
        texts.push_back(block.text.value_or(""));
    }
    for (const auto& [b, text] : newTexts) texts[b] = text;
    // The translated blocks in place, every other byte kept; the entry
    // written anew in its layout only where their places cannot be found.
    std::optional<std::string> bytes = layout::ReplaceTexts(entry->style, base, newTexts);
    newTexts.clear();
    if (!bytes || !ReadsAs(entry->style, *bytes, texts)) bytes = layout::WriteBlocks(entry->style, base, texts);
    if (!whole || !ReadsAs(entry->style, *bytes, texts)) {
        refusals.push_back("entry " + std::to_string(k) + ": the entry cannot be written back with the translation");
        return;
    }
    if (*bytes == original)
        done.erase(k);
    else
        done[k] = std::make_shared<const std::string>(std::move(*bytes));
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
    std::string used = sourceBytes; // the game's bytes the block will hold
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
        if (!missing.empty()) {
            std::string names;
            for (char32_t c : missing) {
                names += (names.empty() ? "" : ", ") + CodePointName(c) + " (";
                AppendUtf8(names, c);
                names += ')';
            }
            report.refusals.push_back(place() + "the code page " + codePage.Name() + " cannot hold " + names);
        }
        if (const std::string problem = LayoutProblem(entry->style, bytes); !problem.empty())
            report.refusals.push_back(place() + "the translation cannot be stored: " + problem);
        if (report.refusals.size() == refusedBefore) used = bytes;
    }
    // Files that split a pack between translators may both hold a block;
    // only two different translations that would both be used clash.
    if (report.refusals.size() == refusedBefore) {
        const auto [at, first] = game.claimed[k].try_emplace(b, used);
        if (!first && at->second != used)
            report.refusals.push_back(place() + "its block is translated twice");
        else if (used != sourceBytes)
            game.newTexts[b] = used;
    }
    if (report.refusals.size() > refusedBefore)
        ++report.refused;
    else
        ++report.translated;
}

} // namespace

std::string TranslationCodePage(const PoFile& po, const std::string& given, const std::string& file) {
    const std::string named = po.HeaderField("X-Packwright-Codepage");
    if (named.empty() && given.empty())
        throw Error(file + ": its header has no X-Packwright-Codepage (the game's code page): give it with --codepage");
    if (named.empty()) return CodePage(given).Name();
    const std::string header = CodePage(named).Name();
    if (!given.empty() && CodePage(given).Name() != header)
        throw Error(file + ": --codepage " + given + " differs from its header's X-Packwright-Codepage " + named);
    return header;
}

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
            report.noCodePage = options.codePage.empty() && head.HeaderField("X-Packwright-Codepage").empty();
            try {
                codePage.emplace(TranslationCodePage(head, options.codePage, report.file));
            } catch (const Error& e) {
                report.refusals.push_back(e.what());
                return;
            }
            const std::string key = UpperCaseAscii(report.pack);
            game = &packs[key];
            if (!game->reader) {
                game->reader = std::make_unique<PackReader>(patch::GamePackPath(options.gameDir, report.pack));
                game->codePage = codePage->Name();
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
        plan.codePages.push_back(game.codePage);
    }
    return plan;
}

std::string ImportPlan::ProblemCount() const {
    size_t problems = 0, messages = 0;
    for (const TranslationReport& r : files) {
        problems += r.refusals.size();
        messages += r.refused;
    }
    const auto count = [](size_t n, const char* one, const char* many) {
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    std::string text = count(problems, "problem", "problems");
    if (messages > 0) text += " in " + count(messages, "message", "messages");
    return text;
}

bool WriteImport(RunContext& ctx, const ImportPlan& plan, const std::string& output, const patch::Manifest& manifest) {
    if (!plan.Ok()) throw Error(plan.Problems());
    return patch::WritePatch(ctx, output, manifest, plan.changes);
}

} // namespace pw::texts
