// xxHash used from its one header (libxxhash-dev), so that the Windows build
// needs no library of it.
#include "packs/patch/Hash.h"

#include <algorithm>
#include <memory>
#include <new>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "core/FileIO.h"
#include "packs/patch/PatchFile.h"

namespace pw::patch {

struct StreamHash::State {
    XXH3_state_t* s = XXH3_createState();
    ~State() { XXH3_freeState(s); }
};

StreamHash::StreamHash() : state_(std::make_unique<State>()) {
    if (!state_->s || XXH3_64bits_reset(state_->s) != XXH_OK) throw std::bad_alloc();
}
StreamHash::~StreamHash() = default;

void StreamHash::Add(const void* data, size_t size) {
    if (size > 0) XXH3_64bits_update(state_->s, data, size);
}
uint64_t StreamHash::Value() const { return XXH3_64bits_digest(state_->s); }

uint64_t HashBytes(const void* data, size_t size) { return XXH3_64bits(size ? data : "", size); }

uint64_t HashFileRange(int fd, int64_t offset, int64_t size) {
    constexpr size_t Piece = 64 * 1024; // below the allocator's threshold for a mapping of its own
    const size_t room = size_t(std::clamp<int64_t>(size, 1, Piece));
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[room]);
    StreamHash hash;
    for (int64_t done = 0; done < size;) {
        const size_t n = size_t(std::min<int64_t>(room, size - done));
        ReadAt(fd, buffer.get(), n, offset + done);
        hash.Add(buffer.get(), n);
        done += int64_t(n);
    }
    return hash.Value();
}

} // namespace pw::patch
