// Reading and writing mod lists (ModList.h).
#include "packs/mods/ModList.h"

#include "core/Directory.h"
#include "core/FileNames.h"
#include "core/PendingFile.h"
#include "packs/TextLines.h"

namespace pw::mods {

namespace {

std::string Trimmed(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(" \t\r") + 1 - a);
}

std::string InFolder(const std::string& folder, const std::string& path) {
    if (PathRootLength(path) > 0 || (path.size() > 0 && PathSeparators.find(path[0]) != std::string_view::npos))
        return path;
    return folder + path;
}

} // namespace

std::vector<ListedMod> ReadModList(const std::string& listPath) {
    const std::string folder = ExtractFilePath(listPath);
    std::vector<ListedMod> mods;
    for (const std::string& raw : LoadLines(listPath, Pipes::Allow)) {
        std::string line = Trimmed(raw);
        if (line.empty()) continue;
        bool enabled = true;
        if (line[0] == '#') {
            line = Trimmed(line.substr(1));
            if (!SameTextAscii(ExtractFileExt(line), ".pwpatch")) continue;
            enabled = false;
        }
        mods.push_back({InFolder(folder, line), enabled});
    }
    return mods;
}

std::vector<std::string> EnabledMods(const std::vector<ListedMod>& mods) {
    std::vector<std::string> paths;
    for (const ListedMod& m : mods)
        if (m.enabled) paths.push_back(m.path);
    return paths;
}

void WriteModList(const std::string& listPath, const std::vector<ListedMod>& mods) {
    const std::string folder = ExtractFilePath(listPath);
    std::string text = "# Packwright mod list: one patch a line, in load order; \"#\" switches a mod off\n";
    for (const ListedMod& m : mods) {
        std::string path = m.path;
        if (!folder.empty() && path.starts_with(folder)) {
            path = path.substr(folder.size());
            for (char& c : path)
                if (c == '\\') c = '/';
        }
        text += (m.enabled ? "" : "# ") + path + "\n";
    }
    PendingFile out(listPath);
    WriteAll(out.Fd(), text.data(), text.size());
    out.Commit();
}

} // namespace pw::mods
