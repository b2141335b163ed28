#pragma once
// Per-depth row converters of the Targa image: each swaps the red and blue
// channels of every whole pixel in a row, in place, from the row's last pixel
// back to its first. `length` is the row's length in bytes; a trailing
// partial pixel is left alone, and nothing beyond `length` is touched.
#include <cstddef>
#include <cstdint>

namespace pw {

// 15-bit pixels (16-bit little-endian words, bits 0-4 blue, 5-9 green,
// 10-14 red): the two 5-bit fields change places, bit 15 becomes 0.
void ReverseRow15(uint8_t* row, size_t length);
// 16-bit pixels (bits 0-4 blue, 5-10 green, 11-15 red): the two 5-bit
// fields change places.
void ReverseRow16(uint8_t* row, size_t length);
// 24-bit pixels (bytes blue, green, red): bytes 0 and 2 change places.
void ReverseRow24(uint8_t* row, size_t length);
// 32-bit pixels (bytes blue, green, red, alpha): bytes 0 and 2 change places.
void ReverseRow32(uint8_t* row, size_t length);

} // namespace pw
