#pragma once
// Files as the program opens them. "Not shared" means that no other opener,
// in this or any cooperating process, gets the file while we hold it: an
// exclusive lock on the open file description (flock) on POSIX systems, an
// open without sharing (share mode 0) on Windows. The implementations are
// core/posix and core/windows, chosen by the build. Only regular files are
// read: a FIFO, device or socket named by a file's content could block a run
// for ever or never end, so it is refused as a file that cannot be opened.
// Every failure raises pw::Error with the message of the operation that
// failed.
#include <cstdint>
#include <string>
#include <vector>

namespace pw {

struct FileId {
    uint64_t dev = 0, ino = 0;
    bool operator==(const FileId&) const = default;
};

// What stands under a name, told apart from what stood there before: its
// id, length and time of last change of its data (nanoseconds since the
// epoch). A rename keeps all four; a new file, or a copy written over the
// old one, changes at least one. Size -1: nothing stands there.
struct FileStamp {
    FileId id;
    int64_t size = -1;
    int64_t modified = 0;
    bool operator==(const FileStamp&) const = default;
    bool Present() const { return size >= 0; }
};
// The stamp of the file under `path` itself (a link is not followed).
FileStamp StampOfPath(const std::string& path);

// What an open file is, told by the open file itself in one query.
struct FileInfo {
    FileId id;
    int64_t size = -1;
    bool regular = false;
};

class File {
public:
    File() = default;
    explicit File(int fd) : fd_(fd) {}
    File(File&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    File& operator=(File&& other) noexcept {
        if (this != &other) {
            Close();
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }
    ~File() { Close(); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    int Fd() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    void Close();
    int64_t Size() const;   // -1 when it cannot be told
    FileId Id() const;
    FileInfo Info() const;  // size -1 and an empty id when it cannot be told

private:
    int fd_ = -1;
};

// Read only, not shared. "Cannot open file %s" on failure, when another
// holds the file, or when it is not a regular file.
File OpenReadNotShared(const std::string& path);
// The same for a name that may name nothing: a closed File when nothing of
// that name exists (a dangling link neither), else the open file, or "Cannot
// open file %s" as above. `info` tells what was opened. One open and one
// query of the open file, where testing the name first would cost more.
// With `busy`, a file held by another opener (this process included), or
// one that cannot be opened for want of descriptors, gives a closed File
// and sets *busy instead, so that the caller can try again later.
File OpenReadNotSharedIfExists(const std::string& path, FileInfo* info, bool* busy = nullptr);
// Read and write, not shared; "Cannot open file %s".
File OpenReadWriteNotShared(const std::string& path);
// A new file replacing an existing one, not shared; "Cannot create file %s".
// Refused, before anything changes, when the path names one of `reading` or
// anything but a regular file. A symbolic link under that name is replaced,
// never written through.
File CreateNotShared(const std::string& path, const std::vector<FileId>& reading = {});

// Whether a file or folder of that name exists (a dangling link does not).
bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);
// The length of the regular file a path names (links followed); -1 when it
// names nothing or something else.
int64_t RegularFileSize(const std::string& path);
// The id of an existing file, or an empty id.
FileId IdOfPath(const std::string& path);

// Whether a named pipe is read like a file: only where the user named the
// file himself (a pack or log on the command line or in the list), so that a
// pipe can feed the tool.
enum class Pipes { Refuse, Allow };

// The whole file in memory; "Cannot open file %s", "Stream read error".
// `info`, when given, tells what was read (regular: false for a pipe).
std::vector<unsigned char> ReadWholeFile(const std::string& path, Pipes pipes = Pipes::Refuse,
                                         FileInfo* info = nullptr);

// A sibling of `path` with the same name in another letter case, when `path`
// itself does not exist (MENU.FAT beside MENU.MIX); else `path` unchanged.
std::string FindCaseInsensitive(const std::string& path);

// Writes all of it at the file's current end; "Stream write error".
void WriteAll(int fd, const void* data, size_t size);
// Reads exactly `size` bytes at `offset`; "Stream read error" when the file
// ends before them. Writes all of it at `offset`; "Stream write error".
// Neither relies on the file's position.
void ReadAt(int fd, void* data, size_t size, int64_t offset);
void WriteAt(int fd, const void* data, size_t size, int64_t offset);

// A read-only view of `length` bytes of an open file from `offset`, a
// multiple of MapGranularity(); null when it cannot be made. UnmapFile ends
// it. FileSizeOf: an open file's length, -1 when it cannot be told.
const void* MapFileRead(int fd, int64_t offset, size_t length);
void UnmapFile(const void* view, size_t length);
int64_t MapGranularity();
int64_t FileSizeOf(int fd);

// Removes a file; true when it is gone (also when it was never there).
bool RemoveFile(const std::string& path);
// Whether a rename may put a file under `path` now. On Windows another
// program that holds the file under that name without delete sharing, or a
// read-only file, refuses it; a POSIX rename is never refused by openers.
bool NameCanBeReplaced(const std::string& path);

// Copies `count` bytes from `src` at `offset` to `dst` at its current
// position, without holding them in memory: the kernel's copy where it
// agrees, else a bounded read/write loop. "Stream read error" when the
// source ends early, "Stream write error" when the target cannot take them.
void CopyRange(int src, int64_t offset, int dst, int64_t count);
// The same, written at `dstOffset` of `dst` (a file, not a pipe) without
// moving its position.
void CopyRangeAt(int src, int64_t offset, int dst, int64_t dstOffset, int64_t count);

} // namespace pw
