#include "packs/patch/Deflate.h"

#include <algorithm>
#include <new>

#include <zlib.h>

#include "core/Error.h"
#include "core/FileIO.h"
#include "packs/patch/Hash.h"

namespace pw::patch {

namespace {
constexpr size_t Piece = 256 * 1024; // bytes read, and bytes of output gathered, at a time
constexpr size_t Block = 16 * 1024;  // the unit of the stored-or-deflated choice
} // namespace

bool LooksIncompressible(const unsigned char* data, size_t size) {
    if (size < Block) return false;
    uint32_t count[256] = {};
    for (size_t i = 0; i < size; ++i) ++count[data[i]];
    uint64_t squares = 0;
    for (uint32_t c : count) squares += uint64_t(c) * c;
    return squares * 256 * 10 <= uint64_t(size) * size * 11;
}

struct Deflater::State {
    z_stream z{};
    int level = Z_BEST_SPEED;
    std::unique_ptr<unsigned char[]> in{new unsigned char[Piece]}, out{new unsigned char[Piece]};
    size_t used = 0;     // output gathered in `out`, not yet written
    int64_t written = 0; // of this stream
    int fd = -1;

    State() {
        if (deflateInit(&z, level) != Z_OK) throw std::bad_alloc();
    }
    ~State() { deflateEnd(&z); }

    void Flush() {
        WriteAll(fd, out.get(), used);
        written += int64_t(used);
        used = 0;
    }
    void Room() {
        if (used == Piece) Flush();
        z.next_out = out.get() + used;
        z.avail_out = uInt(Piece - used);
    }
    // Runs deflate over the input given until it is all taken (and, with
    // Z_FINISH, the stream is ended).
    void Run(int flush) {
        for (;;) {
            Room();
            const int status = deflate(&z, flush);
            used = Piece - z.avail_out;
            if (status == Z_STREAM_ERROR) ThrowWriteError();
            if (flush == Z_FINISH ? status == Z_STREAM_END : z.avail_in == 0 && z.avail_out > 0) return;
        }
    }
    // The level of the input that follows; what came before is finished at
    // the old one (zlib asks for room until it is).
    void SetLevel(int wanted) {
        for (;;) {
            const bool empty = used == 0;
            Room();
            const int status = deflateParams(&z, wanted, Z_DEFAULT_STRATEGY);
            used = Piece - z.avail_out;
            if (status == Z_OK) break;
            if (status != Z_BUF_ERROR || empty) ThrowWriteError();
            Flush();
        }
        level = wanted;
    }
};

Deflater::Deflater() : state_(std::make_unique<State>()) {}
Deflater::~Deflater() = default;

void Deflater::Start(int out) {
    State& s = *state_;
    if (deflateReset(&s.z) != Z_OK) ThrowWriteError();
    s.fd = out;
    s.used = 0;
    s.written = 0;
}

void Deflater::Feed(const unsigned char* data, size_t n) {
    State& s = *state_;
    for (size_t at = 0; at < n; at += Block) {
        const size_t m = std::min(Block, n - at);
        const int level = LooksIncompressible(data + at, m) ? Z_NO_COMPRESSION : Z_BEST_SPEED;
        if (level != s.level) s.SetLevel(level);
        s.z.next_in = const_cast<unsigned char*>(data + at);
        s.z.avail_in = uInt(m);
        s.Run(Z_NO_FLUSH);
    }
}

int64_t Deflater::Finish() {
    State& s = *state_;
    s.z.avail_in = 0;
    s.Run(Z_FINISH);
    s.Flush();
    return s.written;
}

int64_t Deflater::Deflate(int fd, int64_t offset, int64_t size, int out, uint64_t* hash) {
    State& s = *state_;
    Start(out);
    StreamHash h;
    for (int64_t done = 0; done < size;) {
        const size_t n = size_t(std::min<int64_t>(Piece, size - done));
        ReadAt(fd, s.in.get(), n, offset + done);
        h.Add(s.in.get(), n);
        done += int64_t(n);
        Feed(s.in.get(), n);
    }
    *hash = h.Value();
    return Finish();
}

int64_t Deflater::DeflateBytes(const unsigned char* data, size_t size, int out, uint64_t* hash) {
    Start(out);
    StreamHash h;
    h.Add(data, size);
    Feed(data, size);
    *hash = h.Value();
    return Finish();
}

} // namespace pw::patch
