#include "core/FileIO.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "core/Console.h"
#include "core/Error.h"
#include "core/FileNames.h"

namespace pw {

namespace {

constexpr size_t CopyBufferSize = 256 * 1024;

FileId IdOf(const struct stat& st) { return {uint64_t(st.st_dev), uint64_t(st.st_ino)}; }

int OpenRetry(const std::string& path, int flags, mode_t mode = 0) {
    int fd;
    do fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// The exclusive lock that makes an open "not shared".
bool LockExclusive(int fd) {
    int r;
    do r = ::flock(fd, LOCK_EX | LOCK_NB);
    while (r < 0 && errno == EINTR);
    return r == 0;
}

// Where allowed, a named pipe is opened once, waiting for its writer: were
// it first opened without waiting, a writer could come, write and go before
// the waiting open, whose wait would then never end.
// Ctrl-C ends the wait for a writer that never comes.
File OpenPipe(const std::string& path, int flags) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_NOCTTY | O_CLOEXEC);
        if (fd < 0 && errno == EINTR && InterruptRequested()) throw Interrupted();
    } while (fd < 0 && errno == EINTR);
    File f(fd);
    struct stat st {};
    if (!f.IsOpen() || ::fstat(f.Fd(), &st) != 0 || !(S_ISFIFO(st.st_mode) || S_ISREG(st.st_mode)))
        ThrowCannotOpen(path);
    return f;
}

// Opens without waiting on a FIFO, then keeps the file only if it is a
// regular one (or, where allowed, a pipe, opened again to wait for its writer
// when it became one after the name was looked at).
File OpenInput(const std::string& path, int flags, Pipes pipes = Pipes::Refuse) {
    if (pipes == Pipes::Allow) {
        struct stat named {};
        if (::stat(path.c_str(), &named) == 0 && S_ISFIFO(named.st_mode)) return OpenPipe(path, flags);
    }
    File f(OpenRetry(path, flags | O_NONBLOCK | O_NOCTTY));
    struct stat st {};
    if (!f.IsOpen() || ::fstat(f.Fd(), &st) != 0) ThrowCannotOpen(path);
    if (S_ISFIFO(st.st_mode) && pipes == Pipes::Allow) {
        f.Close();
        return OpenPipe(path, flags);
    }
    if (!S_ISREG(st.st_mode)) ThrowCannotOpen(path);
    // O_NONBLOCK stays: regular files ignore it, and clearing it would cost
    // two more calls per file.
    return f;
}

File OpenNotShared(const std::string& path, int flags) {
    File f = OpenInput(path, flags);
    if (!LockExclusive(f.Fd())) ThrowCannotOpen(path);
    return f;
}

} // namespace

void File::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

int64_t File::Size() const { return FileSizeOf(fd_); }

FileId File::Id() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return {};
    return IdOf(st);
}

FileInfo File::Info() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return {};
    return {IdOf(st), int64_t(st.st_size), S_ISREG(st.st_mode)};
}

File OpenReadNotShared(const std::string& path) { return OpenNotShared(path, O_RDONLY); }

File OpenReadNotSharedIfExists(const std::string& path, FileInfo* info, bool* busy) {
    if (busy) *busy = false;
    File f(OpenRetry(path, O_RDONLY | O_NONBLOCK | O_NOCTTY));
    if (!f.IsOpen()) {
        const int error = errno;
        // Most names that cannot be opened name nothing; for the others the
        // name itself tells whether something stands there.
        if (error == ENOENT || error == ENOTDIR || !Exists(path)) return File();
        if (busy && (error == EMFILE || error == ENFILE)) {
            *busy = true;
            return File();
        }
        ThrowCannotOpen(path);
    }
    *info = f.Info();
    if (!info->regular) ThrowCannotOpen(path);
    if (!LockExclusive(f.Fd())) {
        if (!busy) ThrowCannotOpen(path);
        *busy = true;
        return File();
    }
    return f;
}

File OpenReadWriteNotShared(const std::string& path) { return OpenNotShared(path, O_RDWR); }

File CreateNotShared(const std::string& path, const std::vector<FileId>& reading) {
    // Opened without truncation first: a file that the run reads from must
    // come through untouched, so it is recognised before anything changes.
    // O_NONBLOCK: a FIFO under the name fails at once instead of waiting.
    const int flags = O_WRONLY | O_CREAT | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK;
    File f(OpenRetry(path, flags, 0666));
    if (!f.IsOpen() && errno == ELOOP && ::unlink(path.c_str()) == 0)
        f = File(OpenRetry(path, flags | O_EXCL, 0666)); // the link goes, a file takes its place
    if (!f.IsOpen()) ThrowCannotCreate(path);
    struct stat st {};
    if (::fstat(f.Fd(), &st) != 0 || !S_ISREG(st.st_mode)) ThrowCannotCreate(path);
    const FileId id = IdOf(st);
    for (const FileId& r : reading)
        if (r == id) ThrowCannotCreate(path);
    if (!LockExclusive(f.Fd())) ThrowCannotCreate(path);
    // A new file is empty already; truncating it anyway costs a journal
    // transaction, and ext4 then flushes it on close.
    if (st.st_size != 0 && ::ftruncate(f.Fd(), 0) != 0) ThrowCannotCreate(path);
    return f; // O_NONBLOCK stays set: a regular file ignores it
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t RegularFileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? int64_t(st.st_size) : -1;
}

