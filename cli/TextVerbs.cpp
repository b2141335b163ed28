// texts export, texts import, texts update: a game's texts out to PO
// templates for translation tools, translations back in as a patch, and a
// translation carried over to the texts of a new version of the game.
#include <algorithm>
#include <cstdio>
#include <memory>

#include "cli/Verbs.h"
#include "core/Directory.h"
#include "core/Error.h"
#include "core/FileIO.h"
#include "core/FileNames.h"
#include "core/PendingFile.h"
#include "packs/texts/Export.h"
#include "packs/texts/Import.h"
#include "packs/texts/Update.h"

namespace pw::cli {

namespace {

using namespace pw::texts;

struct TextsOptions {
    std::string action, output, codePage, source, pot, title, author, version;
    std::vector<std::string> files;
    bool fuzzy = false, plan = false;
};

// The packs of the game's folder: its *.fat files, in name order.
std::vector<std::string> PacksOfFolder(const std::string& dir) {
    std::vector<std::string> packs;
    std::string base = dir;
    if (base.empty() || PathSeparators.find(base.back()) == std::string_view::npos) base += PathDelim;
    for (const DirEntry& e : ListDirectory(dir))
        if (!e.Folder && SameTextAscii(ExtractFileExt(e.Name), ".fat")) packs.push_back(base + e.Name);
    std::sort(packs.begin(), packs.end());
    if (packs.empty()) throw Error("No pack in " + dir);
    return packs;
}

int Export(const TextsOptions& o, Invocation& run) {
    SetGeneratorVersion(PACKWRIGHT_VERSION);
    const CodePage codePage(o.codePage.empty() ? DefaultCodePage : o.codePage);
    const std::string outDir = FullPath(o.output);
    std::vector<std::string> packs;
    if (!o.source.empty()) packs = PacksOfFolder(FullPath(o.source));
    for (const std::string& p : o.files) packs.push_back(FullPath(p));
    size_t templates = 0, messages = 0, others = 0, unreadable = 0;
    for (const std::string& pack : packs) {
        bool stopped = false;
        const ExportResult r = ExportPack(run.ctx, pack, outDir, codePage, stopped);
        if (stopped) return ExitStopped;
        others += r.otherEntries;
        unreadable += r.unreadable;
        if (r.pot.empty()) continue;
        ++templates;
        messages += r.messages;
        if (!run.quiet)
            std::printf("%s: %s of %s\n", r.pot.c_str(), Count(r.messages, "message", "messages").c_str(),
                        Count(r.textEntries, "text entry", "text entries").c_str());
    }
    std::string summary = "Exported " + Count(messages, "message", "messages") + " to " +
                          Count(templates, "template", "templates") + " in " + outDir + " (" +
                          Count(others, "other entry", "other entries") + " skipped";
    if (unreadable > 0) summary += ", " + Count(unreadable, "damaged text entry", "damaged text entries") + " skipped";
    PrintSummary(run, summary + ")");
    return ExitOk;
}

void PrintPlan(const ImportPlan& plan) {
    for (const TranslationReport& r : plan.files) {
        std::printf("%s (%s): %zu translated, %zu untranslated, %zu fuzzy, %zu stale, %zu refused\n", r.file.c_str(),
                    r.pack.c_str(), r.translated, r.untranslated, r.fuzzy, r.stale, r.refused);
        for (const std::string& s : r.refusals) std::printf("  refused: %s\n", s.c_str());
        for (const std::string& s : r.staleMessages) std::printf("  stale: %s\n", s.c_str());
    }
    std::printf("%s would change\n", Count(plan.changedEntries, "entry", "entries").c_str());
}

int Import(const TextsOptions& o, Invocation& run) {
    ImportOptions options;
    options.gameDir = FullPath(o.source);
    for (const std::string& f : o.files) options.translations.push_back(FullPath(f));
    options.codePage = o.codePage;
    options.fuzzy = o.fuzzy;
    const ImportPlan plan = PlanImport(options);
    if (o.plan) {
        PrintPlan(plan);
        if (plan.Ok() && plan.changedEntries > 0) return ExitOk;
        // The refusals are listed above; the error names their count.
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n",
                     ErrorBoxText(plan.Ok() ? "Nothing to put in patch" : plan.ProblemCount() + ": nothing written")
                         .c_str());
        return ExitError;
    }
    size_t stale = 0;
    for (const TranslationReport& r : plan.files) stale += r.stale;
    patch::SetWriterVersion(PACKWRIGHT_VERSION);
    const std::string output = FullPath(o.output);
    if (!WriteImport(run.ctx, plan, output, patch::Manifest{o.title, o.version, o.author, "", "", "", ""}))
        return ExitStopped;
    if (stale > 0 && !run.quiet)
        std::fprintf(stderr, "packwright-cli: %s left out: the game's text changed since the export\n",
                     Count(stale, "stale message", "stale messages").c_str());
    const RunContext::Tally& t = run.ctx.RunTally;
    PrintSummary(run, "Wrote " + output + " with " + Count(t.Entries, "changed entry", "changed entries") + " of " +
                          Count(t.Packs, "pack", "packs") + " (" + Count(t.Bytes, "byte", "bytes") + ")");
    return ExitOk;
}

int Update(const TextsOptions& o, Invocation& run) {
    const PoFile pot = ReadPoFile(FullPath(o.pot));
    const PoFile old = ReadPoFile(FullPath(o.files.front()));
    const std::string codePage = TranslationCodePage(old, o.codePage, FullPath(o.files.front()));
    UpdateCounts counts;
    PoFile updated = UpdateTranslation(pot, old, counts);
    // A code page given for a header that lost it is written back into it.
    if (old.HeaderField("X-Packwright-Codepage").empty() && !updated.messages.empty() &&
        updated.messages.front().IsHeader())
        SetHeaderField(updated.messages.front(), "X-Packwright-Codepage", codePage);
    const std::string text = WritePo(updated);
    if (o.output.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
    } else {
        PendingFile out(FullPath(o.output), run.ctx.Sync);
        WriteAll(out.Fd(), text.data(), text.size());
        out.Commit();
    }
    PrintSummary(run, "Updated " + o.files.front() + ": " + std::to_string(counts.kept) + " kept, " +
                          std::to_string(counts.moved) + " moved, " + std::to_string(counts.fuzzy) + " fuzzy, " +
                          std::to_string(counts.added) + " new, " + std::to_string(counts.obsolete) + " obsolete");
    return ExitOk;
}

} // namespace

