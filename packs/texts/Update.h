#pragma once
// Carrying a translation over to the template of a new version of the game,
// message by message through msgctxt (the block), never by likeness across
// blocks:
//
//  - the source is unchanged: the translation and its flags stay;
//  - the source changed: the translation stays, marked fuzzy, with the
//    previous source as "#| msgid" so that tools show the difference;
//  - a block new to the template: untranslated;
//  - a translated block gone from the template: at the end, obsolete ("#~").
//
// The translation's header and translator comments are kept; everything
// else comes from the template.
#include "packs/texts/Po.h"

namespace pw::texts {

struct UpdateCounts {
    size_t kept = 0, changed = 0, added = 0, obsolete = 0;
};

PoFile UpdateTranslation(const PoFile& newTemplate, const PoFile& old, UpdateCounts& counts);

} // namespace pw::texts
