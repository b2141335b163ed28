#include "textobject/HeaderIndex.h"

#include <algorithm>
#include <string_view>

namespace pw {

namespace {
constexpr int64_t HeaderLength = 12; // "[0x" + 8 digits + "]"

int UpperHexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
} // namespace

bool ParseExactHeader(QByteArrayView s, uint32_t& value) {
    if (s.size() != HeaderLength || s[0] != '[' || s[1] != '0' || s[2] != 'x' || s[11] != ']')
        return false;
    uint32_t v = 0;
    for (int i = 3; i < 11; ++i) {
        const int d = UpperHexDigit(s[i]);
        if (d < 0) return false;
        v = v << 4 | uint32_t(d);
    }
    value = v;
    return true;
}

void HeaderIndex::Clear() {
    bucketOf_.clear();
    bucketStart_.clear();
    positions_.clear();
}

void HeaderIndex::Build(const char* data, int64_t size) {
    Clear();
    const std::string_view text(data, size_t(size));
    struct Hit {
        uint32_t bucket;
        int64_t pos;
    };
    std::vector<Hit> hits;
    std::vector<int64_t> counts;
    for (size_t at = text.find("[0x"); at != std::string_view::npos; at = text.find("[0x", at + 1)) {
        const int64_t pos = int64_t(at);
        uint32_t value = 0;
        if (pos + HeaderLength > size || !ParseExactHeader(QByteArrayView(data + pos, HeaderLength), value))
            continue;
        auto [it, added] = bucketOf_.try_emplace(value, uint32_t(counts.size()));
        if (added) counts.push_back(0);
        ++counts[it->second];
        hits.push_back({it->second, pos});
    }
    // Group the positions by bucket; each group stays in file order.
    bucketStart_.assign(counts.size() + 1, 0);
    for (size_t b = 0; b < counts.size(); ++b) bucketStart_[b + 1] = bucketStart_[b] + counts[b];
    positions_.resize(hits.size());
    std::vector<int64_t> fill(bucketStart_.begin(), bucketStart_.end() - 1);
    for (const Hit& h : hits) positions_[size_t(fill[h.bucket]++)] = h.pos;
}

int64_t HeaderIndex::Find(uint32_t value, int64_t from) const {
    const auto it = bucketOf_.find(value);
    if (it == bucketOf_.end()) return -1;
    const auto first = positions_.begin() + bucketStart_[it->second];
    const auto last = positions_.begin() + bucketStart_[it->second + 1];
    const auto found = std::lower_bound(first, last, from);
    return found == last ? -1 : *found;
}

} // namespace pw
