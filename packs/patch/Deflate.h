#pragma once
// An entry's new data as one zlib stream (RFC 1950), the way a patch holds
// them. Data are deflated at zlib's fastest level (making a patch is to take
// no longer than comparing the two packs), except 16 KiB blocks whose bytes
// are spread almost evenly over all 256 values, as in sounds, images and
// archives that are compressed already: deflating those takes most of the
// time and saves next to nothing, so they go into stored blocks, which every
// inflater reads. The test uses integers only, so that one input gives the
// same stream, byte for byte, on every platform.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace pw::patch {

// Whether `size` bytes at `data` are left uncompressed: a block of at least
// 16 KiB whose byte counts c satisfy 256·Σc² ≤ 1.1·size² (a collision
// entropy above about 7.86 bits a byte). Smaller blocks are always deflated.
bool LooksIncompressible(const unsigned char* data, size_t size);

class Deflater {
public:
    Deflater();
    ~Deflater();
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // Deflates `size` bytes of `fd` at `offset` to the end of `out`, read and
    // written in bounded pieces; returns the stream's length, and in *hash
    // the XXH3-64 of the bytes read. The stream and the buffers are kept
    // from one entry to the next.
    int64_t Deflate(int fd, int64_t offset, int64_t size, int out, uint64_t* hash);
    // The same for `size` bytes in memory.
    int64_t DeflateBytes(const unsigned char* data, size_t size, int out, uint64_t* hash);

private:
    void Start(int out);
    void Feed(const unsigned char* data, size_t size);
    int64_t Finish();

    struct State;
    std::unique_ptr<State> state_;
};

} // namespace pw::patch
