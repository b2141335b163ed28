// Whether a pack holds exactly what applying patches to the game's pack gives.
#include <map>

#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/Compare.h"
#include "packs/patch/OpenPack.h"
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

    std::string sourcePath = gameDir;
    if (sourcePath.empty() || PathSeparators.find(sourcePath.back()) == std::string_view::npos)
        sourcePath += PathDelim;
    sourcePath = FindCaseInsensitive(sourcePath + name);
    if (!Exists(sourcePath)) ThrowCannotOpen(sourcePath);
    const OpenPack pack(newIndex), source(sourcePath);
    std::vector<std::string> findings;
    if (pack.index.Count() != source.index.Count())
        return {newIndex + " has " + std::to_string(pack.index.Count()) + " entries, its source " + sourcePath +
                " has " + std::to_string(source.index.Count())};
    ByteCompare compare;
    for (size_t k = 0; k < pack.index.Count(); ++k) {
        const std::string what = "entry " + std::to_string(k) + " (" + std::string(pack.index.Name(k)) + ")";
        if (pack.index.Name(k) != source.index.Name(k)) {
            findings.push_back(what + " is named " + std::string(source.index.Name(k)) + " in " + sourcePath);
            continue;
        }
        const int64_t size = pack.index.Size(k);
        if (size != 0 && !EntryInside(pack.index.StartBlock(k), int32_t(size), pack.dataSize)) {
            findings.push_back(what + " lies outside the data file");
            continue;
        }
        auto it = expected.find(k);
        if (it != expected.end()) {
            const PatchEntry& e = *it->second.second;
            if (size != e.newSize || HashFileRange(pack.data.Fd(), pack.Offset(k), size) != e.newHash)
                findings.push_back(what + " does not hold the data of " + it->second.first->Path());
        } else if (size != source.index.Size(k) ||
                   (size != 0 && !compare.Same(pack.data.Fd(), pack.Offset(k), source.data.Fd(), source.Offset(k), size))) {
            findings.push_back(what + " does not hold the data of " + sourcePath);
        }
    }
    return findings;
}

} // namespace pw::patch