FileId IdOfPath(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return IdOf(st);
}

FileStamp StampOfPath(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return {};
    return {IdOf(st), int64_t(st.st_size), int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

std::vector<unsigned char> ReadWholeFile(const std::string& path, Pipes pipes, FileInfo* info) {
    File f = OpenInput(path, O_RDONLY, pipes);
    if (info) *info = f.Info();
    std::vector<unsigned char> data;
    const int64_t size = f.Size();
    if (size > 0) data.reserve(size_t(size));
    unsigned char buf[65536];
    for (;;) {
        ssize_t n = ::read(f.Fd(), buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ThrowReadError();
        if (n == 0) break;
        data.insert(data.end(), buf, buf + n);
    }
    return data;
}

std::string FindCaseInsensitive(const std::string& path) {
    if (Exists(path)) return path;
    std::string folder = ExtractFilePath(path);
    std::string name = ExtractFileName(path);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
    if (!dir) return path;
    while (dirent* e = ::readdir(dir.get()))
        if (SameTextAscii(e->d_name, name)) return folder + e->d_name;
    return path;
}


namespace {

// Writes all of it at `*at` (which moves on), or at the file position when
// `at` is null.
void WriteAllAt(int fd, const char* p, size_t size, int64_t* at) {
    while (size > 0) {
        ssize_t n = at ? ::pwrite(fd, p, size, off_t(*at)) : ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ThrowWriteError();
        p += n;
        size -= size_t(n);
        if (at) *at += n;
    }
}

void CopyByReadWrite(int src, int64_t offset, int dst, int64_t* at, int64_t count) {
    std::unique_ptr<char[]> buf(new char[CopyBufferSize]);
    while (count > 0) {
        size_t want = size_t(std::min<int64_t>(count, int64_t(CopyBufferSize)));
        ssize_t n = ::pread(src, buf.get(), want, off_t(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ThrowReadError();
        WriteAllAt(dst, buf.get(), size_t(n), at);
        offset += n;
        count -= n;
    }
}

void Copy(int src, int64_t offset, int dst, int64_t* at, int64_t count) {
    loff_t in = offset;
    while (count > 0) {
        size_t want = size_t(std::min<int64_t>(count, int64_t(1) << 30));
        loff_t out = at ? loff_t(*at) : 0;
        ssize_t n = ::copy_file_range(src, &in, dst, at ? &out : nullptr, want, 0);
        if (n > 0) {
            count -= n;
            if (at) *at = int64_t(out);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) ThrowReadError(); // the source ended early
        switch (errno) {
        case EFBIG:
        case ENOSPC:
        case EDQUOT:
            ThrowWriteError();
        case EIO:
            ThrowReadError();
        default: // the kernel will not copy between these two: do it by hand
            CopyByReadWrite(src, int64_t(in), dst, at, count);
            return;
        }
    }
}

} // namespace

void WriteAll(int fd, const void* data, size_t size) {
    WriteAllAt(fd, static_cast<const char*>(data), size, nullptr);
}

void ReadAt(int fd, void* data, size_t size, int64_t offset) {
    char* p = static_cast<char*>(data);
    while (size > 0) {
        ssize_t n = ::pread(fd, p, size, off_t(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ThrowReadError();
        p += n;
        offset += n;
        size -= size_t(n);
    }
}

void WriteAt(int fd, const void* data, size_t size, int64_t offset) {
    WriteAllAt(fd, static_cast<const char*>(data), size, &offset);
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0 || errno == ENOENT; }

bool NameCanBeReplaced(const std::string&) { return true; }

const void* MapFileRead(int fd, int64_t offset, size_t length) {
    void* p = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, off_t(offset));
    if (p == MAP_FAILED) return nullptr;
    ::madvise(p, length, MADV_SEQUENTIAL);
    return p;
}

void UnmapFile(const void* view, size_t length) { ::munmap(const_cast<void*>(view), length); }

int64_t MapGranularity() { return ::sysconf(_SC_PAGESIZE); }

int64_t FileSizeOf(int fd) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) return -1;
    return int64_t(st.st_size);
}

void CopyRange(int src, int64_t offset, int dst, int64_t count) { Copy(src, offset, dst, nullptr, count); }

void CopyRangeAt(int src, int64_t offset, int dst, int64_t dstOffset, int64_t count) {
    Copy(src, offset, dst, &dstOffset, count);
}

} // namespace pw
