#include "core/Console.h"

#include "core/windows/Wide.h"

#include <shellapi.h> // after windows.h

namespace pw {

using namespace win;

namespace {

std::atomic<bool>* stopFlag = nullptr;

// Runs on a thread of its own that the console starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    if ((event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) && stopFlag) {
        stopFlag->store(true);
        return TRUE;
    }
    return FALSE; // closing the window or logging off ends the program
}

} // namespace

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    ::SetConsoleOutputCP(CP_UTF8);
    int n = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &n);
    if (!wide) return {argv, argv + argc};
    std::vector<std::string> args;
    for (int i = 0; i < n; ++i) args.push_back(Utf8(wide[i]));
    ::LocalFree(wide);
    return args;
}

bool StderrIsTerminal() {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void StopOnInterrupt(std::atomic<bool>& flag) {
    stopFlag = &flag;
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool InterruptRequested() { return stopFlag && stopFlag->load(); }

} // namespace pw
