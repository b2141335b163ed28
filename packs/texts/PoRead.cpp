// The reader of PO files (Po.h), line by line.
#include <algorithm>
#include <cctype>
#include <unordered_set>

#include "core/Error.h"
#include "core/FileIO.h"
#include "core/FileNames.h"
#include "packs/texts/CodePage.h"
#include "packs/texts/Po.h"

namespace pw::texts {

namespace {

// White space around keywords, flags and comments; a carriage return counts
// too, so that what is trimmed once is trimmed alike when it is read again.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Why a file whose lines end in CR alone cannot be read: it is one line.
constexpr const char* OldMacLines = "its lines end in a carriage return alone, as on old Macs: save it with line feeds";

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view Trim(std::string_view s) {
    s = TrimLeft(s);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

class Reader {
public:
    Reader(const std::string& name, const PoSink& sink, bool duplicates)
        : name_(name), sink_(sink), duplicates_(duplicates) {}
    void Line(std::string_view line);
    void End();

private:
    enum class Target { None, Context, Id, IdPlural, Str, PreviousContext, PreviousId };

    // A line that holds a carriage return inside fails for that: a file
    // with old Mac line ends reads as one line.
    [[noreturn]] void Fail(const std::string& what) const {
        throw Error("Damaged translation " + name_ + ": line " + std::to_string(line_) + ": " +
                    (lineCr_ ? OldMacLines : what));
    }
    std::string Quoted(std::string_view s) const;
    void Finish();
    void Comment(std::string_view line);
    void Keyword(std::string_view line, bool obsolete);
    void Previous(std::string_view rest);
    std::string& TargetString(Target target);
    void CheckCharset();

    const std::string& name_;
    const PoSink& sink_;
    bool duplicates_;
    int line_ = 0;
    size_t messages_ = 0;     // other than the header
    bool header_ = false, loneCr_ = false, lineCr_ = false;
    PoMessage cur_;
    bool hasId_ = false, hasStr_ = false, started_ = false;
    Target target_ = Target::None, previousTarget_ = Target::None;
    std::unordered_set<std::string> seen_;
};

std::string Reader::Quoted(std::string_view s) const {
    s = Trim(s);
    if (s.size() < 2 || s.front() != '"' || s.back() != '"') Fail("a string in double quotes was expected");
    std::string out;
    for (size_t i = 1; i + 1 < s.size(); ++i) {
        char c = s[i];
        if (c == '"') Fail("a double quote inside a string must be written \\\"");
        if (c != '\\') {
            out.push_back(c);
            continue;
        }
        if (++i + 1 > s.size() - 1) Fail("a string ends in a lone backslash");
        c = s[i];
        switch (c) {
        case 'n': out.push_back('\n'); break;
        case 't': out.push_back('\t'); break;
        case 'r': out.push_back('\r'); break;
        case 'a': out.push_back('\a'); break;
        case 'b': out.push_back('\b'); break;
        case 'f': out.push_back('\f'); break;
        case 'v': out.push_back('\v'); break;
        case '\\': case '"': case '\'': case '?': out.push_back(c); break;
        case 'x': {
            unsigned v = 0;
            size_t digits = 0;
            for (; i + 1 < s.size() - 1 && std::isxdigit(static_cast<unsigned char>(s[i + 1])); ++digits, ++i) {
                const char d = s[i + 1];
                v = (v * 16 + unsigned(d <= '9' ? d - '0' : (d | 0x20) - 'a' + 10)) & 0xFF;
            }
            if (digits == 0) Fail("\\x without hexadecimal digits");
            out.push_back(char(v));
            break;
        }
        default:
            if (c >= '0' && c <= '7') {
                unsigned v = unsigned(c - '0');
                for (int k = 0; k < 2 && i + 1 < s.size() - 1 && s[i + 1] >= '0' && s[i + 1] <= '7'; ++k)
                    v = v * 8 + unsigned(s[++i] - '0');
                out.push_back(char(v & 0xFF));
            } else {
                Fail(std::string("unknown escape \\") + c);
            }
        }
    }
    if (!ValidUtf8(out)) Fail("text that is not UTF-8");
    if (out.find('\0') != std::string::npos) Fail("a zero byte in a string");
    return out;
}

std::string& Reader::TargetString(Target target) {
    switch (target) {
    case Target::Context: return *cur_.context;
    case Target::Id: return cur_.id;
    case Target::IdPlural: return *cur_.idPlural;
    case Target::Str: return cur_.strs.back();
    case Target::PreviousContext: return *cur_.previousContext;
    case Target::PreviousId: return *cur_.previousId;
    case Target::None: break;
    }
    Fail("a string without a keyword before it");
}

void Reader::Finish() {
    if (hasId_) {
        if (!hasStr_) Fail("msgid without msgstr");
        if (cur_.idPlural && cur_.strs.size() < 1) Fail("msgid_plural without msgstr[0]");
        if (cur_.IsHeader()) {
            CheckCharset();
            header_ = true;
        } else {
            ++messages_;
        }
        if (!cur_.obsolete && duplicates_) {
            std::string key = cur_.context ? *cur_.context + '\4' : std::string();
            key += cur_.id;
            if (!seen_.insert(std::move(key)).second) {
                line_ = cur_.line;
                Fail("the message " + (cur_.context ? "msgctxt \"" + *cur_.context + "\"" : "\"" + cur_.id + "\"") +
                     " is given twice");
            }
        }
        sink_(std::move(cur_));
    } else if (cur_.context || cur_.previousId || cur_.previousContext) {
        Fail("msgctxt without msgid");
    }
    cur_ = PoMessage{};
    hasId_ = hasStr_ = started_ = false;
    target_ = previousTarget_ = Target::None;
}

void Reader::Previous(std::string_view rest) {
    rest = TrimLeft(rest);
    if (rest.rfind("msgctxt", 0) == 0) {
        cur_.previousContext = Quoted(rest.substr(7));
        previousTarget_ = Target::PreviousContext;
    } else if (rest.rfind("msgid_plural", 0) == 0) {
        Quoted(rest.substr(12)); // the previous plural is not kept
        previousTarget_ = Target::None;
    } else if (rest.rfind("msgid", 0) == 0) {
        cur_.previousId = Quoted(rest.substr(5));
        previousTarget_ = Target::PreviousId;
    } else if (!rest.empty() && rest.front() == '"') {
        if (previousTarget_ == Target::None) Fail("a string without a keyword before it");
        TargetString(previousTarget_) += Quoted(rest);
    } else {
        Fail("a previous string (#|) was expected");
    }
}

void Reader::Comment(std::string_view line) {
    if (hasStr_) Finish();
    if (hasId_) Fail("a comment between msgid and msgstr");
    started_ = true;
    const char kind = line.size() > 1 ? line[1] : ' ';
    std::string_view rest = line.substr(line.size() > 1 ? 2 : 1);
    switch (kind) {
    case '.': cur_.extracted.emplace_back(Trim(rest)); break;
    case ':': cur_.references.emplace_back(Trim(rest)); break;
    case '|': Previous(rest); break;
    case ',':
        for (size_t start = 0; start <= rest.size();) {
            size_t comma = rest.find(',', start);
            if (comma == std::string_view::npos) comma = rest.size();
            const std::string_view flag = Trim(rest.substr(start, comma - start));
            if (!flag.empty()) cur_.flags.emplace_back(flag);
            start = comma + 1;
        }
        break;
    default: {
        rest = line.substr(1);
        if (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
        cur_.comments.emplace_back(rest);
    }
    }
}

void Reader::Keyword(std::string_view line, bool obsolete) {
    line = TrimLeft(line);
    if (line.empty()) return;
    if (line.front() == '"') {
        if (target_ == Target::None) Fail("a string without a keyword before it");
        TargetString(target_) += Quoted(line);
        return;
    }
    size_t end = 0;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '"') ++end;
    const std::string_view word = line.substr(0, end);
    const std::string_view value = line.substr(end);
    if (word == "msgctxt" || word == "msgid") {
        if (hasStr_) Finish();
        if (hasId_) Fail(std::string(word) + " before the msgstr of the message above");
    }
    cur_.obsolete = obsolete;
    if (word == "msgctxt") {
        if (cur_.context) Fail("a second msgctxt");
        cur_.context = Quoted(value);
        target_ = Target::Context;
    } else if (word == "msgid") {
        cur_.id = Quoted(value);
        cur_.line = line_;
        hasId_ = true;
        target_ = Target::Id;
    } else if (word == "msgid_plural") {
        if (!hasId_ || hasStr_ || cur_.idPlural) Fail("msgid_plural out of place");
        cur_.idPlural = Quoted(value);
        target_ = Target::IdPlural;
    } else if (word == "msgstr" || (word.rfind("msgstr[", 0) == 0 && word.back() == ']')) {
        if (!hasId_) Fail("msgstr without msgid");
        const bool plural = word != "msgstr";
        if (plural != bool(cur_.idPlural)) Fail(plural ? "msgstr[N] without msgid_plural" : "msgstr after msgid_plural");
        if (plural && word.substr(7, word.size() - 8) != std::to_string(cur_.strs.size()))
            Fail("msgstr[N] out of order");
        if (!plural && hasStr_) Fail("a second msgstr");
        cur_.strs.push_back(Quoted(value));
        hasStr_ = true;
        target_ = Target::Str;
    } else {
        Fail("unknown keyword \"" + std::string(word.substr(0, 40)) + "\"");
    }
}

// The encoding a file's first bytes show when it is UTF-16 or UTF-32: by
// the byte order mark, else by the zero bytes beside the first character.
const char* WideEncoding(std::string_view s) {
    const auto starts = [&](std::string_view head) { return s.substr(0, head.size()) == head; };
    using namespace std::string_view_literals;
    if (starts("\xFF\xFE\0\0"sv) || starts("\0\0\xFE\xFF"sv)) return "UTF-32";
    if (starts("\xFF\xFE"sv) || starts("\xFE\xFF"sv)) return "UTF-16";
    if (s.size() >= 4 && ((s[0] != 0 && s[1] == 0 && s[2] == 0 && s[3] == 0) ||
                          (s[0] == 0 && s[1] == 0 && s[2] == 0 && s[3] != 0)))
        return "UTF-32";
    if (s.size() >= 2 && (s[0] == 0) != (s[1] == 0)) return "UTF-16";
    return nullptr;
}

void Reader::Line(std::string_view line) {
    ++line_;
    if (line_ == 1) {
        if (const char* wide = WideEncoding(line)) throw Error(name_ + " is " + wide + ": save it as UTF-8");
        if (line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
    }
    // A line ends at its line feed and any carriage returns before it, so
    // that what the writer puts out reads back the same.
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lineCr_ = line.find('\r') != std::string_view::npos;
    loneCr_ = loneCr_ || lineCr_;
    if (Trim(line).empty()) {
        if (hasStr_) Finish();
        return;
    }
    if (line.rfind("#~", 0) == 0) {
        std::string_view rest = line.substr(2);
        if (!rest.empty() && rest.front() == '|') {
            if (hasStr_) Finish();
            Previous(rest.substr(1));
            return;
        }
        Keyword(rest, true);
    } else if (line.front() == '#') {
        Comment(line);
    } else {
        Keyword(line, false);
    }
}

void Reader::End() {
    ++line_;
    Finish();
    if (messages_ > 0) return;
    const std::string why = loneCr_    ? OldMacLines
                            : header_  ? "nothing after the header"
                            : line_ > 1 ? "no msgid in " + std::to_string(line_ - 1) + " lines"
                                       : "the file is empty";
    throw Error("Damaged translation " + name_ + ": no messages (" + why + ")");
}

void Reader::CheckCharset() {
    PoFile one;
    one.messages.push_back(cur_);
    const std::string type = one.HeaderField("Content-Type");
    const size_t at = LowerCaseAscii(type).find("charset=");
    if (at == std::string::npos) return;
    // "charset=UTF-8; format=flowed": the parameters after it do not count.
    std::string_view value = std::string_view(type).substr(at + 8);
    value = value.substr(0, value.find(';'));
    const std::string charset(Trim(value));
    const std::string lower = LowerCaseAscii(charset);
    if (lower != "utf-8" && lower != "utf8" && charset != "CHARSET") {
        line_ = cur_.line;
        Fail("the charset is " + charset + "; save the translation as UTF-8");
    }
}

} // namespace

bool PoMessage::Fuzzy() const {
    for (const std::string& f : flags)
        if (f == "fuzzy") return true;
    return false;
}

void PoMessage::SetFuzzy(bool fuzzy) {
    std::erase(flags, std::string("fuzzy"));
    if (fuzzy) flags.insert(flags.begin(), "fuzzy");
}

const std::string& PoMessage::Str() const {
    static const std::string none;
    return strs.empty() ? none : strs.front();
}

bool PoMessage::Translated() const {
    for (const std::string& s : strs)
        if (s.empty()) return false;
    return !strs.empty();
}

const PoMessage* PoFile::Header() const {
    for (const PoMessage& m : messages)
        if (m.IsHeader()) return &m;
    return nullptr;
}

std::string PoFile::HeaderField(std::string_view name) const {
    const PoMessage* header = Header();
    if (!header) return "";
    const std::string& text = header->Str();
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view line(text.data() + start, end - start);
        const size_t colon = line.find(':');
        if (colon != std::string_view::npos && SameTextAscii(Trim(line.substr(0, colon)), name))
            return std::string(Trim(line.substr(colon + 1)));
        start = end + 1;
    }
    return "";
}

void SetHeaderField(PoMessage& header, std::string_view name, const std::string& value) {
    if (header.strs.empty()) header.strs.emplace_back();
    std::string& text = header.strs.front();
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view line(text.data() + start, end - start);
        const size_t colon = line.find(':');
        if (colon != std::string_view::npos && SameTextAscii(Trim(line.substr(0, colon)), name)) {
            text.replace(start, end - start, std::string(name) + ": " + value);
            return;
        }
        start = end + 1;
    }
    if (!text.empty() && text.back() != '\n') text += '\n';
    text += std::string(name) + ": " + value + "\n";
}

PoFile ReadPo(std::string_view bytes, const std::string& name) {
    PoFile file;
    const PoSink sink = [&file](PoMessage&& m) { file.messages.push_back(std::move(m)); };
    Reader reader(name, sink, true);
    for (size_t start = 0; start < bytes.size();) {
        size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        reader.Line(bytes.substr(start, end - start));
        start = end + 1;
    }
    reader.End();
    return file;
}

PoFile ReadPoFile(const std::string& path) {
    const std::vector<unsigned char> bytes = ReadWholeFile(path);
    return ReadPo(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), path);
}

void ReadPoStream(const std::string& path, const PoSink& sink) {
    const File file = OpenReadNotShared(path);
    const int64_t size = FileSizeOf(file.Fd());
    if (size < 0) ThrowReadError();
    Reader reader(path, sink, false);
    constexpr size_t Piece = 1 << 20;
    std::string buffer, rest;
    for (int64_t at = 0; at < size;) {
        const size_t n = size_t(std::min<int64_t>(Piece, size - at));
        buffer.resize(n);
        ReadAt(file.Fd(), buffer.data(), n, at);
        at += int64_t(n);
        size_t start = 0;
        for (size_t lf = buffer.find('\n'); lf != std::string::npos; lf = buffer.find('\n', start)) {
            if (rest.empty()) {
                reader.Line(std::string_view(buffer).substr(start, lf - start));
            } else {
                rest.append(buffer, start, lf - start);
                reader.Line(rest);
                rest.clear();
            }
            start = lf + 1;
        }
        rest.append(buffer, start, std::string::npos);
    }
    if (!rest.empty()) reader.Line(rest);
    reader.End();
}

} // namespace pw::texts
