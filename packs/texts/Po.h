#pragma once
// Gettext PO files, read and written by the program's own code: the header
// (the message with an empty msgid), msgctxt, msgid, msgid_plural, msgstr
// and msgstr[N], strings over several lines, C escapes, comments of every
// kind ("# " translator, "#." extracted, "#:" references, "#," flags, "#|"
// previous strings) and obsolete messages ("#~"). Only UTF-8 files are
// read (a UTF-16 or UTF-32 file is "FILE is UTF-16: save it as UTF-8"). A
// file that breaks these rules is "Damaged translation FILE: line N: WHAT";
// one without a message other than the header is "Damaged translation
// FILE: no messages (WHY)".
//
// The writer writes each string on one line, split after every line feed
// inside it as gettext does ("msgcat --no-wrap" gives the same bytes).
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pw::texts {

struct PoMessage {
    std::vector<std::string> comments;   // "# "
    std::vector<std::string> extracted;  // "#."
    std::vector<std::string> references; // "#:", one line each, as written
    std::vector<std::string> flags;      // "#,", one flag each
    std::optional<std::string> previousContext, previousId; // "#|"
    std::optional<std::string> context;
    std::string id;
    std::optional<std::string> idPlural;
    std::vector<std::string> strs; // msgstr, or msgstr[0], msgstr[1]...
    bool obsolete = false;
    int line = 0; // of its msgid

    bool IsHeader() const { return !context && id.empty() && !obsolete; }
    bool Fuzzy() const;
    void SetFuzzy(bool fuzzy);
    const std::string& Str() const;
    bool Translated() const; // a msgstr that is not empty
};

struct PoFile {
    std::vector<PoMessage> messages; // the header too, where the file has one

    const PoMessage* Header() const;
    // The value of a header field ("Language"), or "".
    std::string HeaderField(std::string_view name) const;
};

// Sets a header field, replacing its line or adding one at the end.
void SetHeaderField(PoMessage& header, std::string_view name, const std::string& value);

// "Damaged translation NAME: line N: ..." for a file that breaks the rules.
PoFile ReadPo(std::string_view bytes, const std::string& name);
// The file at `path`, read whole ("Cannot open file", "Stream read error").
PoFile ReadPoFile(const std::string& path);

// The file at `path`, read piece by piece: each message goes to `sink` as
// soon as it is complete, so that a file of any size takes little memory.
// A message given twice is not looked for (the caller can tell).
using PoSink = std::function<void(PoMessage&&)>;
void ReadPoStream(const std::string& path, const PoSink& sink);

std::string WritePo(const PoFile& file);
void AppendPoMessage(std::string& out, const PoMessage& message);

} // namespace pw::texts
