#pragma once
// A game folder with two generated packs, patches made of modded copies of
// them, and what the game's folder holds, for the mods tests.
#include <map>
#include <string>
#include <vector>

#include "core/FileIO.h"
#include "packs/PackFixtures.h"
#include "packs/mods/Mods.h"

namespace pwtest {

struct ModsWork : RunFolders {
    ModsWork();
    // The game's pack NAME ("MENU" or "SOUND") with entry k's data replaced.
    static PackDesign Pack(const std::string& name, const std::vector<std::pair<size_t, std::string>>& changes = {});
    // A patch NAME.pwpatch of modded copies of the game's packs, per pack
    // name the entries it changes; made against `base` (the game's folder
    // by default).
    std::string MakePatch(const std::string& name,
                          const std::map<std::string, std::vector<std::pair<size_t, std::string>>>& changes,
                          const std::string& base = "");
    // Deploys `patches` with `options` in a session of its own: the error,
    // or "" when it succeeds.
    std::string Deploy(const std::vector<std::string>& patches, pw::mods::DeployOptions options = {});
    // Every file of the game's folder with its bytes (Packwright's folder
    // left out), and the stamps of the game's four pack files.
    std::map<std::string, std::string> Packs() const;
    std::vector<pw::FileStamp> Stamps() const;
    // Every file of the game's folder but the history and the store: what
    // a restore leaves is the game's own packs alone.
    std::vector<std::string> Files() const;
    std::string G(const std::string& name) const { return game + P("/" + name); }
};

} // namespace pwtest
