#include "patch/PatchFixture.h"

#include <gtest/gtest.h>

#include "core/FileNames.h"

using namespace pw;
using namespace pw::patch;

namespace pwtest {

PackDesign GamePack() {
    PackDesign pack;
    pack.Entries = {{"menu.txt", "hello"},          {"logo.tga", Bytes(3000, 1)}, {"none.dat", ""},
                    {"big.bin", Bytes(200000, 2)}, {"small.ini", "a=1\n"},        {"tail.txt", "end"}};
    return pack;
}

PackDesign Modded(std::vector<std::pair<size_t, std::string>> changes) {
    PackDesign pack = GamePack();
    for (auto& [k, data] : changes) pack.Entries[k].Data = std::move(data);
    return pack;
}

PatchWork::PatchWork() {
    MakeDir(game);
    WritePack(gamePack, GamePack());
}

std::string PatchWork::MakePatch(const std::string& name, const PackDesign& modded) {
    MakeDir(dir / "mods");
    MakeDir(dir / ("mods/" + name));
    const std::string moddedPack = dir / ("mods/" + name + "/MENU.fat");
    WritePack(moddedPack, modded);
    const std::string patch = dir / (name + ".pwpatch");
    Manifest m;
    m.title = name;
    EXPECT_TRUE(WritePatch(ctx, patch, m, {DiffPacks(gamePack, moddedPack)}));
    return patch;
}

ApplyPlan PatchWork::Plan(const std::vector<std::string>& patches, const std::string& target, bool preferLater) {
    opened.clear();
    return PlanApply(OpenPatches(patches, opened), game, target, preferLater);
}

std::string PatchWork::Apply(const std::vector<std::string>& patches, const std::string& target, bool preferLater) {
    return ErrorOf([&] {
        ApplyPlan plan = Plan(patches, target, preferLater);
        RunApply(ctx, plan, target);
    });
}

std::string PackBytes(const std::string& indexPath) {
    return ReadFile(indexPath) + "|" + ReadFile(ChangeFileExt(indexPath, ".mix"));
}

bool SamePack(const std::string& a, const std::string& b) { return PackBytes(a) == PackBytes(b); }

bool SameEntries(const std::string& a, const std::string& b) {
    const ReadBack x = ReadPack(a), y = ReadPack(b);
    if (x.EntryCount != y.EntryCount || x.HeaderExtra != y.HeaderExtra || x.Trailing != y.Trailing) return false;
    for (size_t k = 0; k < x.Entries.size(); ++k)
        if (x.Entries[k].Name != y.Entries[k].Name || x.Entries[k].Size != y.Entries[k].Size ||
            x.Entries[k].Extra != y.Entries[k].Extra || x.EntryData(k) != y.EntryData(k))
            return false;
    return true;
}

} // namespace pwtest
