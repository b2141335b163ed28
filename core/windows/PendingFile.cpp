#include "core/PendingFile.h"

#include <atomic>

#include "core/Error.h"
#include "core/FileNames.h"
#include "core/FileSync.h"
#include "core/windows/Wide.h"

namespace pw {

using namespace win;

// Windows has no files without a name: a pending file is written under its
// temporary name from the start. It is opened sharing nothing but deletion,
// which is the lock of the POSIX version: no other open of it succeeds while
// its writer lives, and the writer can still rename and remove it.

namespace {

std::atomic<unsigned> counter{0};

} // namespace

void PendingFile::RefuseUnnamedFiles(bool) {} // every pending file has a name here

std::string PendingFile::FreshTemporaryPath(const std::string& finalPath) {
    return ExtractFilePath(finalPath) +
           TemporaryName(ExtractFileName(finalPath), static_cast<unsigned long>(::GetCurrentProcessId()), counter++);
}

std::string PendingFile::TemporaryPath() { return FreshTemporaryPath(finalPath_); }

PendingFile::PendingFile(std::string finalPath, bool sync)
    : finalPath_(std::move(finalPath)), folder_(ExtractFilePath(finalPath_)), sync_(sync) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = TemporaryPath();
        HANDLE h = ::CreateFileW(SystemPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            DWORD e = ::GetLastError();
            if (e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS) continue;
            break;
        }
        file_ = File(AdoptHandle(h));
        if (!file_.IsOpen()) {
            RemoveFile(path);
            break;
        }
        namedPath_ = std::move(path);
        return;
    }
    ThrowCannotCreate(finalPath_);
}

PendingFile::~PendingFile() {
    if (!committed_ && !staged_ && !namedPath_.empty()) {
        file_.Close();
        RemoveFile(namedPath_);
    }
}

void PendingFile::NameAs(const std::string& path) {
    if (!RenameReplacing(namedPath_, path)) ThrowCannotCreate(finalPath_);
    namedPath_ = path;
}

void PendingFile::Commit() {
    SyncData();
    if (!RenameReplacing(namedPath_, finalPath_)) ThrowCannotCreate(finalPath_);
    committed_ = true;
    file_.Close();
}

} // namespace pw
