#include "core/CFile.h"

#include <sys/stat.h>
#include <unistd.h>

namespace pw {

std::FILE* OpenCFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

std::FILE* DupCFile(int fd, const char* mode) {
    int copy = ::dup(fd);
    if (copy < 0) return nullptr;
    std::FILE* f = ::fdopen(copy, mode);
    if (!f) ::close(copy);
    return f;
}

bool CFileIsFolder(std::FILE* file) {
    struct stat st {};
    return ::fstat(::fileno(file), &st) != 0 || S_ISDIR(st.st_mode);
}

bool SkipCFile(std::FILE* file, int64_t count) { return ::fseeko(file, off_t(count), SEEK_CUR) == 0; }

} // namespace pw
