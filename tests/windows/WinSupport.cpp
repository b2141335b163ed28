#include "WinSupport.h"

#include <gtest/gtest.h>

#include "core/windows/Wide.h"
#include "packs/PackFixtures.h"

namespace pwtest {

using pw::win::Utf16;
using pw::win::Utf8;

namespace {

// One argument as CommandLineToArgvW will read it back.
std::wstring Quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring q = L"\"";
    size_t slashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        q.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        q += c;
    }
    q.append(slashes * 2, L'\\');
    return q + L"\"";
}

std::wstring CommandLine(const std::string& exe, const std::vector<std::string>& args) {
    std::wstring line = Quoted(Utf16(exe));
    for (const std::string& a : args) line += L" " + Quoted(Utf16(a));
    return line;
}

HANDLE InheritableFile(const std::string& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    return ::CreateFileW(Utf16(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

std::string ProgramFolder() {
    wchar_t buf[32768];
    DWORD n = ::GetModuleFileNameW(nullptr, buf, DWORD(std::size(buf)));
    std::string path = Utf8(std::wstring_view(buf, n));
    return path.substr(0, path.find_last_of('\\'));
}

RunResult RunProgram(const std::string& exe, const std::vector<std::string>& args) {
    TempDir io;
    const std::string out = io / "out", err = io / "err";
    HANDLE in = InheritableFile("NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE o = InheritableFile(out, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE e = InheritableFile(err, GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = o;
    si.hStdError = e;
    PROCESS_INFORMATION pi{};
    std::wstring line = CommandLine(exe, args);
    RunResult r;
    if (::CreateProcessW(Utf16(exe).c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        ::WaitForSingleObject(pi.hProcess, INFINITE);
        DWORD code = 0;
        ::GetExitCodeProcess(pi.hProcess, &code);
        r.Exit = int(code);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    } else {
        ADD_FAILURE() << "cannot start " << exe;
    }
    ::CloseHandle(in);
    ::CloseHandle(o);
    ::CloseHandle(e);
    r.Out = ReadFile(out);
    r.Err = ReadFile(err);
    return r;
}

OtherHolder::OtherHolder(const std::string& path) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE inRead, inWrite, outRead, outWrite;
    if (!::CreatePipe(&inRead, &inWrite, &sa, 0) || !::CreatePipe(&outRead, &outWrite, &sa, 0)) {
        ADD_FAILURE() << "no pipes";
        return;
    }
    ::SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = inRead;
    si.hStdOutput = outWrite;
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    const std::string exe = ProgramFolder() + "\\pwhold.exe";
    std::wstring line = CommandLine(exe, {path});
    bool started =
        ::CreateProcessW(Utf16(exe).c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    ::CloseHandle(inRead);
    ::CloseHandle(outWrite);
    input_ = inWrite;
    if (started) {
        ::CloseHandle(pi.hThread);
        process_ = pi.hProcess;
        // It says "held" once the file is open, or ends when it cannot open it.
        char answer[8] = {};
        DWORD got = 0;
        ::ReadFile(outRead, answer, 4, &got, nullptr);
        holding_ = got == 4 && std::string(answer, 4) == "held";
    }
    ::CloseHandle(outRead);
    if (!holding_) ADD_FAILURE() << "no other process holds " << path;
}

OtherHolder::~OtherHolder() {
    if (input_) ::CloseHandle(input_); // its input ends: it lets go and ends
    if (process_) {
        ::WaitForSingleObject(process_, INFINITE);
        ::CloseHandle(process_);
    }
}

void AddAttributes(const std::string& path, unsigned long attributes) {
    std::wstring w = Utf16(path);
    DWORD now = ::GetFileAttributesW(w.c_str());
    if (now == INVALID_FILE_ATTRIBUTES || !::SetFileAttributesW(w.c_str(), now | attributes))
        ADD_FAILURE() << "cannot set attributes of " << path;
}

} // namespace pwtest
