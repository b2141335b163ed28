// The patch reader and apply, fed any bytes as a patch against a small
// generated game pack. A patch is refused as damaged, or its entries are
// named and their data read within the file; an apply either refuses
// before writing, fails leaving no new pack, or builds a pack that holds
// exactly the patch's data.
#include <memory>

#include "core/Error.h"
#include "harness/Harness.h"
#include "harness/PackModel.h"
#include "harness/Samples.h"
#include "harness/Support.h"
#include "packs/StatusSink.h"
#include "packs/patch/PatchApply.h"
#include "packs/patch/PatchMake.h"

namespace pwfuzz {

namespace {

using namespace pw::patch;

SamplePack GamePack() {
    return MakePack({{"menu.txt", "hello"}, {"logo.tga", Pattern(3000, 1)}, {"none.dat", ""},
                     {"big.bin", Pattern(5000, 2)}, {"tail.txt", "end"}});
}

void WriteGame(const std::string& folder, const SamplePack& pack) {
    ResetDir(folder);
    WriteBytes(folder + "/MENU.fat", pack.fat);
    WriteBytes(folder + "/MENU.mix", pack.mix);
}

bool Damaged(const std::string& message, const std::string& path) {
    return message.rfind("Damaged patch " + path, 0) == 0;
}

} // namespace

// One input as a patch file.
void RunPatchFile(const std::string& ws, std::string_view input) {
    KeepCwd keep;
    const std::string game = ws + "/game", out = ws + "/out", path = ws + "/in.pwpatch";
    WriteGame(game, GamePack());
    ResetDir(out);
    WriteBytes(path, input);

    std::unique_ptr<PatchFile> patch;
    try {
        patch = std::make_unique<PatchFile>(path);
    } catch (const pw::Error& e) {
        Expect(Damaged(e.what(), path), std::string("a patch refused with: ") + e.what());
        return;
    }
    Expect(input.size() >= 7 && input.substr(0, 7) == "PWPATCH", "a patch without its signature was read");
    for (const PatchPack& p : patch->Packs())
        for (const PatchEntry& e : p.entries) {
            Expect(e.index < p.entryCount, "an entry past its pack's count");
            Expect(e.dataOffset >= int64_t(HeaderBytes) && e.dataLength >= 0 &&
                       e.dataOffset + e.dataLength <= patch->FileLength() - 8,
                   "an entry's data outside the file");
            int64_t got = 0;
            try {
                patch->ReadData(e, [&](const unsigned char*, size_t n) { got += int64_t(n); });
                Expect(got == e.newSize, "data read whole but of another length");
            } catch (const pw::Error& err) {
                Expect(Damaged(err.what(), path), std::string("reading data failed with: ") + err.what());
                Expect(got <= e.newSize, "more data handed out than the entry has");
            }
        }

    const ApplyPlan plan = PlanApply({patch.get()}, game, out, input.size() % 2 == 1);
    if (!plan.Ok()) {
        Expect(!plan.Problems().empty(), "a refused plan without a message");
        Expect(ListTree(out).empty(), "a refused plan wrote something");
        return;
    }
    pw::PlainStatus status;
    pw::RunContext ctx(status);
    try {
        RunApply(ctx, plan, out);
    } catch (const pw::Error& e) {
        Expect(Damaged(e.what(), path) || IsEngineMessage(e.what()), std::string("apply failed with: ") + e.what());
        for (const std::string& rel : ListTree(out))
            Expect(IsEngineTemp(rel) == false && rel.find("MENU") == std::string::npos,
                   "a failed apply left " + rel);
        return;
    }
    for (const ApplyPackPlan& p : plan.packs) {
        const std::vector<std::string> findings = VerifyPatched(p.targetIndex, {patch.get()}, game);
        Expect(findings.empty(), "the applied pack does not hold the patch: " + (findings.empty() ? "" : findings[0]));
    }
}

// The input as it is, then with a correct checksum over its bytes, so that
// the fields behind the checksum are tried too.
void RunPatchInput(const std::string& ws, std::string_view input) {
    RunPatchFile(ws, input);
    if (input.size() < HeaderBytes + 8) return;
    std::string sealed(input);
    const uint64_t sum = HashBytes(sealed.data(), sealed.size() - 8);
    for (int i = 0; i < 8; ++i) sealed[sealed.size() - 8 + i] = char(sum >> (8 * i));
    if (sealed != input) RunPatchFile(ws, sealed);
}

std::vector<std::string> PatchSeeds() {
    PrivateDir dir("pwseed");
    KeepCwd keep;
    const SamplePack game = GamePack();
    WriteGame(dir.Path() + "/game", game);
    pw::PlainStatus status;
    pw::RunContext ctx(status);
    std::vector<std::string> seeds;
    // One entry changed; several (emptied, filled, grown); a patch of another pack.
    const std::vector<std::vector<SampleEntry>> mods = {
        {{"menu.txt", "hello, world"}, {"logo.tga", Pattern(3000, 1)}, {"none.dat", ""},
         {"big.bin", Pattern(5000, 2)}, {"tail.txt", "end"}},
        {{"menu.txt", ""}, {"logo.tga", Pattern(2000, 3)}, {"none.dat", "now"},
         {"big.bin", std::string(9000, 'z')}, {"tail.txt", "end"}},
        {{"menu.txt", "hello"}, {"logo.tga", Pattern(3000, 1)}, {"none.dat", ""},
         {"big.bin", Pattern(5000, 2)}, {"tail.txt", "the end"}},
    };
    for (size_t i = 0; i < mods.size(); ++i) {
        const std::string folder = dir.Path() + "/mod" + std::to_string(i);
        WriteGame(folder, MakePack(mods[i]));
        const std::string patch = dir.Path() + "/p" + std::to_string(i) + ".pwpatch";
        Manifest m;
        m.title = "seed " + std::to_string(i);
        WritePatch(ctx, patch, m, {DiffPacks(dir.Path() + "/game/MENU.fat", folder + "/MENU.fat")});
        seeds.push_back(ReadBytes(patch));
    }
    // Made against a pack that differs from the game's in a patched entry.
    const std::string other = dir.Path() + "/other";
    WriteGame(other, MakePack({{"menu.txt", "HELLO"}, {"logo.tga", Pattern(3000, 1)}, {"none.dat", ""},
                               {"big.bin", Pattern(5000, 2)}, {"tail.txt", "end"}}));
    WritePatch(ctx, dir.Path() + "/o.pwpatch", {}, {DiffPacks(other + "/MENU.fat", dir.Path() + "/mod0/MENU.fat")});
    seeds.push_back(ReadBytes(dir.Path() + "/o.pwpatch"));
    seeds.push_back(seeds[1].substr(0, seeds[1].size() / 2)); // cut short
    return seeds;
}

} // namespace pwfuzz
