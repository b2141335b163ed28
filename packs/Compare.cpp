#include "packs/Compare.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/Error.h"

namespace pw {

namespace {
constexpr size_t Piece = 1 << 20;
}

ByteCompare::ByteCompare() : a_(new char[Piece]), b_(new char[Piece]) {}

void ByteCompare::ReadAt(int fd, int64_t offset, char* to, size_t count) {
    while (count > 0) {
        ssize_t n = ::pread(fd, to, count, off_t(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ThrowReadError();
        to += n;
        offset += n;
        count -= size_t(n);
    }
}

bool ByteCompare::Same(int a, int64_t offsetA, int b, int64_t offsetB, int64_t count) {
    while (count > 0) {
        size_t n = size_t(std::min<int64_t>(count, int64_t(Piece)));
        ReadAt(a, offsetA, a_.get(), n);
        ReadAt(b, offsetB, b_.get(), n);
        if (std::memcmp(a_.get(), b_.get(), n) != 0) return false;
        offsetA += int64_t(n);
        offsetB += int64_t(n);
        count -= int64_t(n);
    }
    return true;
}

bool ByteCompare::Zero(int fd, int64_t offset, int64_t count) {
    while (count > 0) {
        size_t n = size_t(std::min<int64_t>(count, int64_t(Piece)));
        ReadAt(fd, offset, a_.get(), n);
        const char* p = a_.get();
        if (std::any_of(p, p + n, [](char c) { return c != 0; })) return false;
        offset += int64_t(n);
        count -= int64_t(n);
    }
    return true;
}

bool ByteCompare::Holds(int fd, const unsigned char* bytes, size_t count) {
    if (SizeOf(fd) != int64_t(count)) return false;
    for (size_t done = 0; done < count;) {
        size_t n = std::min(count - done, Piece);
        ReadAt(fd, int64_t(done), a_.get(), n);
        if (std::memcmp(a_.get(), bytes + done, n) != 0) return false;
        done += n;
    }
    return true;
}

int64_t ByteCompare::SizeOf(int fd) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) return -1;
    return int64_t(st.st_size);
}

} // namespace pw
