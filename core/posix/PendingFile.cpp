#include "core/PendingFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "core/Error.h"
#include "core/FileNames.h"

namespace pw {

PendingFile::PendingFile(std::string finalPath) : finalPath_(std::move(finalPath)) {
    static std::atomic<unsigned> counter{0};
    std::string folder = ExtractFilePath(finalPath_);
    std::string name = ExtractFileName(finalPath_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Hidden, so a directory scan of the target folder does not list it.
        tempPath_ = folder + "." + name + "." + std::to_string(::getpid()) + "-" +
                    std::to_string(counter++) + ".tmp";
        int fd = ::open(tempPath_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            file_ = File(fd);
            ::flock(fd, LOCK_EX | LOCK_NB);
            return;
        }
        if (errno != EEXIST) break;
    }
    ThrowCannotCreate(finalPath_);
}

PendingFile::~PendingFile() {
    if (!committed_) {
        file_.Close();
        ::unlink(tempPath_.c_str());
    }
}

void PendingFile::Commit() {
    if (::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) ThrowCannotCreate(finalPath_);
    committed_ = true;
    file_.Close();
}

} // namespace pw
