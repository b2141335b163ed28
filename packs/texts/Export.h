#pragma once
// Exporting a pack's texts for translation: one PO template per pack that
// holds text entries, "DIR/PACK.pot", one message per block that holds a
// text (msgctxt "ENTRY:BLOCK", the text as msgid, the reference
// "PACK.fat:ENTRY", the entry's name and layout as extracted comment).
// The header names the pack (X-Packwright-Pack) and the code page
// (X-Packwright-Codepage), which the import takes as its default, and the
// time of the export (POT-Creation-Date). A message whose source holds
// placeholders is flagged c-format, so that translation tools check them.
// A block with an empty text gives no message.
#include <string>
#include <string_view>
#include <vector>

#include "packs/RunContext.h"
#include "packs/texts/CodePage.h"

namespace pw::texts {

struct ExportResult {
    std::string pot;          // written, or "" when the pack holds no text entry
    size_t textEntries = 0;   // read
    size_t messages = 0;
    size_t otherEntries = 0;  // not numbered texts: skipped
    size_t unreadable = 0;    // in a text layout, but not readable by the container: skipped
};

// Writes DIR/PACK.pot (crash-safe; only when the pack holds text entries),
// making DIR when it is missing.
// "Cannot open file", "Cannot create file", "Stream read error". A stop
// request ends it with nothing written and `stopped` set.
ExportResult ExportPack(RunContext& ctx, const std::string& indexPath, const std::string& outDir,
                        const CodePage& codePage, bool& stopped);

// The version named in the header's X-Generator.
void SetGeneratorVersion(const std::string& version);

// "2026-12-09 22:55+0000": now, or SOURCE_DATE_EPOCH where it is set.
std::string CreationDate();

// The flags of a message with this source: "c-format" when every "%" in it
// begins a placeholder (Placeholders), "no-c-format" when a "%" does not.
std::vector<std::string> FormatFlags(std::string_view source);

// The header message of a template of the pack `packName`.
std::string TemplateHeader(const std::string& packName, const std::string& codePage);

} // namespace pw::texts
