#include "core/FileIO.h"

#include <io.h>

#include <algorithm>
#include <memory>

#include "core/Directory.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "core/windows/Wide.h"

namespace pw {

using namespace win;

namespace {

constexpr size_t CopyBufferSize = 256 * 1024;
constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags = 0) {
    return ::CreateFileW(SystemPath(path).c_str(), access, share, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL | flags, nullptr);
}

FileId IdOf(const BY_HANDLE_FILE_INFORMATION& info) {
    return {info.dwVolumeSerialNumber, (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// What the path names, links followed; false when nothing does.
bool Describe(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    // No data access: opens like this are not refused by another's share mode.
    HANDLE h = Open(path, FILE_READ_ATTRIBUTES, ShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = ::GetFileInformationByHandle(h, &info) != 0;
    ::CloseHandle(h);
    return ok;
}

// Keeps an opened handle only if it is a file on a disk (or, where allowed,
// a pipe); a console, a printer port or a device name is refused.
File Input(const std::string& path, HANDLE h, Pipes pipes) {
    if (h == INVALID_HANDLE_VALUE) ThrowCannotOpen(path);
    DWORD type = ::GetFileType(h);
    if (type != FILE_TYPE_DISK && !(type == FILE_TYPE_PIPE && pipes == Pipes::Allow)) {
        ::CloseHandle(h);
        ThrowCannotOpen(path);
    }
    File f(AdoptHandle(h));
    if (!f.IsOpen()) ThrowCannotOpen(path);
    return f;
}

// Reads up to `size` bytes, at `offset` unless it is negative; 0 at the end.
size_t ReadSome(HANDLE h, void* data, size_t size, int64_t offset) {
    DWORD want = DWORD(std::min<size_t>(size, size_t(1) << 30)), got = 0;
    OVERLAPPED at{};
    at.Offset = DWORD(uint64_t(offset));
    at.OffsetHigh = DWORD(uint64_t(offset) >> 32);
    if (::ReadFile(h, data, want, &got, offset >= 0 ? &at : nullptr)) return got;
    DWORD e = ::GetLastError();
    if (e == ERROR_HANDLE_EOF || e == ERROR_BROKEN_PIPE) return 0;
    ThrowReadError();
}

// Writes all of it at `*at` (which moves on), or at the file position when
// `at` is null.
void WriteAllAt(HANDLE h, const char* p, size_t size, int64_t* at) {
    while (size > 0) {
        DWORD want = DWORD(std::min<size_t>(size, size_t(1) << 30)), done = 0;
        OVERLAPPED where{};
        if (at) {
            where.Offset = DWORD(uint64_t(*at));
            where.OffsetHigh = DWORD(uint64_t(*at) >> 32);
        }
        if (!::WriteFile(h, p, want, &done, at ? &where : nullptr) || done == 0) ThrowWriteError();
        p += done;
        size -= done;
        if (at) *at += done;
    }
}

// Bounded copies only: Windows has no kernel copy between open files.
void Copy(int src, int64_t offset, int dst, int64_t* at, int64_t count) {
    std::unique_ptr<char[]> buf(new char[CopyBufferSize]);
    HANDLE in = HandleOf(src), out = HandleOf(dst);
    while (count > 0) {
        size_t n = ReadSome(in, buf.get(), size_t(std::min<int64_t>(count, int64_t(CopyBufferSize))), offset);
        if (n == 0) ThrowReadError(); // the source ended early
        WriteAllAt(out, buf.get(), n, at);
        offset += int64_t(n);
        count -= int64_t(n);
    }
}

} // namespace

void File::Close() {
    if (fd_ >= 0) ::_close(fd_);
    fd_ = -1;
}

int64_t File::Size() const { return FileSizeOf(fd_); }

FileId File::Id() const {
    BY_HANDLE_FILE_INFORMATION info{};
    if (fd_ < 0 || !::GetFileInformationByHandle(HandleOf(fd_), &info)) return {};
    return IdOf(info);
}

File OpenReadNotShared(const std::string& path) {
    return Input(path, Open(path, GENERIC_READ, 0, OPEN_EXISTING), Pipes::Refuse);
}

FileInfo File::Info() const {
    BY_HANDLE_FILE_INFORMATION info{};
    if (fd_ < 0 || !::GetFileInformationByHandle(HandleOf(fd_), &info)) return {};
    const bool regular =
        ::GetFileType(HandleOf(fd_)) == FILE_TYPE_DISK && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    return {IdOf(info), (int64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow, regular};
}

File OpenReadNotSharedIfExists(const std::string& path, FileInfo* info, bool* busy) {
    if (busy) *busy = false;
    HANDLE h = Open(path, GENERIC_READ, 0, OPEN_EXISTING);
    if (h == INVALID_HANDLE_VALUE) {
        // Most names that cannot be opened name nothing; for the others the
        // name itself tells whether something stands there. Another opener
        // (share mode 0) or no free handle is "busy" where the caller asks.
        const DWORD e = ::GetLastError();
        if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND || !Exists(path)) return File();
        if (busy && (e == ERROR_SHARING_VIOLATION || e == ERROR_TOO_MANY_OPEN_FILES)) {
            *busy = true;
            return File();
        }
        ThrowCannotOpen(path);
    }
    File f = Input(path, h, Pipes::Refuse);
    *info = f.Info();
    if (!info->regular) ThrowCannotOpen(path);
    return f;
}

File OpenReadWriteNotShared(const std::string& path) {
    return Input(path, Open(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING), Pipes::Refuse);
}

File CreateNotShared(const std::string& path, const std::vector<FileId>& reading) {
    // Opened without truncation first: a file that the run reads from must
    // come through untouched, so it is recognised before anything changes.
    // A link under the name is opened itself, not followed.
    const DWORD access = GENERIC_WRITE | FILE_READ_ATTRIBUTES;
    HANDLE h = Open(path, access, 0, OPEN_ALWAYS, FILE_FLAG_OPEN_REPARSE_POINT);
    if (h == INVALID_HANDLE_VALUE) ThrowCannotCreate(path);
    BY_HANDLE_FILE_INFORMATION info{};
    bool ok = ::GetFileType(h) == FILE_TYPE_DISK && ::GetFileInformationByHandle(h, &info);
    if (ok && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        // The link goes, a file takes its place.
        ::CloseHandle(h);
        if (!::DeleteFileW(SystemPath(path).c_str())) ThrowCannotCreate(path);
        h = Open(path, access, 0, CREATE_NEW);
        if (h == INVALID_HANDLE_VALUE) ThrowCannotCreate(path);
        ok = ::GetFileType(h) == FILE_TYPE_DISK && ::GetFileInformationByHandle(h, &info);
    }
    File f(ok ? AdoptHandle(h) : -1);
    if (!ok) ::CloseHandle(h);
    if (!f.IsOpen() || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ThrowCannotCreate(path);
    const FileId id = IdOf(info);
    for (const FileId& r : reading)
        if (r == id) ThrowCannotCreate(path);
    if ((info.nFileSizeHigh | info.nFileSizeLow) != 0 && !::SetEndOfFile(h)) ThrowCannotCreate(path);
    return f;
}

bool Exists(const std::string& path) {
    DWORD attr = ::GetFileAttributesW(SystemPath(path).c_str());
    if (attr == INVALID_FILE_ATTRIBUTES) return false;
    if (!(attr & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
    BY_HANDLE_FILE_INFORMATION info{}; // a link: only if what it names exists
    return Describe(path, info);
}

bool IsDirectory(const std::string& path) {
    DWORD attr = ::GetFileAttributesW(SystemPath(path).c_str());
    if (attr == INVALID_FILE_ATTRIBUTES) return false;
    if (!(attr & FILE_ATTRIBUTE_REPARSE_POINT)) return (attr & FILE_ATTRIBUTE_DIRECTORY) != 0;
    BY_HANDLE_FILE_INFORMATION info{};
    return Describe(path, info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

int64_t RegularFileSize(const std::string& path) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!Describe(path, info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return -1;
    return (int64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

FileId IdOfPath(const std::string& path) {
    BY_HANDLE_FILE_INFORMATION info{};
    return Describe(path, info) ? IdOf(info) : FileId{};
}

FileStamp StampOfPath(const std::string& path) {
    BY_HANDLE_FILE_INFORMATION info{};
    HANDLE h = Open(path, FILE_READ_ATTRIBUTES, ShareAll, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT);
    if (h == INVALID_HANDLE_VALUE) return {};
    const bool ok = ::GetFileInformationByHandle(h, &info) != 0;
    ::CloseHandle(h);
    if (!ok) return {};
    const int64_t written =
        int64_t((uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime);
    return {IdOf(info), (int64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow, written * 100};
}

std::vector<unsigned char> ReadWholeFile(const std::string& path, Pipes pipes, FileInfo* info) {
    File f = Input(path, Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING), pipes);
    if (info) *info = f.Info();
    std::vector<unsigned char> data;
    const int64_t size = ::GetFileType(HandleOf(f.Fd())) == FILE_TYPE_DISK ? f.Size() : 0;
    if (size > 0) data.reserve(size_t(size));
    unsigned char buf[65536];
    while (size_t n = ReadSome(HandleOf(f.Fd()), buf, sizeof buf, -1)) data.insert(data.end(), buf, buf + n);
    return data;
}

std::string FindCaseInsensitive(const std::string& path) {
    // Windows folders compare names without case already; this finds the
    // companion in a folder made case-sensitive.
    if (Exists(path)) return path;
    std::string folder = ExtractFilePath(path);
    std::string name = ExtractFileName(path);
    for (const DirEntry& e : ListDirectory(folder.empty() ? "." : folder))
        if (SameTextAscii(e.Name, name)) return folder + e.Name;
    return path;
}

void WriteAll(int fd, const void* data, size_t size) {
    WriteAllAt(HandleOf(fd), static_cast<const char*>(data), size, nullptr);
}

void ReadAt(int fd, void* data, size_t size, int64_t offset) {
    char* p = static_cast<char*>(data);
    while (size > 0) {
        size_t n = ReadSome(HandleOf(fd), p, size, offset);
        if (n == 0) ThrowReadError();
        p += n;
        offset += int64_t(n);
        size -= n;
    }
}

void WriteAt(int fd, const void* data, size_t size, int64_t offset) {
    WriteAllAt(HandleOf(fd), static_cast<const char*>(data), size, &offset);
}

bool RemoveFile(const std::string& path) {
    if (::DeleteFileW(SystemPath(path).c_str())) return true;
    const DWORD e = ::GetLastError();
    return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND;
}

const void* MapFileRead(int fd, int64_t offset, size_t length) {
    HANDLE map = ::CreateFileMappingW(HandleOf(fd), nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!map) return nullptr;
    void* view = ::MapViewOfFile(map, FILE_MAP_READ, DWORD(uint64_t(offset) >> 32), DWORD(uint64_t(offset)), length);
    ::CloseHandle(map); // the view keeps the mapping
    return view;
}

void UnmapFile(const void* view, size_t) { ::UnmapViewOfFile(view); }

int64_t MapGranularity() {
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    return info.dwAllocationGranularity;
}

int64_t FileSizeOf(int fd) {
    LARGE_INTEGER size{};
    if (fd < 0 || !::GetFileSizeEx(HandleOf(fd), &size)) return -1;
    return size.QuadPart;
}

bool NameCanBeReplaced(const std::string& path) {
    // The rename opens the file it replaces for deletion: try the same.
    HANDLE h = Open(path, DELETE | FILE_READ_ATTRIBUTES, ShareAll, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD e = ::GetLastError();
        return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    bool ok = ::GetFileInformationByHandle(h, &info) &&
              !(info.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
    ::CloseHandle(h);
    return ok;
}

void CopyRange(int src, int64_t offset, int dst, int64_t count) { Copy(src, offset, dst, nullptr, count); }

void CopyRangeAt(int src, int64_t offset, int dst, int64_t dstOffset, int64_t count) {
    Copy(src, offset, dst, &dstOffset, count);
}

} // namespace pw
