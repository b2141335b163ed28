#include <gtest/gtest.h>

#include <QMetaProperty>
#include <cstring>

#include "core/Error.h"
#include "core/Palette.h"
#include "targa/Misc.h"
#include "targa/Targa.h"

namespace pw {
namespace {

uint16_t Word(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

TEST(Targa, NewComponentAndItsPublishedProperties) {
    TTarga t;
    const std::array<uint8_t, 18> header = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 32, 0};
    EXPECT_EQ(t.Header, header);
    EXPECT_EQ(std::memcmp(t.Footer.data(), "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.\0", 26), 0);
    EXPECT_EQ(t.Image, nullptr);
    EXPECT_EQ(t.GetScanLine(0), nullptr);
    t.ReverseColors();

    const QMetaObject& meta = TTarga::staticMetaObject;
    const char* names[] = {"ResetImage", "Width", "Height", "ColorDepth"};
    ASSERT_EQ(meta.propertyCount() - meta.propertyOffset(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_STREQ(meta.property(meta.propertyOffset() + i).name(), names[i]);
    // A form description sets Width and Height before ColorDepth creates the image.
    t.setProperty("Width", 40);
    t.setProperty("Height", 30);
    t.setProperty("ColorDepth", 24);
    ASSERT_NE(t.Image, nullptr);
    EXPECT_EQ(t.Image->size(), QSize(40, 30));
    EXPECT_EQ(t.Canvas->device(), t.Image.get());

    Targa::Register();
    EXPECT_EQ(RegisteredComponents().back().className, "TTarga");
}

TEST(Targa, DepthChangesChooseTheLayoutAndBlankOrConvertThePicture) {
    TTarga t;
    const std::pair<int, QImage::Format> layouts[] = {{15, QImage::Format_RGB555},
        {16, QImage::Format_RGB16}, {24, QImage::Format_BGR888}, {32, QImage::Format_ARGB32}};
    for (auto [depth, format] : layouts) {
        t.SetDepth(depth);
        EXPECT_EQ(t.Image->format(), format) << depth;
    }
    t.SetDepth(288);  // stored modulo 256
    EXPECT_EQ(t.Header[16], 32);

    t.SetWidth(4);
    t.SetHeight(3);
    t.Canvas->fillRect(0, 0, 2, 3, QColor(10, 200, 30));
    t.GetScanLine(0)[4 * 3 + 3] = 0;  // a fully transparent white pixel
    t.ResetImage = true;
    t.SetDepth(32);
    EXPECT_EQ(t.GetScanLine(0)[4 * 3 + 3], 0);
    EXPECT_EQ(t.Image->pixel(0, 1), qRgb(10, 200, 30));
    t.SetDepth(24);
    EXPECT_EQ(t.Image->size(), QSize(4, 3));
    EXPECT_EQ(t.Image->pixel(1, 2), qRgb(10, 200, 30));
    EXPECT_EQ(t.Image->pixel(3, 2), qRgb(255, 255, 255));  // colour kept despite alpha 0
    t.SetDepth(16);
    EXPECT_EQ(Word(t.Image->constScanLine(0)), 1 << 11 | 50 << 5 | 3);  // 5-6-5 bits
    t.ResetImage = false;
    t.SetDepth(15);
    EXPECT_EQ(t.Image->pixel(0, 0), qRgb(255, 255, 255));  // blank
}

TEST(Targa, ScanLinesAndSizeChanges) {
    TTarga t;
    t.SetWidth(3);  // before the image: kept for the first Reset
    t.SetHeight(2);
    t.Reset();
    EXPECT_EQ(t.Image->size(), QSize(3, 2));
    EXPECT_EQ(t.GetScanLine(0), t.Image->scanLine(1));
    EXPECT_EQ(t.GetScanLine(1), t.Image->scanLine(0));
    EXPECT_EQ(t.GetScanLine(2), nullptr);
    EXPECT_EQ(t.GetScanLine(-1), nullptr);

    t.Image->setPixel(1, 1, qRgba(1, 2, 3, 4));
    t.SetWidth(5);
    EXPECT_EQ(t.Image->pixel(1, 1), qRgba(1, 2, 3, 4));
    EXPECT_EQ(t.Canvas->device(), t.Image.get());
    t.SetHeight(1);
    t.SetHeight(2);
    EXPECT_EQ(t.Image->pixel(1, 1), 0xFFFFFFFFu);
    t.SetWidth(0);  // an image without pixels
    EXPECT_EQ(t.Canvas, nullptr);
    EXPECT_EQ(t.GetScanLine(0), nullptr);
    t.ReverseColors();
    t.SetWidth(2);
    EXPECT_EQ(t.Image->size(), QSize(2, 2));
}

TEST(Targa, AnImageTooLargeToAllocateChangesNothing) {
    TTarga t;
    t.SetDepth(32);
    t.SetWidth(65535);  // 64 MiB is fine, 65535 x 65535 x 4 bytes is not
    const QImage* image = t.Image.get();
    try {
        t.SetHeight(65535);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Image too large: 65535 x 65535 pixels at 32 bits");
    }
    EXPECT_EQ(t.GetHeight(), 256);
    EXPECT_EQ(t.Image.get(), image);
    t.Header[14] = t.Header[15] = 0xFF;
    EXPECT_THROW(t.Reset(), Error);
    EXPECT_EQ(t.Image.get(), image);
}

TEST(Targa, ReverseColorsSwapsRedAndBlueAtEachDepth) {
    TTarga t;
    t.SetWidth(3);
    t.SetHeight(2);
    t.SetDepth(24);
    t.Image->setPixel(2, 1, qRgb(1, 2, 3));
    const QImage before = t.Image->copy();
    t.ReverseColors();
    EXPECT_EQ(t.Image->pixel(2, 1), qRgb(3, 2, 1));
    t.ReverseColors();
    EXPECT_EQ(*t.Image, before);
    t.SetDepth(32);
    t.Image->setPixel(2, 0, qRgba(1, 2, 3, 4));
    t.ReverseColors();
    EXPECT_EQ(t.Image->pixel(2, 0), qRgba(3, 2, 1, 4));

    t.SetDepth(15);
    uint8_t* p = t.GetScanLine(0);
    p[4] = 0x1F, p[5] = 0x80;  // bit 15 and blue -> only red
    t.ReverseColors();
    EXPECT_EQ(Word(p + 4), 0x7C00);
    EXPECT_EQ(Word(p), 0x7FFF);
    t.SetDepth(16);
    p = t.GetScanLine(1);
    p[0] = 0x00, p[1] = 0xF8, p[2] = 0x23, p[3] = 0x91;  // red only; red 18 green 9 blue 3
    t.ReverseColors();
    EXPECT_EQ(Word(p), 0x001F);
    EXPECT_EQ(Word(p + 2), 3 << 11 | 9 << 5 | 18);
    t.SetDepth(8);
    const QImage grey = t.Image->copy();
    t.ReverseColors();
    EXPECT_EQ(*t.Image, grey);

    uint8_t row[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ReverseRow32(row, 8);  // whole pixels within the length only
    ReverseRow24(row + 8, 1);
    EXPECT_EQ(std::memcmp(row, "\3\2\1\4\7\6\5\10\11", 9), 0);
}

} // namespace
} // namespace pw
