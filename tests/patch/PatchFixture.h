#pragma once
// A game folder with one generated pack, modded copies of it, patches made
// of them, and applies into fresh folders, for the patch engine's tests.
#include <memory>
#include <string>
#include <vector>

#include "packs/PackFixtures.h"
#include "packs/patch/PatchApply.h"
#include "packs/patch/PatchMake.h"

namespace pwtest {

// The game's pack: a text, a picture, an empty entry, an entry over the
// rebuild's buffered size, and a small one.
PackDesign GamePack();
// GamePack with entry k's data replaced.
PackDesign Modded(std::vector<std::pair<size_t, std::string>> changes);

struct PatchWork : RunFolders {
    PatchWork();
    // Writes the modded pack under mods/NAME/MENU.fat and a patch of it
    // against the game's pack as NAME.pwpatch; returns the patch's path.
    std::string MakePatch(const std::string& name, const PackDesign& modded);
    // Plans and applies the patches (in this order) into `target`: the
    // error, or "" when it succeeds.
    std::string Apply(const std::vector<std::string>& patches, const std::string& target,
                      bool preferLater = false);
    // The plan alone.
    pw::patch::ApplyPlan Plan(const std::vector<std::string>& patches, const std::string& target,
                              bool preferLater = false);
    std::string gamePack = game + P("/MENU.fat");
    std::vector<std::unique_ptr<pw::patch::PatchFile>> opened;
};

// The bytes of a pack's two files, to compare packs whole.
std::string PackBytes(const std::string& indexPath);
// Whether two packs' files hold the same bytes (without printing them).
bool SamePack(const std::string& a, const std::string& b);
// Whether two packs hold the same entries (names, sizes, data, the index's
// other bytes), whatever their layout and padding.
bool SameEntries(const std::string& a, const std::string& b);

} // namespace pwtest
