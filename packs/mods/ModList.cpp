// Reading and writing mod lists (ModList.h).
#include "packs/mods/ModList.h"

#include "core/Directory.h"
#include "core/Error.h"
#include "core/FileIO.h"
#include "core/FileNames.h"
#include "core/PendingFile.h"

namespace pw::mods {

namespace {

constexpr const char* PreferLaterLine = "!prefer-later";

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

// A path as a list in `folder` writes it: relative, with "/", below it.
std::string Written(const std::string& folder, const std::string& path) {
    if (folder.empty() || !path.starts_with(folder)) return path;
    std::string rel = path.substr(folder.size());
    for (char& c : rel)
        if (c == '\\') c = '/';
    return rel;
}

} // namespace

ModList ParseModList(const std::string& listPath, const std::string& text) {
    const std::string folder = ExtractFilePath(listPath);
    ModList list;
    list.path = listPath;
    for (size_t at = 0; at < text.size();) {
        const size_t nl = text.find('\n', at);
        ListLine l;
        l.text = text.substr(at, nl == std::string::npos ? std::string::npos : nl - at);
        if (nl != std::string::npos) {
            l.end = "\n";
            if (!l.text.empty() && l.text.back() == '\r') {
                l.text.pop_back();
                l.end = "\r\n";
            }
        }
        at = nl == std::string::npos ? text.size() : nl + 1;
        std::string line = Trimmed(l.text);
        if (line == PreferLaterLine) {
            l.kind = ListLine::PreferLater;
            list.preferLater = true;
        } else if (!line.empty()) {
            bool enabled = true;
            if (line[0] == '#') {
                line = Trimmed(line.substr(1));
                enabled = false;
            }
            if (enabled || SameTextAscii(ExtractFileExt(line), ".pwpatch")) {
                l.kind = ListLine::Mod;
                l.enabled = enabled;
                l.written = line;
                list.mods.push_back({InFolder(folder, line), enabled, int(list.lines.size())});
            }
        }
        list.lines.push_back(std::move(l));
    }
    return list;
}

ModList ReadModList(const std::string& listPath) {
    const std::vector<unsigned char> bytes = ReadWholeFile(listPath, Pipes::Allow);
    return ParseModList(listPath, std::string(bytes.begin(), bytes.end()));
}

std::vector<std::string> EnabledMods(const std::vector<ListedMod>& mods) {
    std::vector<std::string> paths;
    for (const ListedMod& m : mods)
        if (m.enabled) paths.push_back(m.path);
    return paths;
}

std::string ModListText(const std::string& listPath, const std::vector<ListedMod>& mods, bool preferLater,
                        const ModList* read) {
    const std::string folder = ExtractFilePath(listPath);
    std::vector<ListLine> lines = read ? read->lines : std::vector<ListLine>{};
    std::string eol = "\n";
    for (const ListLine& l : lines)
        if (!l.end.empty()) {
            eol = l.end;
            break;
        }
    if (lines.empty())
        lines.push_back({"# Packwright mod list: one patch a line, in load order; \"#\" switches a mod off", eol,
                         ListLine::Other, true, ""});
    // A commented line is read back as a switched-off mod only when it
    // names a .pwpatch: any other would be lost as a comment.
    auto switched = [](bool enabled, const std::string& written) {
        if (enabled) return written;
        if (!SameTextAscii(ExtractFileExt(written), ".pwpatch"))
            throw Error(written + " cannot be switched off in a mod list: only a .pwpatch file's line is read back "
                                  "as a switched-off mod");
        return "# " + written;
    };
    auto modLine = [&](const ListedMod& m) {
        if (read && m.line >= 0 && size_t(m.line) < read->lines.size() && read->lines[size_t(m.line)].kind == ListLine::Mod) {
            const ListLine& was = read->lines[size_t(m.line)];
            if (was.enabled == m.enabled) return was.text;
            return switched(m.enabled, was.written);
        }
        return switched(m.enabled, Written(folder, m.path));
    };
    std::string text;
    size_t next = 0, firstMod = std::string::npos;
    bool preferWritten = false;
    for (const ListLine& l : lines) {
        if (l.kind == ListLine::PreferLater) {
            if (preferLater && !preferWritten) text += l.text + l.end;
            preferWritten = preferWritten || preferLater;
            continue;
        }
        if (l.kind == ListLine::Mod) {
            if (firstMod == std::string::npos) firstMod = text.size();
            if (next < mods.size()) text += modLine(mods[next++]) + l.end;
            continue;
        }
        text += l.text + l.end;
    }
    for (; next < mods.size(); ++next) {
        if (!text.empty() && text.back() != '\n') text += eol;
        if (firstMod == std::string::npos) firstMod = text.size();
        text += modLine(mods[next]) + eol;
    }
    if (preferLater && !preferWritten) {
        const std::string line = std::string(PreferLaterLine) + eol;
        if (firstMod == std::string::npos) {
            if (!text.empty() && text.back() != '\n') text += eol;
            text += line;
        } else {
            text.insert(firstMod, line);
        }
    }
    return text;
}

std::string WriteModList(const std::string& listPath, const std::vector<ListedMod>& mods, bool preferLater,
                  const ModList* read) {
    const std::string text = ModListText(listPath, mods, preferLater, read);
    PendingFile out(listPath);
    WriteAll(out.Fd(), text.data(), text.size());
    out.Commit();
    return text;
}

} // namespace pw::mods
