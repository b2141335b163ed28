#include "textobject/layout/TextLayout.h"

#include <algorithm>
#include <cstring>

namespace pw::layout {

namespace {

constexpr size_t HeaderLength = 12; // "[0x" + 8 digits + "]"

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// True when the 12 bytes at `at` are an exact header; value receives its number.
bool ExactHeader(std::string_view d, size_t at, uint32_t& value) {
    if (at + HeaderLength > d.size() || d.compare(at, 3, "[0x") != 0 || d[at + 11] != ']') return false;
    uint32_t v = 0;
    for (size_t i = at + 3; i < at + 11; ++i) {
        const char c = d[i];
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
        v = v << 4 | uint32_t(HexDigit(c));
    }
    value = v;
    return true;
}

std::string_view UpToZero(std::string_view data) {
    const size_t zero = data.find('\0');
    return zero == std::string_view::npos ? data : data.substr(0, zero);
}

// CR LF as a line feed alone; a CR before any other byte stays.
std::string LinuxLines(std::string_view in) {
    std::string out;
    out.reserve(in.size());
    size_t lineStart = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\n') continue;
        size_t lineEnd = i;
        if (lineEnd > lineStart && in[lineEnd - 1] == '\r') --lineEnd;
        out.append(in.substr(lineStart, lineEnd - lineStart));
        out.push_back('\n');
        lineStart = i + 1;
    }
    out.append(in.substr(lineStart));
    return out;
}

std::optional<std::vector<Block>> ReadIni(std::string_view whole) {
    const std::string_view d = UpToZero(whole);
    // The preload: every "[0x" is a header numbered by the hexadecimal
    // digits after it; the numbers must count up from 0.
    uint32_t expected = 0;
    for (size_t at = d.find("[0x"); at != std::string_view::npos;) {
        uint32_t n = 0;
        for (size_t p = at + 3; p < d.size() && HexDigit(d[p]) >= 0; ++p) n = n << 4 | uint32_t(HexDigit(d[p]));
        if (n != expected) return std::nullopt;
        ++expected;
        if (at + HeaderLength >= d.size()) break;
        at = d.find("[0x", at + HeaderLength);
    }
    const uint32_t count = expected;
    // Where each number's exact headers stand, in file order.
    std::vector<std::vector<size_t>> places(size_t(count) + 1);
    for (size_t at = d.find("[0x"); at != std::string_view::npos; at = d.find("[0x", at + 1)) {
        uint32_t v = 0;
        if (ExactHeader(d, at, v) && v <= count) places[v].push_back(at);
    }
    auto find = [&](uint32_t v, size_t from) -> std::optional<size_t> {
        const std::vector<size_t>& p = places[v];
        const auto it = std::lower_bound(p.begin(), p.end(), from);
        return it == p.end() ? std::nullopt : std::optional<size_t>(*it);
    };
    std::vector<Block> blocks(count);
    for (uint32_t k = 0; k < count; ++k) {
        const std::optional<size_t> found = find(k, 0);
        if (!found) continue;
        size_t end = find(k + 1, *found).value_or(d.size());
        const size_t start = *found + HeaderLength + 2;
        if (end >= start + 2) {
            if (d[end - 2] == '\r')
                end -= 2;
            else if (d[end - 1] == '\n')
                end -= 1;
        }
        blocks[k].text = end <= start ? std::string() : LinuxLines(d.substr(start, end - start));
    }
    return blocks;
}

// Zivora-style blocks as lines: separator, header, text lines; the lines
// after the last block that the reader passes over are the tail.
struct ZivoraFile {
    struct Item {
        std::string separator, header;
        std::vector<std::string> lines;
    };
    std::vector<Item> blocks;
    std::vector<std::string> tail;
};

std::optional<ZivoraFile> ParseZivora(std::string_view data) {
    std::vector<std::string> lines = SplitTextLines(data);
    ZivoraFile file;
    size_t pos = 0;
    while (lines.size() > pos + 2) {
        ZivoraFile::Item item{std::move(lines[pos]), std::move(lines[pos + 1]), {}};
        pos += 2;
        while (pos < lines.size() && lines[pos] != EndMarker) item.lines.push_back(std::move(lines[pos++]));
        if (pos >= lines.size()) return std::nullopt;
        ++pos;
        file.blocks.push_back(std::move(item));
    }
    for (; pos < lines.size(); ++pos) file.tail.push_back(std::move(lines[pos]));
    return file;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text.push_back('\n');
        text += lines[i];
    }
    return text;
}

