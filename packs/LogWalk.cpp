#include "packs/LogWalk.h"

#include <string_view>

#include "packs/Kinds.h"

namespace pw {

namespace {

constexpr std::string_view HeaderWords[] = {"#Format:", "#Source:", "#Target"};
constexpr std::string_view Blanks = " \t\r\n\v\f";

// The first run of non-blank characters after any leading blanks, and where
// it ends in the line.
std::string_view FirstWord(std::string_view line, size_t* end = nullptr) {
    size_t start = line.find_first_not_of(Blanks);
    if (start == std::string_view::npos) {
        if (end) *end = line.size();
        return {};
    }
    size_t stop = line.find_first_of(Blanks, start);
    if (stop == std::string_view::npos) stop = line.size();
    if (end) *end = stop;
    return line.substr(start, stop - start);
}

} // namespace

uint8_t FormatCode(const std::string& value) {
    std::string_view name = FirstWord(value);
    for (size_t i = 0; i < FormatNames.size(); ++i)
        if (!name.empty() && name == FormatNames[i]) return KindByFileType[i];
    return FormatNone;
}

bool WalkLog(std::vector<std::string>& lines, LogWalk& walk, uint8_t& format, uint8_t& plainLine) {
    format = FormatNone;
    size_t i = 0;
    while (i < lines.size()) {
        if (!walk.BeforeLine(i, lines.size())) return false;
        size_t next = i + 1;
        size_t wordEnd = 0;
        const std::string word(FirstWord(lines[i], &wordEnd));
        plainLine = 1;
        for (std::string_view header : HeaderWords)
            if (word == header) {
                plainLine = 0;
                break;
            }
        if (plainLine == 0) {
            // The value follows the header word and one separating character,
            // wherever the word stands in the line.
            std::string& line = lines[i];
            line.erase(0, std::min(line.size(), wordEnd + 1));
            if (word == HeaderWords[0]) {
                format = FormatCode(line);
            } else if (word == HeaderWords[1]) {
                const std::string path = line;
                next = walk.OnSource(path, i, format);
                if (next == LogWalk::End) return false;
            }
        }
        walk.AfterLine();
        i = next;
    }
    return true;
}

} // namespace pw
