#include <gtest/gtest.h>

#include <vector>

#include "targa/Misc.h"

namespace pw {
namespace {

TEST(ReverseRow, FifteenBitSwapsFiveBitFieldsAndClearsTopBit) {
    // Bit 15 and blue set -> only red; green (bits 5-9) stays.
    std::vector<uint8_t> row = {0x1F, 0x80, 0xE0, 0x03, 0x00, 0x7C};
    ReverseRow15(row.data(), row.size());
    EXPECT_EQ(row, (std::vector<uint8_t>{0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00}));
}

TEST(ReverseRow, SixteenBitSwapsFiveBitFields) {
    // Only red -> only blue; green (bits 5-10) stays; a mixed pixel.
    std::vector<uint8_t> row = {0x00, 0xF8, 0xE0, 0x07, 0x01, 0x08};
    ReverseRow16(row.data(), row.size());
    EXPECT_EQ(row, (std::vector<uint8_t>{0x1F, 0x00, 0xE0, 0x07, 0x01, 0x08}));
    std::vector<uint8_t> mixed = {0x23, 0x91};  // red 0x12, green 0x09, blue 0x03
    ReverseRow16(mixed.data(), mixed.size());
    EXPECT_EQ(mixed[0] | mixed[1] << 8, 0x03 << 11 | 0x09 << 5 | 0x12);
}

TEST(ReverseRow, ByteSwapsTouchOnlyWholePixelsWithinTheLength) {
    std::vector<uint8_t> row24 = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ReverseRow24(row24.data(), 8);  // two whole pixels; byte 7.. untouched
    EXPECT_EQ(row24, (std::vector<uint8_t>{3, 2, 1, 6, 5, 4, 7, 8, 9}));
    std::vector<uint8_t> row32 = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ReverseRow32(row32.data(), 8);
    EXPECT_EQ(row32, (std::vector<uint8_t>{3, 2, 1, 4, 7, 6, 5, 8, 9}));
    ReverseRow32(row32.data(), 0);
    ReverseRow16(row32.data(), 1);
    EXPECT_EQ(row32, (std::vector<uint8_t>{3, 2, 1, 4, 7, 6, 5, 8, 9}));
}

} // namespace
} // namespace pw
