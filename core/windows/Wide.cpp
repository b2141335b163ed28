#include "core/windows/Wide.h"

#include <fcntl.h>
#include <io.h>

#include <vector>

namespace pw::win {

namespace {
// Below the classic MAX_PATH of 260, less room for a file name that a
// folder of this length may still be given (CreateDirectoryW wants 12).
constexpr size_t ClassicLimit = 247;
} // namespace

std::wstring Utf16(std::string_view utf8) {
    if (utf8.empty()) return {};
    int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring w(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), w.data(), n);
    return w;
}

std::string Utf8(std::wstring_view utf16) {
    if (utf16.empty()) return {};
    int n = ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), int(utf16.size()), nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), int(utf16.size()), s.data(), n, nullptr, nullptr);
    return s;
}

std::wstring SystemPath(const std::string& path) {
    std::wstring w = Utf16(path);
    if (w.size() < ClassicLimit || w.rfind(L"\\\\?\\", 0) == 0 || w.rfind(L"\\\\.\\", 0) == 0) return w;
    // The long form takes the path literally: make it absolute and resolve
    // "." and ".." and "/" first, as the classic form would have.
    DWORD n = ::GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    if (n == 0) return w;
    std::vector<wchar_t> full(n);
    n = ::GetFullPathNameW(w.c_str(), DWORD(full.size()), full.data(), nullptr);
    if (n == 0 || n >= full.size()) return w;
    std::wstring f(full.data(), n);
    if (f.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + f.substr(2);
    return L"\\\\?\\" + f;
}

HANDLE HandleOf(int fd) { return fd < 0 ? INVALID_HANDLE_VALUE : HANDLE(::_get_osfhandle(fd)); }

int AdoptHandle(HANDLE h) {
    if (h == INVALID_HANDLE_VALUE) return -1;
    int fd = ::_open_osfhandle(intptr_t(h), 0);
    if (fd < 0) ::CloseHandle(h);
    return fd;
}

} // namespace pw::win
