#include "core/FileSync.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "core/Error.h"

namespace pw {

namespace {

File OpenFolder(const std::string& folder) {
    return File(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

} // namespace

void SyncFileData(int fd) {
    int r;
    do r = ::fdatasync(fd);
    while (r < 0 && errno == EINTR);
    if (r != 0) ThrowWriteError();
}

void SyncFolder(const std::string& folder) {
    File dir = OpenFolder(folder);
    if (!dir.IsOpen()) ThrowWriteError();
    int r;
    do r = ::fsync(dir.Fd());
    while (r < 0 && errno == EINTR);
    // Some file systems cannot sync a folder at all; their names are as
    // durable as they get.
    if (r != 0 && errno != EINVAL && errno != ENOTSUP) ThrowWriteError();
}

void SyncFileSystemOf(const std::string& folder) {
    File dir = OpenFolder(folder);
    if (!dir.IsOpen() || ::syncfs(dir.Fd()) != 0) ThrowWriteError();
}

void StartWriteBack(int fd) {
#ifdef SYNC_FILE_RANGE_WRITE
    ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE); // a hint: a failure changes nothing
#else
    (void)fd;
#endif
}

File HoldFile(const std::string& path) {
    File f(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (f.IsOpen() && !f.Info().regular) f.Close();
    return f;
}

bool RenameReplacing(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool LinkFile(const std::string& from, const std::string& to) {
    return ::link(from.c_str(), to.c_str()) == 0;
}

bool NamePresent(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

void ReplaceContents(int fd, const void* data, size_t size) {
    WriteAt(fd, data, size, 0);
    if (::ftruncate(fd, off_t(size)) != 0) ThrowWriteError();
}

std::vector<unsigned char> ReadStart(int fd, size_t max) {
    std::vector<unsigned char> bytes(max);
    size_t got = 0;
    while (got < max) {
        ssize_t n = ::pread(fd, bytes.data() + got, max - got, off_t(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += size_t(n);
    }
    bytes.resize(got);
    return bytes;
}

LockResult TakeFileLock(const std::string& path, bool create, File& out) {
    const int flags = (create ? O_RDWR | O_CREAT : O_RDONLY) | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
    for (int attempt = 0; attempt < 10; ++attempt) {
        File f;
        do f = File(::open(path.c_str(), flags, 0666));
        while (!f.IsOpen() && errno == EINTR);
        if (!f.IsOpen()) return LockResult::Failed;
        struct stat st {};
        if (::fstat(f.Fd(), &st) != 0 || !S_ISREG(st.st_mode)) return LockResult::Failed;
        int r;
        do r = ::flock(f.Fd(), LOCK_EX | LOCK_NB);
        while (r < 0 && errno == EINTR);
        if (r != 0) return errno == EWOULDBLOCK ? LockResult::Held : LockResult::Failed;
        // Its holder may have removed it between our open and our lock.
        struct stat named {};
        if (::fstat(f.Fd(), &st) == 0 && st.st_nlink > 0 && ::lstat(path.c_str(), &named) == 0 &&
            named.st_dev == st.st_dev && named.st_ino == st.st_ino) {
            ::fcntl(f.Fd(), F_SETFL, ::fcntl(f.Fd(), F_GETFL) & ~O_NONBLOCK);
            out = std::move(f);
            return LockResult::Taken;
        }
        if (!create) return LockResult::Failed; // gone: nothing left to take
    }
    return LockResult::Failed;
}

} // namespace pw
