// pwhold FILE: opens FILE for reading and writing with share mode 0, says
// "held" on its output, and keeps it open until its input ends. The tests'
// stand-in for another program that has a pack open.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <shellapi.h>

int main() {
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv || argc != 2) return 2;
    HANDLE file = ::CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD done = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), "held", 4, &done, nullptr);
    char buf[64];
    while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buf, sizeof buf, &done, nullptr) && done > 0) {
    }
    ::CloseHandle(file);
    return 0;
}
