#pragma once
// New data for a rebuild that come from elsewhere than a log (a patch's
// entries). With RunContext::Supplied set, a rebuild reads no log lines:
// an entry the supplier names takes the data it writes, every other entry
// keeps its old data. The rebuild's writer, commit, read-back and progress
// stay its own.
#include <cstddef>
#include <cstdint>

namespace pw {

class SuppliedEntries {
public:
    virtual ~SuppliedEntries() = default;
    // Whether entry k takes supplied data, and how many bytes (< 2^31).
    // Called from the rebuild's read-ahead thread: it must not change state.
    virtual bool Supplies(size_t k, int64_t* size) const = 0;
    // Writes entry k's supplied data at `offset` of the file `fd`, exactly
    // the size Supplies gave; throws pw::Error when they cannot be had.
    virtual void Write(size_t k, int fd, int64_t offset) const = 0;
    // Puts entry k's supplied data (the size Supplies gave) at `buffer`.
    // Called from the read-ahead thread for small entries, as Supplies is.
    virtual void Read(size_t k, char* buffer) const = 0;
    // Whether `fd` holds exactly entry k's supplied data at `offset` (the
    // read-back of insert --verify).
    virtual bool Holds(size_t k, int fd, int64_t offset) const = 0;
};

} // namespace pw
