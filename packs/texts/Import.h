#pragma once
// Importing translations: the translated blocks of PO files written back
// into their entries, each in its own layout, checked before anything is
// written, and the changed entries made into a patch (packs/patch) that
// players apply like any mod.
//
// A file's pack is the one its header names (X-Packwright-Pack), else the
// one its first reference names ("PACK.fat:ENTRY"), looked up in the
// game's folder; its code page its header's (X-Packwright-Codepage), which
// a code page given must match, else the one given.
#include <string>
#include <vector>

#include "packs/RunContext.h"
#include "packs/patch/PatchMake.h"
#include "packs/texts/Po.h"

namespace pw::texts {

// The code page of the translation `po`: its header's X-Packwright-Codepage,
// or `given` (the --codepage) where the header has none. "FILE: its header
// has no X-Packwright-Codepage ...: give it with --codepage"; "FILE:
// --codepage A differs from its header's X-Packwright-Codepage B";
// "Unknown code page NAME".
std::string TranslationCodePage(const PoFile& po, const std::string& given, const std::string& file);

struct ImportOptions {
    std::string gameDir;
    std::vector<std::string> translations; // PO files
    std::string codePage;                  // "" for each file's own
    bool fuzzy = false;                    // take fuzzy translations too
};

// What one PO file brings. A refusal or a stale message is one line,
// "FILE:LINE: entry E (NAME) block B: ...".
struct TranslationReport {
    std::string file, pack;
    size_t translated = 0, untranslated = 0, fuzzy = 0, stale = 0, refused = 0;
    bool noCodePage = false; // refused: its header names no code page and none was given
    std::vector<std::string> refusals, staleMessages;
};

struct ImportPlan {
    std::vector<TranslationReport> files;
    std::vector<patch::PackChanges> changes; // the changed entries' new data, in memory
    std::vector<std::string> codePages;      // each pack's of `changes`, to show their texts
    size_t changedEntries = 0;

    bool Ok() const;
    // Every refusal, one a line.
    std::string Problems() const;
    // "6 problems in 5 messages" (a message may have several; a problem of
    // a whole file is in none).
    std::string ProblemCount() const;
};

// Reads and checks every file and builds the changed entries; writes
// nothing. "Damaged translation FILE: line N: ..." for a file that cannot
// be read; "Cannot open file" for a pack that is not in the game's folder.
ImportPlan PlanImport(const ImportOptions& options);

// Writes the patch `output` of the plan (through the patch writer: "Nothing
// to put in patch OUTPUT" when no entry changes). Throws the plan's
// problems when it is not Ok, before anything is written.
bool WriteImport(RunContext& ctx, const ImportPlan& plan, const std::string& output, const patch::Manifest& manifest);

} // namespace pw::texts
