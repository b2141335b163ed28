#include "core/PendingFile.h"

#include <atomic>

#include "core/Error.h"
#include "core/FileNames.h"
#include "core/windows/Wide.h"

namespace pw {

using namespace win;

PendingFile::PendingFile(std::string finalPath) : finalPath_(std::move(finalPath)) {
    static std::atomic<unsigned> counter{0};
    std::string folder = ExtractFilePath(finalPath_);
    std::string name = ExtractFileName(finalPath_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        // A leading dot, so a directory scan of the target folder skips it.
        tempPath_ = folder + "." + name + "." + std::to_string(::GetCurrentProcessId()) + "-" +
                    std::to_string(counter++) + ".tmp";
        // Not shared while it is written: nobody sees it half done.
        HANDLE h = ::CreateFileW(SystemPath(tempPath_).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            file_ = File(AdoptHandle(h));
            if (file_.IsOpen()) return;
            ::DeleteFileW(SystemPath(tempPath_).c_str());
            break;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    ThrowCannotCreate(finalPath_);
}

PendingFile::~PendingFile() {
    if (!committed_) {
        file_.Close();
        ::DeleteFileW(SystemPath(tempPath_).c_str());
    }
}

void PendingFile::Commit() {
    // A file cannot be renamed while it is open without delete sharing:
    // closed first, then moved over the final name in one step.
    file_.Close();
    if (!::MoveFileExW(SystemPath(tempPath_).c_str(), SystemPath(finalPath_).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ThrowCannotCreate(finalPath_);
    committed_ = true;
}

} // namespace pw
