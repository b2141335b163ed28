#include "core/FileSync.h"

#include "core/Error.h"
#include "core/windows/Wide.h"

namespace pw {

using namespace win;

void SyncFileData(int fd) {
    if (!::FlushFileBuffers(HandleOf(fd))) ThrowWriteError();
}

// Windows keeps a folder's names in its file system's journal: there is no
// flushing a folder as such, and flushing a whole volume needs an
// administrator. Names are as durable as a rename with MOVEFILE_WRITE_THROUGH
// makes them.
void SyncFolder(const std::string&) {}

void SyncFileSystemOf(const std::string&) {}

void StartWriteBack(int) {}

File HoldFile(const std::string&) { return File(); }

bool RenameReplacing(const std::string& from, const std::string& to) {
    return ::MoveFileExW(SystemPath(from).c_str(), SystemPath(to).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool LinkFile(const std::string& from, const std::string& to) {
    return ::CreateHardLinkW(SystemPath(to).c_str(), SystemPath(from).c_str(), nullptr) != 0;
}

bool NamePresent(const std::string& path) {
    return ::GetFileAttributesW(SystemPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void ReplaceContents(int fd, const void* data, size_t size) {
    WriteAt(fd, data, size, 0);
    HANDLE h = HandleOf(fd);
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = LONGLONG(size);
    if (!::SetFileInformationByHandle(h, FileEndOfFileInfo, &end, sizeof end)) ThrowWriteError();
}

std::vector<unsigned char> ReadStart(int fd, size_t max) {
    std::vector<unsigned char> bytes(max);
    HANDLE h = HandleOf(fd);
    size_t got = 0;
    while (got < max) {
        OVERLAPPED at{};
        at.Offset = DWORD(got);
        DWORD n = 0;
        if (!::ReadFile(h, bytes.data() + got, DWORD(max - got), &n, &at) || n == 0) break;
        got += n;
    }
    bytes.resize(got);
    return bytes;
}

LockResult TakeFileLock(const std::string& path, bool create, File& out) {
    // The lock is the open itself: without read or write sharing no other
    // open of the file succeeds while we hold it. Delete sharing lets the
    // holder remove or rename it while it is open.
    const DWORD access = GENERIC_READ | (create ? GENERIC_WRITE : 0);
    HANDLE h = ::CreateFileW(SystemPath(path).c_str(), access, FILE_SHARE_DELETE, nullptr,
                             create ? OPEN_ALWAYS : OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_SHARING_VIOLATION ? LockResult::Held : LockResult::Failed;
    BY_HANDLE_FILE_INFORMATION info{};
    bool regular = ::GetFileType(h) == FILE_TYPE_DISK && ::GetFileInformationByHandle(h, &info) &&
                   !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    File f(AdoptHandle(h)); // closes the handle when it cannot take it
    if (!regular || !f.IsOpen()) return LockResult::Failed;
    // Its holder may have removed it between its close and our open.
    if (IdOfPath(path) != f.Id()) return LockResult::Failed;
    out = std::move(f);
    return LockResult::Taken;
}

} // namespace pw
