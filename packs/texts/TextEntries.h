#pragma once
// The numbered-text entries of a pack, found by their content (an
// INI-style file begins with the header "[0x00000000]", a Zivora-style one
// with the separator line and a header line) and read with the text
// container's own rules (textobject/layout), and how a message names its
// block: msgctxt "ENTRY:BLOCK", both decimal.
#include <optional>
#include <string>
#include <vector>

#include "packs/PackReader.h"
#include "textobject/layout/TextLayout.h"

namespace pw::texts {

// Entry k's bytes; none for an entry that lies outside the data file.
std::string EntryBytes(const PackReader& pack, size_t k);

struct TextEntry {
    layout::Style style = layout::Style::Ini;
    // Empty optional: in a text layout, but the container would not read it
    // (gaps in its numbers, a block without its end line).
    std::optional<std::vector<layout::Block>> blocks;
};

// The entry's texts, or none when its content is in neither layout.
std::optional<TextEntry> ReadTextEntry(const std::string& bytes);

// How many entries of the pack begin as a numbered-text file in either
// layout (their first bytes only are read).
size_t CountTextEntries(const PackReader& pack);

// "12:7"
std::string ContextOf(size_t entry, size_t block);
// The numbers of a msgctxt "ENTRY:BLOCK"; false for anything else.
bool ParseContext(const std::string& context, size_t& entry, size_t& block);

} // namespace pw::texts
