#include "packs/TextLines.h"

#include "core/Error.h"
#include "core/FileIO.h"
#include "core/FileNames.h"
#include "core/PairCommit.h"
#include "core/PendingFile.h"

namespace pw {

std::vector<std::string> SplitLines(std::string_view text) {
    size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(pos));
            break;
        }
        lines.emplace_back(text.substr(pos, end - pos));
        pos = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

std::vector<std::string> LoadLines(const std::string& path, Pipes pipes) {
    std::vector<unsigned char> bytes;
    try {
        bytes = ReadWholeFile(path, pipes);
    } catch (const Interrupted&) {
        throw;
    } catch (const Error&) {
        ThrowCannotOpen(path);
    }
    return SplitLines(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void SaveText(const std::string& path, std::string_view text, bool sync) {
    if (IsDirectory(path)) ThrowCannotCreate(path);
    RemoveLeftovers(ExtractFilePath(path));
    PendingFile file(path, sync);
    WriteAll(file.Fd(), text.data(), text.size());
    file.Commit();
}

void SaveLines(const std::string& path, const std::vector<std::string>& lines, bool sync) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    SaveText(path, text, sync);
}

} // namespace pw
