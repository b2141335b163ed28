#include "core/CFile.h"

#include <io.h>
#include <sys/stat.h>

#include "core/windows/Wide.h"

namespace pw {

std::FILE* OpenCFile(const std::string& path, const char* mode) {
    return ::_wfopen(win::SystemPath(path).c_str(), win::Utf16(mode).c_str());
}

std::FILE* DupCFile(int fd, const char* mode) {
    int copy = ::_dup(fd);
    if (copy < 0) return nullptr;
    std::FILE* f = ::_fdopen(copy, mode);
    if (!f) ::_close(copy);
    return f;
}

bool CFileIsFolder(std::FILE* file) {
    struct _stat64 st {};
    return ::_fstat64(::_fileno(file), &st) != 0 || (st.st_mode & _S_IFDIR);
}

bool SkipCFile(std::FILE* file, int64_t count) { return ::_fseeki64(file, count, SEEK_CUR) == 0; }

} // namespace pw
