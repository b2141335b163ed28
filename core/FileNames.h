#pragma once
// File-name operations on the platform's paths. A path's separators are "/"
// here (on Windows "\" and ":", and "/", which Windows reads as "\"). The file name is the text after the last
// separator; the folder part the text up to and including it; the extension
// the text from the last "." on, provided no separator follows it.
#include <cstdint>
#include <string>
#include <string_view>

namespace pw {

// A path is UTF-8 text on Windows (the file layer hands it to the system
// as UTF-16), elsewhere bytes in the file system's own encoding.
#ifdef _WIN32
inline constexpr std::string_view PathSeparators = "\\:/";
inline constexpr char PathDelim = '\\';
inline constexpr bool PathsAreUtf8 = true;
#else
inline constexpr std::string_view PathSeparators = "/";
inline constexpr char PathDelim = '/';
inline constexpr bool PathsAreUtf8 = false;
#endif
// Entry names inside a pack are the game's own: their extension ends at any
// of these on every platform.
inline constexpr std::string_view EntryNameSeparators = "\\:/";

std::string ExtractFileName(std::string_view path);
std::string ExtractFilePath(std::string_view path);
std::string ExtractFileExt(std::string_view path, std::string_view separators = PathSeparators);
std::string ChangeFileExt(std::string_view path, std::string_view ext);

// Only the letters a to z and A to Z change.
std::string UpperCaseAscii(std::string_view s);
std::string LowerCaseAscii(std::string_view s);
bool SameTextAscii(std::string_view a, std::string_view b);

// Exactly eight upper-case hexadecimal digits: 26 gives 0000001A.
std::string Hex8(uint32_t value);

} // namespace pw
