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

// Where an INI-style block's text stands: from `start` to `end`, which is
// `rawEnd` (the next header, or the end) less the line end before it.
struct IniSpan {
    size_t start = 0, end = 0, rawEnd = 0;
};

// Each block's span (none for a header the container cannot find), or none
// when the container would not read the file.
std::optional<std::vector<std::optional<IniSpan>>> IniSpans(std::string_view d) {
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
    std::vector<std::optional<IniSpan>> spans(count);
    for (uint32_t k = 0; k < count; ++k) {
        const std::optional<size_t> found = find(k, 0);
        if (!found) continue;
        IniSpan& span = spans[k].emplace();
        span.start = *found + HeaderLength + 2;
        span.end = span.rawEnd = find(k + 1, *found).value_or(d.size());
        if (span.end >= span.start + 2) {
            if (d[span.end - 2] == '\r')
                span.end -= 2;
            else if (d[span.end - 1] == '\n')
                span.end -= 1;
        }
    }
    return spans;
}

std::optional<std::vector<Block>> ReadIni(std::string_view whole) {
    const std::string_view d = UpToZero(whole);
    const auto spans = IniSpans(d);
    if (!spans) return std::nullopt;
    std::vector<Block> blocks(spans->size());
    for (size_t k = 0; k < spans->size(); ++k)
        if (const auto& span = (*spans)[k])
            blocks[k].text = span->end <= span->start ? std::string()
                                                      : LinuxLines(d.substr(span->start, span->end - span->start));
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

std::vector<LineSpan> TextLineSpans(std::string_view data) {
    const std::string_view d = UpToZero(data);
    std::vector<LineSpan> lines;
    size_t start = 0, i = 0;
    while (i < d.size()) {
        const char c = d[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        const size_t end = i;
        i += (c == '\r' && i + 1 < d.size() && d[i + 1] == '\n') ? 2 : 1;
        lines.push_back({start, end, i});
        start = i;
    }
    if (start < d.size()) lines.push_back({start, d.size(), d.size()});
    return lines;
}

std::vector<std::string> SplitTextLines(std::string_view data) {
    std::vector<std::string> lines;
    for (const LineSpan& l : TextLineSpans(data)) lines.emplace_back(data.substr(l.start, l.end - l.start));
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
        if (kept && JoinLines(file.blocks[k].lines) == texts[k]) {
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

namespace {

// The INI-style text as stored: every line feed as CR LF.
std::string IniText(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

// Where each block's text lines stand in a Zivora-style file (from the
// line after its header to its end line), and the line end its header
// line has; none when a block has no end line.
struct ZivoraSpan {
    size_t start = 0, end = 0;
    std::string_view lineEnd;
};

std::optional<std::vector<ZivoraSpan>> ZivoraSpans(std::string_view data) {
    const std::vector<LineSpan> lines = TextLineSpans(data);
    std::vector<ZivoraSpan> spans;
    size_t pos = 0;
    while (lines.size() > pos + 2) {
        const LineSpan& header = lines[pos + 1];
        pos += 2;
        while (pos < lines.size() && data.substr(lines[pos].start, lines[pos].end - lines[pos].start) != EndMarker)
            ++pos;
        if (pos >= lines.size()) return std::nullopt;
        const std::string_view lineEnd = data.substr(header.end, header.next - header.end);
        spans.push_back({header.next, lines[pos].start, lineEnd.empty() ? std::string_view("\r\n") : lineEnd});
        ++pos;
    }
    return spans;
}

} // namespace

std::optional<std::string> ReplaceTexts(Style style, std::string_view data, const std::map<size_t, std::string>& texts) {
    // Each block's place and new bytes, in file order.
    std::vector<std::pair<std::pair<size_t, size_t>, std::string>> edits;
    if (style == Style::Ini) {
        const auto spans = IniSpans(UpToZero(data));
        if (!spans) return std::nullopt;
        for (const auto& [k, text] : texts) {
            if (k >= spans->size() || !(*spans)[k] || (*spans)[k]->end < (*spans)[k]->start) return std::nullopt;
            const IniSpan& span = *(*spans)[k];
            std::string bytes = IniText(UpToZero(text));
            // An empty block without the line end the reader takes off.
            if (span.end == span.start && span.rawEnd == span.end) bytes += "\r\n";
            edits.push_back({{span.start, span.end}, std::move(bytes)});
        }
    } else {
        const auto spans = ZivoraSpans(data);
        if (!spans) return std::nullopt;
        for (const auto& [k, text] : texts) {
            if (k >= spans->size()) return std::nullopt;
            const ZivoraSpan& span = (*spans)[k];
            std::string bytes;
            const std::string_view body = UpToZero(text);
            for (size_t start = 0; !body.empty() && start <= body.size();) {
                size_t lf = body.find('\n', start);
                if (lf == std::string_view::npos) lf = body.size();
                bytes.append(body.substr(start, lf - start)).append(span.lineEnd);
                start = lf + 1;
            }
            edits.push_back({{span.start, span.end}, std::move(bytes)});
        }
    }
    std::string out;
    size_t at = 0;
    for (const auto& [range, bytes] : edits) {
        if (range.first < at || range.second > data.size()) return std::nullopt;
        out.append(data.substr(at, range.first - at)).append(bytes);
        at = range.second;
    }
    out.append(data.substr(at));
    return out;
}

} // namespace pw::layout
