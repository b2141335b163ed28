#pragma once
// The Windows side of paths: UTF-8 text inside the program, UTF-16 at the
// system's interface, and the "\\?\" form for paths too long for the
// classic limit. Handles travel through the program as C runtime file
// descriptors, so File and every function that takes an fd are the same on
// both systems.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#include <string_view>

namespace pw::win {

std::wstring Utf16(std::string_view utf8);
std::string Utf8(std::wstring_view utf16);

// The path as the system takes it: UTF-16, and beyond the classic length
// limit made absolute with the "\\?\" (or "\\?\UNC\") prefix.
std::wstring SystemPath(const std::string& path);

// The handle behind a descriptor, and a descriptor taking over a handle
// (-1, with the handle closed, when the runtime has no room).
HANDLE HandleOf(int fd);
int AdoptHandle(HANDLE h);

} // namespace pw::win
