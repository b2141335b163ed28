// What pending files do alike on every system: their temporary names,
//
//   .<final name>.packwright-<process id>-<counter>.tmp
//
// the flush of their data, and the staging on the way to the final name.
#include "core/PendingFile.h"

#include "core/FileSync.h"

namespace pw {

namespace {

constexpr std::string_view TempInfix = ".packwright-";
constexpr std::string_view TempSuffix = ".tmp";

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

} // namespace

std::string PendingFile::TemporaryName(std::string_view finalName, unsigned long process, unsigned counter) {
    std::string name = ".";
    name += finalName;
    name += TempInfix;
    name += std::to_string(process) + "-" + std::to_string(counter);
    name += TempSuffix;
    return name;
}

bool PendingFile::IsTemporaryName(std::string_view name) {
    if (name.size() < 2 || name[0] != '.' || !name.ends_with(TempSuffix)) return false;
    name.remove_suffix(TempSuffix.size());
    size_t infix = name.rfind(TempInfix);
    if (infix == std::string_view::npos || infix == 0) return false;
    std::string_view numbers = name.substr(infix + TempInfix.size());
    size_t dash = numbers.find('-');
    return dash != std::string_view::npos && AllDigits(numbers.substr(0, dash)) &&
           AllDigits(numbers.substr(dash + 1));
}

void PendingFile::SyncData() {
    if (sync_ && !synced_) {
        SyncFileData(file_.Fd());
        synced_ = true;
    }
}

void PendingFile::Renamed() {
    committed_ = true;
    file_.Close();
}

void PendingFile::Stage(const std::string& path) {
    SyncData();
    NameAs(path);
    staged_ = true;
}

} // namespace pw
