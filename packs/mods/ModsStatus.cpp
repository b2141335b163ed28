// What the game's folder holds of a deployment: from stamps (status), and
// from every byte (verify).
#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/Compare.h"
#include "packs/PackReader.h"
#include "packs/mods/Mods.h"

namespace pw::mods {

namespace {

// Whether the file under `path` holds `size` bytes whose XXH3-64 is `hash`.
bool Holds(const std::string& path, int64_t size, uint64_t hash) {
    FileInfo info;
    const File f = OpenReadNotSharedIfExists(path, &info);
    return f.IsOpen() && info.size == size && patch::HashFileRange(f.Fd(), 0, size) == hash;
}

} // namespace

PackState ModsSession::StateOf(const DeployedPack& p) const {
    const FileStamp index = StampOfPath(game_.Game(p.index)), data = StampOfPath(game_.Game(p.data));
    if (!index.Present() || !data.Present()) return PackState::Missing;
    if (index == p.deployedIndex && data == p.deployedData) return PackState::Modded;
    // Only a pair of the vanilla's lengths is read: it may be the vanilla again.
    if (index.size == p.vanillaIndex.size && data.size == p.vanillaData.size &&
        Holds(game_.Game(p.index), index.size, p.vanillaIndexHash) &&
        Holds(game_.Game(p.data), data.size, p.vanillaDataHash))
        return PackState::Vanilla;
    return PackState::Changed;
}

GameStatus ModsSession::Status() const {
    GameStatus status;
    for (const DeployedMod& m : deployed_.mods)
        status.mods.push_back({m.path, m.title, m.version, m.author, StampOfPath(m.path) == m.stamp});
    for (const DeployedPack& p : deployed_.packs) status.packs.push_back({p.index, StateOf(p), p.entries.size()});
    return status;
}

std::vector<std::string> ModsSession::Verify(RunContext& ctx) const {
    std::vector<std::string> findings;
    const size_t n = deployed_.packs.size();
    for (size_t i = 0; i < n; ++i) {
        const DeployedPack& p = deployed_.packs[i];
        ctx.Status->SetStatus("Verifying " + p.index + "...");
        const std::string vanillaIndex = game_.Vanilla(p.index), vanillaData = game_.Vanilla(p.data);
        if (!Holds(vanillaIndex, p.vanillaIndex.size, p.vanillaIndexHash))
            findings.push_back(vanillaIndex + " is not the game's pack that was kept");
        if (!Holds(vanillaData, p.vanillaData.size, p.vanillaDataHash))
            findings.push_back(vanillaData + " is not the game's pack that was kept");
        const PackState state = StateOf(p);
        if (state != PackState::Modded) {
            findings.push_back(game_.Game(p.index) + " is " + PackStateName(state));
            continue;
        }
        if (!findings.empty() && findings.back().starts_with(vanillaData)) continue;
        try {
            const PackReader pack(game_.Game(p.index), Pipes::Refuse), vanilla(vanillaIndex, Pipes::Refuse);
            const PackIndex &a = pack.Index(), &b = vanilla.Index();
            if (a.Count() != b.Count()) {
                findings.push_back(game_.Game(p.index) + " has " + std::to_string(a.Count()) + " entries, its vanilla " +
                                   std::to_string(b.Count()));
                continue;
            }
            ByteCompare compare;
            size_t next = 0; // the deployment's next changed entry
            for (size_t k = 0; k < a.Count(); ++k) {
                const std::string what =
                    game_.Game(p.index) + ": entry " + std::to_string(k) + " (" + std::string(a.Name(k)) + ")";
                const int64_t size = a.Size(k);
                if (a.Name(k) != b.Name(k) || !pack.Inside(k)) {
                    findings.push_back(what + " is not the vanilla's entry");
                } else if (next < p.entries.size() && p.entries[next].index == k) {
                    const DeployedEntry& e = p.entries[next++];
                    if (size != e.size || patch::HashFileRange(pack.Data().Fd(), pack.Offset(k), size) != e.hash)
                        findings.push_back(what + " does not hold the deployed mods' data");
                } else if (size != b.Size(k) || (size != 0 && !compare.Same(pack.Data().Fd(), pack.Offset(k),
                                                                            vanilla.Data().Fd(), vanilla.Offset(k), size))) {
                    findings.push_back(what + " does not hold the vanilla's data");
                }
                StepProgress(ctx, k + 1, a.Count());
            }
        } catch (const Error& e) {
            findings.push_back(e.what());
        }
    }
    return findings;
}

} // namespace pw::mods
