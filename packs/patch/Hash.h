#pragma once
// XXH3-64 (seed 0) over bytes that come in pieces: the patch format's hash.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace pw::patch {

class StreamHash {
public:
    StreamHash();
    ~StreamHash();
    StreamHash(const StreamHash&) = delete;
    StreamHash& operator=(const StreamHash&) = delete;
    void Add(const void* data, size_t size);
    uint64_t Value() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace pw::patch
