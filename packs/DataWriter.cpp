#include "packs/DataWriter.h"

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
    ReadAt(src, buffer_.get() + used_, size_t(count), offset);
    used_ += size_t(count);
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
    WriteAt(fd_, buffer_.get(), used_, fileEnd_);
    fileEnd_ += int64_t(used_);
    used_ = 0;
}

} // namespace pw
