#pragma once
// Carrying a translation over to the template of a new version of the game.
// Within each entry (the first number of msgctxt "ENTRY:BLOCK") the old and
// the new messages are aligned by their source texts, in block order, as a
// text diff aligns lines; a translation never goes to another entry.
//
//  - the source is unchanged: the translation and its flags stay, even when
//    the block's number moved (then the old msgctxt is kept as
//    "#| msgctxt", with "#| msgid");
//  - between two aligned messages, the changed blocks pair up in order:
//    each keeps its translation, marked fuzzy, with the previous source as
//    "#| msgid" so that tools show the difference;
//  - a block new to the template: untranslated (an obsolete translation of
//    the same text in the same entry comes back, fuzzy);
//  - a translated block gone from the template: at the end, obsolete ("#~").
//
// The translation's header and translator comments are kept (the header
// takes the template's POT-Creation-Date); everything else, the flags
// c-format and no-c-format included, comes from the template.
#include "packs/texts/Po.h"

namespace pw::texts {

// Every message of the template is counted once: kept or moved (its source
// unchanged, translated or not, its block number the same or another),
// fuzzy (a translation carried to a changed source) or new (nothing
// carried: a new block, or a changed one that was untranslated); obsolete
// counts the translations of blocks gone.
struct UpdateCounts {
    size_t kept = 0, moved = 0, fuzzy = 0, added = 0, obsolete = 0;
};

PoFile UpdateTranslation(const PoFile& newTemplate, const PoFile& old, UpdateCounts& counts);

} // namespace pw::texts
