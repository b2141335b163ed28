#include "packs/texts/Export.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "core/Directory.h"
#include "core/Error.h"
#include "core/FileIO.h"
#include "core/FileNames.h"
#include "core/PendingFile.h"
#include "packs/texts/Po.h"
#include "packs/texts/TextChecks.h"
#include "packs/texts/TextEntries.h"

namespace pw::texts {

namespace {
std::string Version = "0";
} // namespace

void SetGeneratorVersion(const std::string& version) { Version = version; }

std::string CreationDate() {
    // SOURCE_DATE_EPOCH, where set, fixes the date so that a build or a
    // comparison makes the same bytes.
    std::time_t now = std::time(nullptr);
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && *epoch) now = std::time_t(std::atoll(epoch));
    char text[32] = "";
    if (const std::tm* utc = std::gmtime(&now)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M+0000", utc);
    return text;
}

std::vector<std::string> FormatFlags(std::string_view source) {
    const std::vector<std::string> found = Placeholders(source);
    size_t percents = 0; // the "%" the placeholders account for
    bool plain = true;   // no position and no length of its own, which gettext reads alike
    for (const std::string& p : found) {
        percents += p == "%%" ? 2 : 1;
        plain = plain && p.find('$') == std::string::npos && p.find("I64") == std::string::npos &&
                p.find("I32") == std::string::npos;
    }
    const size_t all = size_t(std::count(source.begin(), source.end(), '%'));
    if (all == 0) return {};
    return {!found.empty() && percents == all && plain ? "c-format" : "no-c-format"};
}

std::string TemplateHeader(const std::string& packName, const std::string& codePage) {
    PoMessage header;
    header.comments = {"Texts of the game's pack " + packName + " for translation.",
                       "The game's code page: " + codePage + ". A control code is written {0xHH}; keep every",
                       "one of them, and every placeholder such as %s or %d, in the translation."};
    header.strs = {"Project-Id-Version: " + packName +
                   "\n"
                   "POT-Creation-Date: " +
                   CreationDate() +
                   "\n"
                   "PO-Revision-Date: YEAR-MO-DA HO:MI+ZONE\n"
                   "Last-Translator: FULL NAME <EMAIL@ADDRESS>\n"
                   "Language-Team: LANGUAGE <LL@li.org>\n"
                   "Language: \n"
                   "MIME-Version: 1.0\n"
                   "Content-Type: text/plain; charset=UTF-8\n"
                   "Content-Transfer-Encoding: 8bit\n"
                   "X-Generator: Packwright " +
                   Version + "\nX-Packwright-Pack: " + packName + "\nX-Packwright-Codepage: " + codePage + "\n"};
    std::string out;
    AppendPoMessage(out, header);
    return out;
}

ExportResult ExportPack(RunContext& ctx, const std::string& indexPath, const std::string& outDir,
                        const CodePage& codePage, bool& stopped) {
    stopped = false;
    const PackReader pack(indexPath);
    const std::string packName = ExtractFileName(indexPath);
    std::string dir = outDir;
    if (dir.empty() || PathSeparators.find(dir.back()) == std::string_view::npos) dir += PathDelim;
    ExportResult result;
    const std::string potPath = dir + ChangeFileExt(packName, ".pot");
    std::error_code failed;
    if (!IsDirectory(outDir) && !std::filesystem::create_directories(FsPath(outDir), failed)) ThrowCannotCreate(potPath);
    std::unique_ptr<PendingFile> out;
    std::string text;
    auto flush = [&](bool always) {
        if (out && (always || text.size() >= (1 << 20))) {
            WriteAll(out->Fd(), text.data(), text.size());
            text.clear();
        }
    };
    ctx.Status->SetStatus("Reading the texts of " + packName + "...");
    const size_t count = pack.Index().Count();
    for (size_t k = 0; k < count; ++k) {
        if (ctx.Stopped()) {
            stopped = true;
            return result;
        }
        const std::optional<TextEntry> entry = ReadTextEntry(EntryBytes(pack, k));
        if (!entry) {
            ++result.otherEntries;
            continue;
        }
        if (!entry->blocks) {
            ++result.unreadable;
            continue;
        }
        ++result.textEntries;
        if (!out) {
            out = std::make_unique<PendingFile>(potPath, ctx.Sync);
            text = TemplateHeader(packName, codePage.Name());
        }
        const std::string comment = codePage.Decode(pack.Index().Name(k)) + ", " + layout::StyleName(entry->style);
        const std::string reference = packName + ":" + std::to_string(k);
        for (size_t b = 0; b < entry->blocks->size(); ++b) {
            const std::optional<std::string>& source = (*entry->blocks)[b].text;
            if (!source || source->empty()) continue;
            PoMessage m;
            m.extracted = {comment};
            m.references = {reference};
            m.context = ContextOf(k, b);
            m.id = codePage.Decode(*source);
            m.flags = FormatFlags(m.id);
            m.strs = {""};
            text += '\n';
            AppendPoMessage(text, m);
            ++result.messages;
        }
        flush(false);
        if (count > 0) ctx.Status->SetProgressPosition(int((k + 1) * 100 / count));
        ctx.Status->ProcessEvents();
    }
    if (out) {
        flush(true);
        out->Commit();
        result.pot = potPath;
    }
    return result;
}

} // namespace pw::texts
