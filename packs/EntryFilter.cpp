#include "packs/EntryFilter.h"

#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/Scan.h"

namespace pw {

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// All of `digits` as a number in `base`, held at UINT64_MAX when larger (no
// pack has that many entries); none when empty or when a character is no digit.
std::optional<uint64_t> ParseNumber(std::string_view digits, int base) {
    if (digits.empty()) return {};
    uint64_t value = 0;
    for (char c : digits) {
        int d = DigitValue(c);
        if (d >= base) return {};
        value = value > (UINT64_MAX - uint64_t(d)) / uint64_t(base) ? UINT64_MAX : value * uint64_t(base) + uint64_t(d);
    }
    return value;
}

// "#N" or "#0xN"; none for anything else after the "#".
std::optional<uint64_t> ParseHashIndex(std::string_view text) {
    text.remove_prefix(1);
    if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return ParseNumber(text.substr(2), 16);
    return ParseNumber(text, 10);
}

std::string Quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

} // namespace

EntryPattern ParseEntryPattern(const std::string& text) {
    EntryPattern p;
    if (text.empty() || text[0] != '#') {
        p.Mask = text;
        return p;
    }
    p.Index = ParseHashIndex(text);
    if (!p.Index) throw Error("Bad entry number " + text);
    return p;
}

bool Matches(const EntryPattern& pattern, size_t index, std::string_view name) {
    if (pattern.Index) return *pattern.Index == index;
    return MatchesMask(name, pattern.Mask);
}

std::string EntryType(std::string_view entryName) {
    std::string type = UpperCaseAscii(ExtractFileExt(entryName, EntryNameSeparators));
    if (!type.empty()) type.erase(0, 1);
    return type;
}

bool TypeMatches(std::string_view entryName, std::string_view type) {
    if (!type.empty() && type[0] == '.') type.remove_prefix(1);
    return SameTextAscii(EntryType(entryName), type);
}

EntryFilter::EntryFilter(const std::vector<std::string>& patterns, std::optional<std::string> type)
    : type_(std::move(type)) {
    for (const std::string& p : patterns) patterns_.push_back(ParseEntryPattern(p));
}

bool EntryFilter::Accepts(size_t index, std::string_view name) const {
    if (type_ && !TypeMatches(name, *type_)) return false;
    if (patterns_.empty()) return true;
    for (const EntryPattern& p : patterns_)
        if (Matches(p, index, name)) return true;
    return false;
}

std::vector<bool> EntryFilter::Select(const PackIndex& index) const {
    std::vector<bool> chosen(index.Count());
    for (size_t k = 0; k < index.Count(); ++k) chosen[k] = Accepts(k, index.Entry(k).Name);
    return chosen;
}

size_t FindEntry(const PackIndex& index, const std::string& entry, const std::string& indexPath) {
    const std::optional<uint64_t> number =
        !entry.empty() && entry[0] == '#' ? ParseEntryPattern(entry).Index : ParseNumber(entry, 10);
    const size_t n = index.Count();
    if (number) {
        if (*number >= n)
            throw Error("No entry " + entry + " in " + indexPath + ": it has " + std::to_string(n) +
                        (n == 1 ? " entry" : " entries"));
        return size_t(*number);
    }

    constexpr size_t Shown = 10;
    std::vector<size_t> found;
    std::string listed;
    for (size_t k = 0; k < n; ++k) {
        std::string name = index.Entry(k).Name;
        if (!SameTextAscii(name, entry)) continue;
        found.push_back(k);
        if (found.size() <= Shown) listed += (found.size() > 1 ? ", #" : "#") + std::to_string(k) + " " + name;
    }
    if (found.empty()) throw Error("No entry named " + Quoted(entry) + " in " + indexPath);
    if (found.size() > 1) {
        if (found.size() > Shown) listed += " and " + std::to_string(found.size() - Shown) + " more";
        throw Error("Entry name " + Quoted(entry) + " is ambiguous in " + indexPath + ": " + listed +
                    "; name one by its number");
    }
    return found[0];
}

} // namespace pw
