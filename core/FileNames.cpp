#include "core/FileNames.h"

namespace pw {

namespace {
size_t LastSeparator(std::string_view path, std::string_view separators) {
    return path.find_last_of(separators);
}
} // namespace

std::string ExtractFileName(std::string_view path) {
    size_t sep = LastSeparator(path, PathSeparators);
    return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string ExtractFilePath(std::string_view path) {
    size_t sep = LastSeparator(path, PathSeparators);
    return sep == std::string_view::npos ? std::string() : std::string(path.substr(0, sep + 1));
}

std::string ExtractFileExt(std::string_view path, std::string_view separators) {
    size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return {};
    size_t sep = LastSeparator(path, separators);
    if (sep != std::string_view::npos && sep > dot) return {};
    return std::string(path.substr(dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
    std::string current = ExtractFileExt(path);
    return std::string(path.substr(0, path.size() - current.size())) + std::string(ext);
}

std::string UpperCaseAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return r;
}

std::string LowerCaseAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return r;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
    return a.size() == b.size() && LowerCaseAscii(a) == LowerCaseAscii(b);
}

std::string Hex8(uint32_t value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string r(8, '0');
    for (int i = 7; i >= 0; --i, value >>= 4) r[size_t(i)] = digits[value & 15];
    return r;
}

} // namespace pw
