#include "targa/Misc.h"

#include <utility>

#include "core/Bytes.h"

namespace pw {

void ReverseRow15(uint8_t* row, size_t length) {
    for (size_t i = length / 2; i-- > 0;) {
        uint8_t* p = row + i * 2;
        const uint16_t v = ReadU16LE(p);
        WriteU16LE(p, uint16_t((v & 0x3E0) | ((v >> 10) & 0x1F) | ((v & 0x1F) << 10)));
    }
}

void ReverseRow16(uint8_t* row, size_t length) {
    for (size_t i = length / 2; i-- > 0;) {
        uint8_t* p = row + i * 2;
        const uint16_t v = ReadU16LE(p);
        WriteU16LE(p, uint16_t((v & 0x7E0) | (v >> 11) | ((v & 0x1F) << 11)));
    }
}

void ReverseRow24(uint8_t* row, size_t length) {
    for (size_t i = length / 3; i-- > 0;) std::swap(row[i * 3], row[i * 3 + 2]);
}

void ReverseRow32(uint8_t* row, size_t length) {
    for (size_t i = length / 4; i-- > 0;) std::swap(row[i * 4], row[i * 4 + 2]);
}

} // namespace pw
