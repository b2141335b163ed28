// The writer of PO files (Po.h): gettext's layout without line wrapping.
#include "packs/texts/Po.h"

namespace pw::texts {

namespace {

void AppendEscaped(std::string& out, std::string_view s) {
    for (char c : s) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\a': out += "\\a"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\v': out += "\\v"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                const unsigned v = static_cast<unsigned char>(c);
                out += '\\';
                out.push_back(char('0' + (v >> 6)));
                out.push_back(char('0' + (v >> 3 & 7)));
                out.push_back(char('0' + (v & 7)));
            } else {
                out.push_back(c);
            }
        }
    }
}

// KEYWORD "value", or KEYWORD "" and a line per piece when a line feed
// stands inside the value (not only at its end).
void AppendString(std::string& out, std::string_view prefix, std::string_view keyword, std::string_view value) {
    const size_t lf = value.find('\n');
    out += prefix;
    out += keyword;
    if (lf == std::string_view::npos || lf + 1 == value.size()) {
        out += " \"";
        AppendEscaped(out, value);
        out += "\"\n";
        return;
    }
    out += " \"\"\n";
    size_t start = 0;
    while (start < value.size()) {
        size_t end = value.find('\n', start);
        end = end == std::string_view::npos ? value.size() : end + 1;
        out += prefix;
        out += '"';
        AppendEscaped(out, value.substr(start, end - start));
        out += "\"\n";
        start = end;
    }
}

} // namespace

void AppendPoMessage(std::string& out, const PoMessage& m) {
    for (const std::string& c : m.comments) out += c.empty() ? "#\n" : "# " + c + "\n";
    for (const std::string& c : m.extracted) out += "#. " + c + "\n";
    for (const std::string& r : m.references) out += "#: " + r + "\n";
    if (!m.flags.empty()) {
        out += "#,";
        for (size_t i = 0; i < m.flags.size(); ++i) out += (i == 0 ? " " : ", ") + m.flags[i];
        out += '\n';
    }
    const std::string_view previous = m.obsolete ? "#~| " : "#| ";
    if (m.previousContext) AppendString(out, previous, "msgctxt", *m.previousContext);
    if (m.previousId) AppendString(out, previous, "msgid", *m.previousId);
    const std::string_view prefix = m.obsolete ? "#~ " : "";
    if (m.context) AppendString(out, prefix, "msgctxt", *m.context);
    AppendString(out, prefix, "msgid", m.id);
    if (m.idPlural) {
        AppendString(out, prefix, "msgid_plural", *m.idPlural);
        for (size_t i = 0; i < m.strs.size(); ++i)
            AppendString(out, prefix, "msgstr[" + std::to_string(i) + "]", m.strs[i]);
    } else {
        AppendString(out, prefix, "msgstr", m.Str());
    }
}

std::string WritePo(const PoFile& file) {
    std::string out;
    for (size_t i = 0; i < file.messages.size(); ++i) {
        if (i > 0) out += '\n';
        AppendPoMessage(out, file.messages[i]);
    }
    return out;
}

} // namespace pw::texts
