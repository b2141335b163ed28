#pragma once
// Byte comparisons between open files, read in bounded pieces: the memory
// they take never grows with the bytes compared.
#include <cstdint>
#include <memory>

namespace pw {

// A read-only view of a file through a sliding mapping, for reading a file
// front to back without copying it: used for the new data file of a rebuild,
// a file of the program's own that nobody else writes (a mapped file cut
// short by another program would end the process).
class MappedWindow {
public:
    static constexpr size_t MaxSpan = 1 << 20;

    // The file's length is taken now; the view never reaches past it.
    explicit MappedWindow(int fd);
    ~MappedWindow();
    MappedWindow(const MappedWindow&) = delete;
    MappedWindow& operator=(const MappedWindow&) = delete;

    int64_t Size() const { return size_; }
    // The `count` bytes (at most MaxSpan) at `offset`; "Stream read error"
    // past the file's end.
    const unsigned char* At(int64_t offset, size_t count);

private:
    int fd_;
    int64_t size_;
    const void* base_ = nullptr;
    int64_t from_ = 0;
    size_t length_ = 0;
};

class ByteCompare {
public:
    ByteCompare();
    // Whether `count` bytes of `a` at `offsetA` equal those of `b` at
    // `offsetB`. "Stream read error" when either file ends early.
    bool Same(int a, int64_t offsetA, int b, int64_t offsetB, int64_t count);
    // Whether `count` bytes of `fd` at `offset` are all zero; "Stream read
    // error" when the file ends early.
    bool Zero(int fd, int64_t offset, int64_t count);
    // Whether `fd` holds exactly the `count` bytes at `bytes`: its length,
    // then its content.
    bool Holds(int fd, const unsigned char* bytes, size_t count);
    // The same against a mapped file: `a` is read without a copy.
    bool Same(MappedWindow& a, int64_t offsetA, int b, int64_t offsetB, int64_t count);
    bool Zero(MappedWindow& a, int64_t offset, int64_t count);

private:
    std::unique_ptr<char[]> a_, b_;
};

} // namespace pw
