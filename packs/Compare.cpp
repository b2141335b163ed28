#include "packs/Compare.h"

#include <algorithm>
#include <cstring>

#include "core/Error.h"
#include "core/FileIO.h"

namespace pw {

namespace {
constexpr size_t Piece = 128 << 10; // small enough to stay in the cache between read and compare
constexpr size_t Window = 8 << 20;

// Zero when the first byte is, and every byte equals the one before it.
bool AllZero(const unsigned char* p, size_t n) { return n == 0 || (p[0] == 0 && std::memcmp(p, p + 1, n - 1) == 0); }
} // namespace

MappedWindow::MappedWindow(int fd) : fd_(fd), size_(FileSizeOf(fd)) {}

MappedWindow::~MappedWindow() {
    if (base_) UnmapFile(base_, length_);
}

const unsigned char* MappedWindow::At(int64_t offset, size_t count) {
    if (offset < 0 || count > MaxSpan || offset + int64_t(count) > size_) ThrowReadError();
    if (count == 0) return nullptr;
    if (!base_ || offset < from_ || offset + int64_t(count) > from_ + int64_t(length_)) {
        if (base_) UnmapFile(base_, length_);
        base_ = nullptr;
        const int64_t page = MapGranularity();
        from_ = offset / page * page;
        length_ = size_t(std::min<int64_t>(int64_t(Window), size_ - from_));
        const void* p = MapFileRead(fd_, from_, length_);
        if (!p) ThrowReadError();
        base_ = p;
    }
    return static_cast<const unsigned char*>(base_) + (offset - from_);
}

ByteCompare::ByteCompare() : a_(new char[Piece]), b_(new char[Piece]) {}

bool ByteCompare::Same(int a, int64_t offsetA, int b, int64_t offsetB, int64_t count) {
    while (count > 0) {
        size_t n = size_t(std::min<int64_t>(count, int64_t(Piece)));
        ReadAt(a, a_.get(), n, offsetA);
        ReadAt(b, b_.get(), n, offsetB);
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
        ReadAt(fd, a_.get(), n, offset);
        if (!AllZero(reinterpret_cast<const unsigned char*>(a_.get()), n)) return false;
        offset += int64_t(n);
        count -= int64_t(n);
    }
    return true;
}

bool ByteCompare::Holds(int fd, const unsigned char* bytes, size_t count) {
    if (FileSizeOf(fd) != int64_t(count)) return false;
    for (size_t done = 0; done < count;) {
        size_t n = std::min(count - done, Piece);
        ReadAt(fd, a_.get(), n, int64_t(done));
        if (std::memcmp(a_.get(), bytes + done, n) != 0) return false;
        done += n;
    }
    return true;
}

bool ByteCompare::Same(MappedWindow& a, int64_t offsetA, int b, int64_t offsetB, int64_t count) {
    while (count > 0) {
        size_t n = size_t(std::min<int64_t>(count, int64_t(Piece)));
        const unsigned char* p = a.At(offsetA, n);
        ReadAt(b, b_.get(), n, offsetB);
        if (std::memcmp(p, b_.get(), n) != 0) return false;
        offsetA += int64_t(n);
        offsetB += int64_t(n);
        count -= int64_t(n);
    }
    return true;
}

bool ByteCompare::Zero(MappedWindow& a, int64_t offset, int64_t count) {
    while (count > 0) {
        size_t n = size_t(std::min<int64_t>(count, int64_t(Piece)));
        if (!AllZero(a.At(offset, n), n)) return false;
        offset += int64_t(n);
        count -= int64_t(n);
    }
    return true;
}

} // namespace pw
