// Where an extracted entry goes, and the folders on the way to it.
#include "core/FileNames.h"
#include "core/FileIO.h"
#include "core/Directory.h"
#include "packs/Formathandlers.h"

namespace pw {

namespace {

bool EndsWithSeparator(const std::string& s) {
    return !s.empty() && PathSeparators.find(s.back()) != std::string_view::npos;
}

// folder + separator + rest, with exactly one separator between them.
std::string Join(const std::string& folder, const std::string& rest) {
    bool restHasSep = !rest.empty() && PathSeparators.find(rest.front()) != std::string_view::npos;
    if (folder.empty()) return rest;
    if (EndsWithSeparator(folder)) return restHasSep ? folder + rest.substr(1) : folder + rest;
    return restHasSep ? folder + rest : folder + PathDelim + rest;
}

// Length of the root that is taken to exist: "/" here, "C:\" on Windows.
size_t RootLength(const std::string& folder) { return PathRootLength(folder); }

// Creates each missing level of `folder` (which ends in a separator), one at
// a time from the root outwards. A level that cannot be made is left for the
// file creation to report. Levels seen once in this run are not tested again.
void MakeFolders(RunContext& ctx, const std::string& folder) {
    if (folder.empty() || ctx.KnownDirs.count(folder)) return;
    size_t pos = RootLength(folder);
    while (pos < folder.size()) {
        size_t sep = folder.find_first_of(PathSeparators, pos);
        if (sep == std::string::npos) sep = folder.size();
        std::string level = folder.substr(0, sep + 1);
        if (sep > pos && !ctx.KnownDirs.count(level)) {
            std::string dir = folder.substr(0, sep);
            if (Exists(dir) || MakeDirectory(dir)) ctx.KnownDirs.insert(level);
        }
        pos = sep + 1;
    }
}

} // namespace

std::string OutputPathFor(const RunContext& ctx, const std::string& sourcePath,
                          const std::string& relativeName) {
    std::string p;
    if (!ctx.ListFromScan) {
        p = Join(ctx.TargetDir, relativeName);
    } else {
        // The pack's place below the scanned folder, repeated below the target.
        size_t cut = std::min(ctx.ScanRoot.size(), sourcePath.size());
        std::string placed = Join(ctx.TargetDir, sourcePath.substr(cut));
        p = ExtractFilePath(placed) + relativeName;
    }
    return p;
}

std::string MakeOutputPath(RunContext& ctx, const std::string& sourcePath,
                           const std::string& relativeName) {
    std::string p = OutputPathFor(ctx, sourcePath, relativeName);
    MakeFolders(ctx, ExtractFilePath(p));
    return p;
}

bool HasControlCharacters(std::string_view path) {
    for (char c : path)
        if (c > 0 && c < ' ') return true;
    return false;
}

} // namespace pw
