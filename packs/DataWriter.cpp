#include "packs/DataWriter.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/Error.h"
#include "core/FileIO.h"

namespace pw {

namespace {
constexpr size_t BufferSize = 1 << 20;
// Entries of at least this size skip the buffer.
constexpr int64_t DirectSize = 256 * 1024;
} // namespace

DataWriter::DataWriter(int fd) : fd_(fd), buffer_(new char[BufferSize]) {}

void DataWriter::Append(int src, int64_t offset, int64_t count) {
    if (count >= DirectSize) {
        Flush();
        CopyRangeAt(src, offset, fd_, fileEnd_, count);
        fileEnd_ += count;
        return;
    }
    if (used_ + size_t(count) > BufferSize) Flush();
    char* p = buffer_.get() + used_;
    while (count > 0) {
        ssize_t n = ::pread(src, p, size_t(count), off_t(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ThrowReadError();
        p += n;
        offset += n;
        count -= n;
        used_ += size_t(n);
    }
}

void DataWriter::AppendZeros(int64_t count) {
    while (count > 0) {
        if (used_ == BufferSize) Flush();
        size_t n = size_t(std::min<int64_t>(count, int64_t(BufferSize - used_)));
        std::memset(buffer_.get() + used_, 0, n);
        used_ += n;
        count -= int64_t(n);
    }
}

void DataWriter::Flush() {
    size_t done = 0;
    while (done < used_) {
        ssize_t n = ::pwrite(fd_, buffer_.get() + done, used_ - done, off_t(fileEnd_));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ThrowWriteError();
        done += size_t(n);
        fileEnd_ += n;
    }
    used_ = 0;
}

} // namespace pw
