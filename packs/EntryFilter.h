#pragma once
// Which entries of a pack a user means. A pattern is either an index number,
// "#N" in decimal or "#0xN" in hexadecimal, or a name pattern in which "*"
// stands for any run of characters and "?" for any one character, letters
// matched in any case (a to z and A to Z only, as everywhere in the program).
// A type is an entry name's extension without its dot, matched in any case,
// as the type folders of an extraction are named.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "packs/PackIndex.h"

namespace pw {

struct EntryPattern {
    std::optional<uint64_t> Index; // "#N", "#0xN"
    std::string Mask;              // a name pattern, when there is no index
};

// "Bad entry number %s" for "#" followed by anything but a number.
EntryPattern ParseEntryPattern(const std::string& text);

bool Matches(const EntryPattern& pattern, size_t index, std::string_view name);

// An entry's type: the extension of its name without the dot, upper-cased;
// empty for a name without extension.
std::string EntryType(std::string_view entryName);
// Whether the entry's type is `type` in any letter case ("tga", ".TGA").
bool TypeMatches(std::string_view entryName, std::string_view type);

// A choice of entries: those of the given type (when one is given) that
// match any of the patterns (when there are any). Empty, it takes every entry.
class EntryFilter {
public:
    EntryFilter() = default;
    // Parses each pattern; "Bad entry number %s" as ParseEntryPattern.
    EntryFilter(const std::vector<std::string>& patterns, std::optional<std::string> type = {});

    bool Accepts(size_t index, std::string_view name) const;
    bool TakesAll() const { return patterns_.empty() && !type_; }
    // Entry k of the index is chosen: the selection ExtractPack takes.
    std::vector<bool> Select(const PackIndex& index) const;

private:
    std::vector<EntryPattern> patterns_;
    std::optional<std::string> type_;
};

// The one entry that `entry` names in the pack `indexPath`: a decimal index
// ("12"), "#N" or "#0xN", or else a whole name in any letter case. Errors:
// "No entry %s in %s (it has N entries)" for an index past the end, "No
// entry named %s in %s" for a missing name, and for a name that several
// entries bear, "Entry name %s is ambiguous in %s: " and the matches as
// "#index name", then a hint to name one by its number.
size_t FindEntry(const PackIndex& index, const std::string& entry, const std::string& indexPath);

} // namespace pw
