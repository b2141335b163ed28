#pragma once
// What a window asks before it writes a patch: the manifest's fields, one
// prompt each (a cancel at any of them ends it), then the file to write.
#include <QString>
#include <optional>
#include <string>

#include "app/dialogs/Dialogs.h"
#include "packs/patch/PatchFile.h"


namespace pw {

struct PatchTarget {
    patch::Manifest manifest;
    std::string path; // absolute, as the engine takes it
};

// "Title:" (starting at `title`) and "Author:", and "Version:" when
// `askVersion`, under `caption`; then the save dialog "CAPTION..." for a
// .pwpatch. Also sets the version the patch writer records.
std::optional<PatchTarget> AskPatchTarget(Dialogs& dialogs, QWidget* parent, const QString& caption,
                                          const QString& title, bool askVersion);

} // namespace pw