void AddTextVerbs(Tool& tool) {
    auto o = std::make_shared<TextsOptions>();
    CLI::App& t = tool.AddVerb(
        "texts", "Translate the game: its texts out to PO templates, a translation back in as a patch",
        "packwright-cli texts export --output DIR [--codepage CP] (PACK.fat... | --source GAMEDIR)\n"
        "packwright-cli texts import --output MOD.pwpatch [--title T] [--author A] [--version V] [--codepage CP]\n"
        "  [--fuzzy] [--plan] --source GAMEDIR TRANSLATION.po...\n"
        "packwright-cli texts update --pot NEW.pot [--codepage CP] OLD.po [--output NEW.po]",
        true, [o](Invocation& run) {
            if (o->action == "export") return Export(*o, run);
            if (o->action == "import") return Import(*o, run);
            return Update(*o, run);
        });
    t.add_option("ACTION", o->action, "export, import or update")
        ->required()
        ->check(CLI::IsMember({"export", "import", "update"}));
    t.add_option("FILE", o->files, "export: packs; import: translations (.po); update: the old .po")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    t.add_option("--output", o->output, "export: the templates' folder; import: the patch; update: the new .po")
        ->type_name("PATH");
    t.add_option("--source", o->source, "The game's folder (export: every pack in it)")->type_name("GAMEDIR");
    t.add_option("--codepage", o->codePage,
                 "The game's code page, windows-1250 to -1258, 874, 932, 936, 949 or 950\n"
                 "(export: default windows-1252; import, update: the one the translation's header names,\n"
                 "needed where the header lost it, refused where it differs)")
        ->type_name("CP");
    t.add_option("--pot", o->pot, "update: the template exported from the new version of the game")
        ->type_name("NEW.pot");
    t.add_option("--title", o->title, "import: the patch's title")->type_name("T");
    t.add_option("--author", o->author, "import: its author")->type_name("A");
    t.add_option("--version", o->version, "import: its version")->type_name("V");
    t.add_flag("--fuzzy", o->fuzzy, "import: take fuzzy translations too");
    t.add_flag("--plan", o->plan,
               "import: write nothing; per file the counts of translated, untranslated, fuzzy,\n"
               "stale and refused messages, and every refusal (exit status 0 when it would succeed)");
    t.footer("A control code of the game's texts is written {0xHH} and must stay in the translation, as must\n"
             "placeholders such as %s and %d. Every problem of an import is listed before anything is written.");
    t.callback([o] {
        if (o->action == "export") {
            if (o->output.empty()) throw UsageError{"texts export needs --output DIR"};
            if (o->source.empty() == o->files.empty()) throw UsageError{"texts export takes packs or --source GAMEDIR"};
        } else if (o->action == "import") {
            if (o->output.empty() && !o->plan) throw UsageError{"texts import needs --output MOD.pwpatch"};
            if (o->source.empty()) throw UsageError{"texts import needs --source GAMEDIR"};
            if (o->files.empty()) throw UsageError{"texts import needs at least one TRANSLATION.po"};
        } else {
            if (o->pot.empty()) throw UsageError{"texts update needs --pot NEW.pot"};
            if (o->files.size() != 1) throw UsageError{"texts update takes one OLD.po"};
        }
    });
}

} // namespace pw::cli
