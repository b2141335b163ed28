#pragma once
// Byte comparisons between open files, read in bounded pieces: the memory
// they take never grows with the bytes compared.
#include <cstdint>
#include <memory>

namespace pw {

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

    // The length of an open file, -1 when it cannot be told.
    static int64_t SizeOf(int fd);

private:
    // Reads `count` bytes (at most a piece) into `to`.
    static void ReadAt(int fd, int64_t offset, char* to, size_t count);
    std::unique_ptr<char[]> a_, b_;
};

} // namespace pw
