#include "packs/texts/CodePage.h"

#include <algorithm>
#include <cstdio>

#include "core/CodePages.h"
#include "core/Error.h"
#include "core/FileNames.h"

namespace pw::texts {

namespace {

bool DoubleByte(unsigned number) { return number == 932 || number == 936 || number == 949 || number == 950; }

unsigned NumberOf(const std::string& given) {
    std::string s = LowerCaseAscii(given);
    static const std::pair<const char*, unsigned> aliases[] = {
        {"shift_jis", 932}, {"sjis", 932}, {"gbk", 936}, {"gb2312", 936}, {"uhc", 949}, {"big5", 950}};
    for (const auto& [alias, number] : aliases)
        if (s == alias) return number;
    for (const char* prefix : {"windows-", "cp", "ms"})
        if (s.rfind(prefix, 0) == 0) {
            s.erase(0, std::char_traits<char>::length(prefix));
            break;
        }
    if (s.empty() || s.size() > 5 || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    const unsigned n = unsigned(std::stoul(s));
    return (n >= 1250 && n <= 1258) || n == 874 || DoubleByte(n) ? n : 0;
}

// A character worth a table place: no control character, no surrogate.
bool Printable(char32_t c) {
    return c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0) && !(c >= 0xD800 && c <= 0xDFFF) && c <= 0x10FFFF;
}

bool ControlByte(unsigned char b) { return (b < 0x20 && b != '\n' && b != '\t') || b == 0x7F; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The byte of a token "{0xHH}" at s[at], or -1.
int TokenAt(std::string_view s, size_t at) {
    if (at + 6 > s.size() || s[at] != '{' || s[at + 1] != '0' || s[at + 2] != 'x' || s[at + 5] != '}') return -1;
    const int hi = HexValue(s[at + 3]), lo = HexValue(s[at + 4]);
    return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

void AppendToken(std::string& out, unsigned char b) {
    static const char digits[] = "0123456789ABCDEF";
    out += "{0x";
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
    out.push_back('}');
}

// The character at s[at] of valid UTF-8, and its length.
char32_t NextUtf8(std::string_view s, size_t& at) {
    const unsigned char b = static_cast<unsigned char>(s[at]);
    int n = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
    char32_t c = n == 0 ? b : n == 1 ? b & 0x1F : n == 2 ? b & 0x0F : b & 0x07;
    ++at;
    for (; n > 0 && at < s.size(); --n, ++at) c = c << 6 | (static_cast<unsigned char>(s[at]) & 0x3F);
    return c;
}

} // namespace

CodePage::CodePage(const std::string& given) {
    const unsigned number = NumberOf(given);
    if (number == 0) throw Error("Unknown code page " + given);
    name_ = "windows-" + std::to_string(number);
    const CodePageDecoder decoder(number);
    char32_t c = 0;
    for (unsigned b = 0x20; b < 256; ++b) {
        const unsigned char byte = static_cast<unsigned char>(b);
        if (decoder.Decode(&byte, 1, c) && Printable(c)) single_[b] = c;
    }
    if (DoubleByte(number)) {
        pairs_.assign(256 * 256, 0);
        for (unsigned lead = 0x81; lead < 0xFF; ++lead) {
            if (single_[lead] != 0) continue;
            for (unsigned trail = 0x40; trail < 0xFF; ++trail) {
                const unsigned char pair[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
                if (decoder.Decode(pair, 2, c) && Printable(c)) {
                    pairs_[lead * 256 + trail] = c;
                    lead_[lead] = true;
                }
            }
        }
    }
    // Where two byte sequences stand for one character, the first is written.
    for (unsigned b = 0; b < 256; ++b)
        if (single_[b] != 0) bytesOf_.try_emplace(single_[b], uint16_t(b));
    for (size_t i = 0; i < pairs_.size(); ++i)
        if (pairs_[i] != 0) bytesOf_.try_emplace(pairs_[i], uint16_t(i));
}

std::string CodePage::Decode(std::string_view bytes) const {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b == '\n' || b == '\t') {
            out.push_back(char(b));
        } else if (ControlByte(b)) {
            AppendToken(out, b);
        } else if (b == '{' && TokenAt(bytes, i) >= 0) {
            out += "{0x7B}";
        } else if (single_[b] != 0) {
            AppendUtf8(out, single_[b]);
        } else if (lead_[b] && i + 1 < bytes.size() && pairs_[b * 256 + static_cast<unsigned char>(bytes[i + 1])] != 0) {
            AppendUtf8(out, pairs_[b * 256 + static_cast<unsigned char>(bytes[++i])]);
        } else {
            AppendToken(out, b);
        }
    }
    return out;
}

std::string CodePage::Encode(std::string_view s, std::vector<char32_t>& missing) const {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        if (const int token = TokenAt(s, i); token >= 0) {
            out.push_back(char(token));
            i += 6;
            continue;
        }
        const char32_t c = NextUtf8(s, i);
        if (c < 0x20 || c == 0x7F) {
            out.push_back(char(c));
            continue;
        }
        const auto it = bytesOf_.find(c);
        if (it == bytesOf_.end()) {
            if (std::find(missing.begin(), missing.end(), c) == missing.end()) missing.push_back(c);
            continue;
        }
        if (it->second >= 256) out.push_back(char(it->second >> 8));
        out.push_back(char(it->second & 0xFF));
    }
    return out;
}

const std::vector<CodePageChoice>& SupportedCodePages() {
    static const std::vector<CodePageChoice> pages = {
        {"windows-1250", "Central European"}, {"windows-1251", "Cyrillic"},  {"windows-1252", "Western European"},
        {"windows-1253", "Greek"},            {"windows-1254", "Turkish"},   {"windows-1255", "Hebrew"},
        {"windows-1256", "Arabic"},           {"windows-1257", "Baltic"},    {"windows-1258", "Vietnamese"},
        {"windows-874", "Thai"},              {"windows-932", "Japanese"},   {"windows-936", "Simplified Chinese"},
        {"windows-949", "Korean"},            {"windows-950", "Traditional Chinese"},
    };
    return pages;
}

std::string CodePointName(char32_t c) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", unsigned(c));
    return text;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(char(c));
    } else if (c < 0x800) {
        out.push_back(char(0xC0 | c >> 6));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(char(0xE0 | c >> 12));
        out.push_back(char(0x80 | (c >> 6 & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else {
        out.push_back(char(0xF0 | c >> 18));
        out.push_back(char(0x80 | (c >> 12 & 0x3F)));
        out.push_back(char(0x80 | (c >> 6 & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    }
}

bool ValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const unsigned char b = static_cast<unsigned char>(s[i]);
        int n;
        char32_t min;
        if (b < 0x80) n = 0, min = 0;
        else if (b >= 0xC2 && b < 0xE0) n = 1, min = 0x80;
        else if (b >= 0xE0 && b < 0xF0) n = 2, min = 0x800;
        else if (b >= 0xF0 && b < 0xF5) n = 3, min = 0x10000;
        else return false;
        if (i + size_t(n) >= s.size() && n > 0) return false;
        char32_t c = n == 0 ? b : n == 1 ? b & 0x1F : n == 2 ? b & 0x0F : b & 0x07;
        for (int k = 1; k <= n; ++k) {
            const unsigned char t = static_cast<unsigned char>(s[i + size_t(k)]);
            if ((t & 0xC0) != 0x80) return false;
            c = c << 6 | (t & 0x3F);
        }
        if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        i += size_t(n) + 1;
    }
    return true;
}

} // namespace pw::texts