void AppendLine(std::string& out, std::string_view line) {
    out.append(line);
    out.append("\r\n");
}

} // namespace

const char* StyleName(Style style) { return style == Style::Ini ? "INI-style" : "Zivora-style"; }

std::vector<std::string> SplitTextLines(std::string_view data) {
    const std::string_view d = UpToZero(data);
    std::vector<std::string> lines;
    size_t start = 0, i = 0;
    while (i < d.size()) {
        const char c = d[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lines.emplace_back(d.substr(start, i - start));
        i += (c == '\r' && i + 1 < d.size() && d[i + 1] == '\n') ? 2 : 1;
        start = i;
    }
    if (start < d.size()) lines.emplace_back(d.substr(start));
    return lines;
}

std::optional<Style> StyleOf(std::string_view data) {
    if (data.substr(0, FirstIniHeader.size()) == FirstIniHeader) return Style::Ini;
    if (data.substr(0, Separator.size()) != Separator) return std::nullopt;
    std::string_view rest = data.substr(Separator.size());
    if (rest.substr(0, 2) == "\r\n")
        rest.remove_prefix(2);
    else if (!rest.empty() && (rest[0] == '\r' || rest[0] == '\n'))
        rest.remove_prefix(1);
    else
        return std::nullopt;
    if (rest.substr(0, HeaderMarker.size()) == HeaderMarker) return Style::Zivora;
    return std::nullopt;
}

std::optional<std::vector<Block>> ReadBlocks(Style style, std::string_view data) {
    if (style == Style::Ini) return ReadIni(data);
    std::optional<ZivoraFile> file = ParseZivora(data);
    if (!file) return std::nullopt;
    std::vector<Block> blocks;
    blocks.reserve(file->blocks.size());
    for (const ZivoraFile::Item& item : file->blocks) blocks.push_back({JoinLines(item.lines)});
    return blocks;
}

std::string IniBlock(uint32_t number, std::string_view text) {
    static const char digits[] = "0123456789ABCDEF";
    const std::string_view body = UpToZero(text);
    std::string block = "[0x";
    block.reserve(HeaderLength + 4 + body.size() + body.size() / 8);
    for (int shift = 28; shift >= 0; shift -= 4) block.push_back(digits[(number >> shift) & 15]);
    block += "]\r\n";
    for (char c : body) {
        if (c == '\n') block.push_back('\r');
        block.push_back(c);
    }
    block += "\r\n";
    return block;
}

std::string WriteBlocks(Style style, std::string_view original, const std::vector<std::string>& texts) {
    std::string out;
    if (style == Style::Ini) {
        for (size_t k = 0; k < texts.size(); ++k) out += IniBlock(uint32_t(k), texts[k]);
        return out;
    }
    ZivoraFile file = ParseZivora(original).value_or(ZivoraFile{});
    for (size_t k = 0; k < texts.size(); ++k) {
        const bool kept = k < file.blocks.size();
        AppendLine(out, kept ? std::string_view(file.blocks[k].separator) : Separator);
        AppendLine(out, kept ? file.blocks[k].header
                             : std::string(HeaderMarker) + "0#" + std::to_string(k) + "#");
        if (kept && JoinLines(file.blocks[k].lines) == texts[k] && !file.blocks[k].lines.empty()) {
            for (const std::string& line : file.blocks[k].lines) AppendLine(out, line);
        } else {
            const std::string_view text = UpToZero(texts[k]);
            size_t start = 0;
            for (size_t lf = text.find('\n'); lf != std::string_view::npos; lf = text.find('\n', start)) {
                AppendLine(out, text.substr(start, lf - start));
                start = lf + 1;
            }
            AppendLine(out, text.substr(start));
        }
        AppendLine(out, EndMarker);
    }
    for (const std::string& line : file.tail) AppendLine(out, line);
    return out;
}

} // namespace pw::layout
