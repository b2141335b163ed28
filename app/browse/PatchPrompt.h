#pragma once
// What a window asks before it writes a patch: the patch details in one
// form, then the file to write, its name suggested from the pack and the
// title in the folder a patch was last written to.
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

// "MENU-bigger-menu.pwpatch" for the pack "MENU" and the title "Bigger
// menu": the title in lower case, each run of other characters than
// letters and digits a hyphen. Either part may be missing.
QString SuggestedPatchName(const QString& pack, const QString& title);

// The details form under `caption`, its title starting at `title`; then
// the save dialog "CAPTION..." for a .pwpatch. Also sets the version the
// patch writer records, and remembers the folder chosen.
std::optional<PatchTarget> AskPatchTarget(Dialogs& dialogs, QWidget* parent, const QString& caption,
                                          const QString& pack, const QString& title);

} // namespace pw
