#include "core/PendingFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "core/Error.h"
#include "core/FileNames.h"
#include "core/FileSync.h"

namespace pw {

namespace {

std::atomic<bool> refuseUnnamed{false};
std::atomic<unsigned> counter{0};

// A file in `folder` with no name, or an invalid File where the file system
// (or /proc, needed to name it later) refuses.
File OpenUnnamed(const std::string& folder) {
#ifdef O_TMPFILE
    if (refuseUnnamed.load()) return File();
    File f(::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666));
    if (!f.IsOpen()) return File();
    if (::access(("/proc/self/fd/" + std::to_string(f.Fd())).c_str(), F_OK) != 0) return File();
    return f;
#else
    (void)folder;
    return File();
#endif
}

// Gives the open file `fd` the name `path`; false (errno set) when it cannot.
bool LinkOpenFile(int fd, const std::string& path) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

} // namespace

void PendingFile::RefuseUnnamedFiles(bool refuse) { refuseUnnamed.store(refuse); }

std::string PendingFile::FreshTemporaryPath(const std::string& finalPath) {
    return ExtractFilePath(finalPath) +
           TemporaryName(ExtractFileName(finalPath), static_cast<unsigned long>(::getpid()), counter++);
}

std::string PendingFile::TemporaryPath() { return FreshTemporaryPath(finalPath_); }

PendingFile::PendingFile(std::string finalPath, bool sync)
    : finalPath_(std::move(finalPath)), folder_(ExtractFilePath(finalPath_)), sync_(sync) {
    file_ = OpenUnnamed(folder_);
    if (file_.IsOpen()) {
        ::flock(file_.Fd(), LOCK_EX | LOCK_NB);
        return;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = TemporaryPath();
        File f(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!f.IsOpen()) {
            if (errno == EEXIST) continue;
            break;
        }
        // Locked the moment it exists, and kept only if no other run's
        // clean-up took it for a leftover in between.
        if (::flock(f.Fd(), LOCK_EX | LOCK_NB) == 0 && f.Id() == IdOfPath(path)) {
            file_ = std::move(f);
            namedPath_ = std::move(path);
            return;
        }
    }
    ThrowCannotCreate(finalPath_);
}

PendingFile::~PendingFile() {
    if (!committed_ && !staged_ && !namedPath_.empty()) ::unlink(namedPath_.c_str());
}

// Gives the file the name `path`; a file of that name is replaced.
void PendingFile::NameAs(const std::string& path) {
    if (!namedPath_.empty()) {
        if (!RenameReplacing(namedPath_, path)) ThrowCannotCreate(finalPath_);
        namedPath_ = path;
        return;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (LinkOpenFile(file_.Fd(), path)) {
            namedPath_ = path;
            return;
        }
        if (errno != EEXIST || !RemoveFile(path)) break;
    }
    ThrowCannotCreate(finalPath_);
}

void PendingFile::Commit() {
    SyncData();
    if (namedPath_.empty()) {
        // Linked under a fresh temporary name, then renamed over the final
        // one: an earlier file is replaced in one step.
        for (int attempt = 0; namedPath_.empty(); ++attempt) {
            std::string path = TemporaryPath();
            if (LinkOpenFile(file_.Fd(), path))
                namedPath_ = std::move(path);
            else if (errno != EEXIST || attempt >= 100)
                ThrowCannotCreate(finalPath_);
        }
    }
    if (!RenameReplacing(namedPath_, finalPath_)) ThrowCannotCreate(finalPath_);
    committed_ = true;
    file_.Close();
    if (sync_) SyncFolder(folder_);
}

} // namespace pw
