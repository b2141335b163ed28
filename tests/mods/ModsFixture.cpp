#include "mods/ModsFixture.h"

#include <gtest/gtest.h>

#include "packs/patch/PatchMake.h"

using namespace pw;

namespace pwtest {

ModsWork::ModsWork() {
    MakeDir(game);
    WritePack(G("MENU.fat"), Pack("MENU"));
    WritePack(G("SOUND.fat"), Pack("SOUND"));
}

PackDesign ModsWork::Pack(const std::string& name, const std::vector<std::pair<size_t, std::string>>& changes) {
    PackDesign pack;
    const unsigned seed = name == "MENU" ? 1 : 50;
    pack.Entries = {{"title.txt", "hello " + name}, {"logo.tga", Bytes(3000, seed)}, {"none.dat", ""},
                    {"big.bin", Bytes(200000, seed + 1)}, {"small.ini", "a=1\n"}};
    for (const auto& [k, data] : changes) pack.Entries[k].Data = data;
    return pack;
}

std::string ModsWork::MakePatch(const std::string& name,
                                const std::map<std::string, std::vector<std::pair<size_t, std::string>>>& changes,
                                const std::string& base) {
    std::vector<patch::PackChanges> packs;
    MakeDir(dir / name);
    for (const auto& [pack, entries] : changes) {
        const std::string modded = dir / (name + "/" + pack + ".fat");
        WritePack(modded, Pack(pack, entries));
        packs.push_back(patch::DiffPacks((base.empty() ? game : base) + P("/" + pack + ".fat"), modded));
    }
    const std::string path = dir / (name + ".pwpatch");
    patch::Manifest m;
    m.title = name;
    EXPECT_TRUE(patch::WritePatch(ctx, path, m, packs));
    return path;
}

std::string ModsWork::Deploy(const std::vector<std::string>& patches, mods::DeployOptions options) {
    return ErrorOf([&] {
        mods::ModsSession session(game);
        session.Deploy(ctx, session.Plan(patches, options), options);
    });
}

std::map<std::string, std::string> ModsWork::Packs() const {
    std::map<std::string, std::string> files;
    for (const std::string& f : ListTree(game))
        if (!f.starts_with(".packwright")) files[f] = ReadFile(G(f));
    return files;
}

std::vector<std::string> ModsWork::Files() const {
    std::vector<std::string> files;
    for (const std::string& f : ListTree(game))
        if (f != ".packwright/" && !f.starts_with(".packwright/history/") && !f.starts_with(".packwright/store/"))
            files.push_back(f);
    return files;
}

std::vector<FileStamp> ModsWork::Stamps() const {
    return {StampOfPath(G("MENU.fat")), StampOfPath(G("MENU.mix")), StampOfPath(G("SOUND.fat")),
            StampOfPath(G("SOUND.mix"))};
}

} // namespace pwtest
