#include "packs/texts/TextEntries.h"

#include <algorithm>

#include "core/Error.h"
#include "core/FileIO.h"

namespace pw::texts {

std::string EntryBytes(const PackReader& pack, size_t k) {
    const int32_t size = pack.Index().Size(k);
    // An entry that lies outside the data file holds no text to read, as
    // CountTextEntries takes it.
    if (size <= 0 || !pack.Inside(k)) return {};
    const int64_t offset = pack.Offset(k);
    std::string bytes(size_t(size), '\0');
    ReadAt(pack.Data().Fd(), bytes.data(), bytes.size(), offset);
    return bytes;
}

std::optional<TextEntry> ReadTextEntry(const std::string& bytes) {
    const std::optional<layout::Style> style = layout::StyleOf(bytes);
    if (!style) return std::nullopt;
    return TextEntry{*style, layout::ReadBlocks(*style, bytes)};
}

size_t CountTextEntries(const PackReader& pack) {
    size_t count = 0;
    char head[64];
    for (size_t k = 0; k < pack.Index().Count(); ++k) {
        const int32_t size = pack.Index().Size(k);
        if (size <= 0 || !pack.Inside(k)) continue;
        const size_t n = std::min(sizeof head, size_t(size));
        ReadAt(pack.Data().Fd(), head, n, pack.Offset(k));
        if (layout::StyleOf(std::string_view(head, n))) ++count;
    }
    return count;
}

std::string ContextOf(size_t entry, size_t block) { return std::to_string(entry) + ":" + std::to_string(block); }

bool ParseContext(const std::string& context, size_t& entry, size_t& block) {
    const size_t colon = context.find(':');
    if (colon == std::string::npos) return false;
    auto number = [](const std::string& s, size_t& out) {
        if (s.empty() || s.size() > 9 || (s.size() > 1 && s[0] == '0')) return false;
        for (char c : s)
            if (c < '0' || c > '9') return false;
        out = std::stoul(s);
        return true;
    };
    return number(context.substr(0, colon), entry) && number(context.substr(colon + 1), block);
}

} // namespace pw::texts
