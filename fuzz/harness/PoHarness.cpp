// Translations (PO files): read; what reads is written, read again and
// written again to the same bytes; its strings go through the checks and
// the code page as an import takes them, and the file is updated against
// itself.
#include <string>

#include "core/Error.h"
#include "harness/Harness.h"
#include "harness/Samples.h"
#include "harness/Support.h"
#include "packs/texts/CodePage.h"
#include "packs/texts/Po.h"
#include "packs/texts/TextChecks.h"
#include "packs/texts/TextEntries.h"
#include "packs/texts/Update.h"

namespace pwfuzz {

using namespace pw::texts;

void RunPoInput(const std::string&, std::string_view input) {
    PoFile po;
    try {
        po = ReadPo(input, "fuzz.po");
    } catch (const pw::Error&) {
        return;
    }
    const std::string written = WritePo(po);
    PoFile again;
    try {
        again = ReadPo(written, "fuzz.po");
    } catch (const pw::Error& e) {
        Violation(std::string("a written PO file does not read back: ") + e.what());
    }
    Expect(WritePo(again) == written, "a PO file written twice differs");
    static const CodePage page("windows-1252");
    for (const PoMessage& m : po.messages) {
        size_t entry = 0, block = 0;
        if (m.context && ParseContext(*m.context, entry, block))
            Expect(ContextOf(entry, block) == *m.context, "a msgctxt does not read back");
        std::vector<char32_t> missing;
        const std::string bytes = page.Encode(m.Str(), missing);
        Expect(ValidUtf8(page.Decode(bytes)), "decoded text is not UTF-8");
        Placeholders(m.Str());
        Tokens(m.id);
        LayoutProblem(pw::layout::Style::Zivora, bytes);
    }
    UpdateCounts counts;
    const PoFile updated = UpdateTranslation(po, po, counts);
    // Every message aligns with itself: none moved, none new.
    Expect(counts.moved == 0 && counts.added == 0, "a file updated against itself has moved or new messages");
    // A file of untranslated obsolete messages updates to none, which no
    // reader takes.
    bool any = false;
    for (const PoMessage& m : updated.messages) any = any || !m.IsHeader();
    if (!any) return;
    try {
        ReadPo(WritePo(updated), "fuzz.po");
    } catch (const pw::Error& e) {
        Violation(std::string("an updated PO file does not read back: ") + e.what());
    }
}

std::vector<std::string> PoSeeds() {
    return {
        "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\"X-Packwright-Pack: MENU.fat\\n\"\n\n"
        "#. menu.txt, INI-style\n#: MENU.fat:0\nmsgctxt \"0:1\"\nmsgid \"Load %s\\n\"\n\"now {0x01}\"\nmsgstr \"Lade\"\n",
        "# comment\n#, fuzzy, c-format\n#| msgid \"old\"\nmsgctxt \"2:0\"\nmsgid \"Caf\xC3\xA9\"\nmsgstr \"\\101\\x42\"\n\n"
        "#~ msgctxt \"9:9\"\n#~ msgid \"gone\"\n#~ msgstr \"weg\"\n",
        "msgid \"one\"\nmsgid_plural \"many\"\nmsgstr[0] \"a\"\nmsgstr[1] \"b\"\n",
        "msgid \"a\"\nmsgstr \"b\n",
    };
}

} // namespace pwfuzz
