// Whether a pack holds exactly what applying patches to the game's pack gives.
#include <map>

#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/Compare.h"
#include "packs/PackReader.h"
#include "packs/patch/PatchApply.h"

namespace pw::patch {

std::vector<std::string> VerifyPatched(const std::string& newIndex, const std::vector<const PatchFile*>& patches,
                                       const std::string& gameDir) {
    const std::string name = ExtractFileName(newIndex);
    // The last patch that names an entry decides what it holds.
    std::map<size_t, std::pair<const PatchFile*, const PatchEntry*>> expected;
    bool named = false;
    for (const PatchFile* p : patches)
        for (const PatchPack& pp : p->Packs())
            if (SameTextAscii(pp.name, name)) {
                named = true;
                for (const PatchEntry& e : pp.entries) expected[e.index] = {p, &e};
            }
    if (!named) return {"No patch names the pack " + name};

    const std::string sourcePath = GamePackPath(gameDir, name);
    if (!Exists(sourcePath)) ThrowCannotOpen(sourcePath);
    const PackReader pack(newIndex, Pipes::Refuse), source(sourcePath, Pipes::Refuse);
    std::vector<std::string> findings;
    if (pack.Index().Count() != source.Index().Count())
        return {newIndex + " has " + std::to_string(pack.Index().Count()) + " entries, its source " + sourcePath +
                " has " + std::to_string(source.Index().Count())};
    ByteCompare compare;
    for (size_t k = 0; k < pack.Index().Count(); ++k) {
        const std::string what = "entry " + std::to_string(k) + " (" + std::string(pack.Index().Name(k)) + ")";
        if (pack.Index().Name(k) != source.Index().Name(k)) {
            findings.push_back(what + " is named " + std::string(source.Index().Name(k)) + " in " + sourcePath);
            continue;
        }
        const int64_t size = pack.Index().Size(k);
        if (!pack.Inside(k)) {
            findings.push_back(what + " lies outside the data file");
            continue;
        }
        auto it = expected.find(k);
        if (it != expected.end()) {
            const PatchEntry& e = *it->second.second;
            if (size != e.newSize || HashFileRange(pack.Data().Fd(), pack.Offset(k), size) != e.newHash)
                findings.push_back(what + " does not hold the data of " + it->second.first->Path());
        } else if (size != source.Index().Size(k) ||
                   (size != 0 && !compare.Same(pack.Data().Fd(), pack.Offset(k), source.Data().Fd(), source.Offset(k), size))) {
            findings.push_back(what + " does not hold the data of " + sourcePath);
        }
    }
    return findings;
}

} // namespace pw::patch
