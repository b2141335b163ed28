#include "packs/texts/TextChecks.h"

#include <algorithm>

namespace pw::texts {

std::vector<std::string> Placeholders(std::string_view s) {
    std::vector<std::string> found;
    auto digit = [&](size_t i) { return i < s.size() && s[i] >= '0' && s[i] <= '9'; };
    for (size_t i = s.find('%'); i != std::string_view::npos; i = s.find('%', i)) {
        size_t p = i + 1;
        if (p < s.size() && s[p] == '%') {
            found.emplace_back("%%");
            i = p + 1;
            continue;
        }
        size_t q = p;
        while (digit(q)) ++q;
        if (q > p && q < s.size() && s[q] == '$') p = q + 1; // a position
        while (p < s.size() && std::string_view("-+#0").find(s[p]) != std::string_view::npos) ++p;
        if (p < s.size() && s[p] == '*') ++p;
        else
            while (digit(p)) ++p;
        if (p < s.size() && s[p] == '.') {
            ++p;
            if (p < s.size() && s[p] == '*') ++p;
            else
                while (digit(p)) ++p;
        }
        for (std::string_view length : {"hh", "ll", "I64", "I32", "h", "l", "L", "q", "j", "z", "t"})
            if (s.substr(p, length.size()) == length) {
                p += length.size();
                break;
            }
        if (p < s.size() && std::string_view("diouxXeEfFgGaAcspn").find(s[p]) != std::string_view::npos) {
            found.emplace_back(s.substr(i, p + 1 - i));
            i = p + 1;
        } else {
            i = i + 1;
        }
    }
    return found;
}

std::vector<std::string> Tokens(std::string_view s) {
    std::vector<std::string> found;
    auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); };
    for (size_t i = s.find("{0x"); i != std::string_view::npos; i = s.find("{0x", i + 1))
        if (i + 6 <= s.size() && hex(s[i + 3]) && hex(s[i + 4]) && s[i + 5] == '}') {
            std::string t(s.substr(i, 6));
            for (char& c : t)
                if (c >= 'a' && c <= 'f' && &c != &t[2]) c = char(c - 'a' + 'A');
            found.push_back(std::move(t));
        }
    std::sort(found.begin(), found.end());
    return found;
}

std::string LayoutProblem(layout::Style style, std::string_view bytes) {
    if (bytes.find('\0') != std::string_view::npos) return "it holds a zero byte, which ends a text in the game's file";
    if (style == layout::Style::Ini) {
        if (bytes.find("[0x") != std::string_view::npos)
            return "it holds \"[0x\", which an INI-style entry takes for a block header";
        return "";
    }
    if (bytes.find('\r') != std::string_view::npos)
        return "it holds a carriage return ({0x0D}), which a Zivora-style entry takes for a line break";
    for (size_t start = 0; start <= bytes.size();) {
        size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        if (bytes.substr(start, end - start) == layout::EndMarker)
            return "a line of it is \"#E#N#D#\", which ends a Zivora-style block";
        start = end + 1;
    }
    return "";
}

} // namespace pw::texts
