#pragma once
// Positions of the exact block headers ("[0x" + eight upper-case hexadecimal
// digits + "]") in a file copy, so that finding the first occurrence of a
// header at or after a point costs a hash look-up and a binary search
// instead of a scan of the file from its start. Every occurrence counts,
// also one that starts inside another header or inside a text.
#include <QByteArrayView>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace pw {

// True when s is exactly a 12-byte header; value receives its number.
bool ParseExactHeader(QByteArrayView s, uint32_t& value);

class HeaderIndex {
public:
    // Indexes data[0, size); the data holds no zero byte.
    void Build(const char* data, int64_t size);
    void Clear();
    // Start of the first header of value at or after from, or -1.
    int64_t Find(uint32_t value, int64_t from) const;

private:
    std::unordered_map<uint32_t, uint32_t> bucketOf_; // value -> bucket
    std::vector<int64_t> bucketStart_;                // bucket -> first slot in positions_
    std::vector<int64_t> positions_;                  // grouped by bucket, ascending in each
};

} // namespace pw
