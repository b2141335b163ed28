#pragma once
// The data file of a rebuilt pack, written strictly front to back. Small
// entries are gathered in a bounded buffer and written a megabyte at a time;
// large ones go file to file in the kernel. Either way no entry is ever held
// whole in memory beyond the buffer's size.
#include <cstdint>
#include <memory>

namespace pw {

class DataWriter {
public:
    explicit DataWriter(int fd);
    DataWriter(const DataWriter&) = delete;
    DataWriter& operator=(const DataWriter&) = delete;

    // `count` bytes of `src` from `offset`; "Stream read error" when the
    // source ends early, "Stream write error" when the file takes no more.
    void Append(int src, int64_t offset, int64_t count);
    // `count` zero bytes.
    void AppendZeros(int64_t count);
    // Everything appended is in the file.
    void Flush();
    // The file's length once everything appended is in it.
    int64_t Length() const { return fileEnd_ + int64_t(used_); }

private:
    int fd_;
    int64_t fileEnd_ = 0;
    std::unique_ptr<char[]> buffer_;
    size_t used_ = 0;
};

} // namespace pw
