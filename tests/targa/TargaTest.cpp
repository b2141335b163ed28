#include <gtest/gtest.h>

#include <QMetaProperty>
#include <cstring>

#include "core/Error.h"
#include "core/Palette.h"
#include "targa/Targa.h"

namespace pw {
namespace {

TEST(Targa, NewComponentHoldsTheDefaultHeaderAndNoImage) {
    TTarga t;
    const std::array<uint8_t, 18> header = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 32, 0};
    EXPECT_EQ(t.Header, header);
    EXPECT_EQ(std::memcmp(t.Footer.data(), "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.\0", 26), 0);
    EXPECT_FALSE(t.ResetImage);
    EXPECT_EQ(t.Image, nullptr);
    EXPECT_EQ(t.Canvas, nullptr);
    EXPECT_EQ(t.GetScanLine(0), nullptr);
    t.ReverseColors();  // nothing to do, nothing to crash on
}

TEST(Targa, PublishesItsPropertiesInOrderAndRegisters) {
    const QMetaObject& meta = TTarga::staticMetaObject;
    const int first = meta.propertyOffset();
    ASSERT_EQ(meta.propertyCount() - first, 4);
    const char* names[] = {"ResetImage", "Width", "Height", "ColorDepth"};
    for (int i = 0; i < 4; ++i) EXPECT_STREQ(meta.property(first + i).name(), names[i]);

    // A form description sets Width, Height, then ColorDepth.
    TTarga t;
    t.setProperty("Width", 40);
    t.setProperty("Height", 30);
    t.setProperty("ColorDepth", 24);
    ASSERT_NE(t.Image, nullptr);
    EXPECT_EQ(t.Image->size(), QSize(40, 30));
    EXPECT_EQ(t.Image->format(), QImage::Format_BGR888);
    EXPECT_EQ(t.property("ColorDepth").toInt(), 24);

    Targa::Register();
    bool found = false;
    for (const auto& e : RegisteredComponents())
        found |= e.page == PalettePage && e.className == "TTarga";
    EXPECT_TRUE(found);
}

TEST(Targa, EachDepthGetsItsLayoutAndOtherDepthsStillWork) {
    TTarga t;
    const std::pair<int, QImage::Format> layouts[] = {{15, QImage::Format_RGB555},
                                                      {16, QImage::Format_RGB16},
                                                      {24, QImage::Format_BGR888},
                                                      {32, QImage::Format_ARGB32}};
    for (auto [depth, format] : layouts) {
        t.SetDepth(depth);
        EXPECT_EQ(t.Image->format(), format) << depth;
        EXPECT_NE(t.Canvas, nullptr);
    }
    t.SetDepth(288);  // stored modulo 256
    EXPECT_EQ(t.GetDepth(), 32);
    EXPECT_EQ(t.Header[16], 32);
    t.SetDepth(8);
    EXPECT_EQ(t.BytesPerPixel(), 1);
    ASSERT_NE(t.Image, nullptr);
    const QImage before = t.Image->copy();
    t.ReverseColors();
    EXPECT_EQ(*t.Image, before);
}

TEST(Targa, DepthChangeBlanksOrConvertsThePicture) {
    TTarga t;
    t.SetWidth(4);
    t.SetHeight(3);
    t.SetDepth(32);
    t.Canvas->fillRect(0, 0, 2, 3, QColor(10, 200, 30));
    t.SetDepth(24);  // ResetImage false: a blank image
    EXPECT_EQ(t.Image->size(), QSize(4, 3));
    EXPECT_EQ(t.Image->pixel(0, 0), QColor(Qt::white).rgb());

    t.SetDepth(32);
    t.Canvas->fillRect(0, 0, 2, 3, QColor(10, 200, 30));
    uint8_t* row = t.GetScanLine(0);
    row[4 * 3 + 3] = 0;  // a fully transparent pixel keeps its colour bytes
    t.ResetImage = true;
    t.SetDepth(32);
    EXPECT_EQ(t.GetScanLine(0)[4 * 3 + 3], 0);
    EXPECT_EQ(t.Image->pixel(0, 1), qRgb(10, 200, 30));
    t.SetDepth(24);
    EXPECT_EQ(t.Image->format(), QImage::Format_BGR888);
    EXPECT_EQ(t.Image->size(), QSize(4, 3));
    EXPECT_EQ(t.Image->pixel(1, 2), qRgb(10, 200, 30));
    EXPECT_EQ(t.Image->pixel(3, 2), qRgb(255, 255, 255));  // its colour survived
    t.SetDepth(16);
    const uint8_t* p = t.Image->constScanLine(0);  // red 10, green 200, blue 30 in 5-6-5 bits
    EXPECT_EQ(p[0] | p[1] << 8, 1 << 11 | 50 << 5 | 3);
}

TEST(Targa, ScanLinesCountFromTheBottomOfTheStoredRows) {
    TTarga t;
    t.SetHeight(5);
    t.Reset();
    const int h = t.Image->height();
    EXPECT_EQ(t.GetScanLine(0), t.Image->scanLine(h - 1));
    EXPECT_EQ(t.GetScanLine(h - 1), t.Image->scanLine(0));
    EXPECT_EQ(t.GetScanLine(h), nullptr);
    EXPECT_EQ(t.GetScanLine(-1), nullptr);
}

TEST(Targa, SizeChangesKeepPixelsThatFitAndAreKeptBeforeTheImage) {
    TTarga t;
    t.SetWidth(3);  // before any image: kept for the first Reset
    t.SetHeight(2);
    t.SetDepth(24);
    EXPECT_EQ(t.Image->size(), QSize(3, 2));
    t.Image->setPixel(1, 1, qRgb(1, 2, 3));
    t.SetWidth(5);
    EXPECT_EQ(t.GetWidth(), 5);
    EXPECT_EQ(t.Image->size(), QSize(5, 2));
    EXPECT_EQ(t.Image->pixel(1, 1), qRgb(1, 2, 3));
    t.SetHeight(1);
    t.SetHeight(2);
    EXPECT_EQ(t.Image->pixel(1, 1), QColor(Qt::white).rgb());
    ASSERT_NE(t.Canvas, nullptr);
    EXPECT_EQ(t.Canvas->device(), t.Image.get());

    t.SetWidth(0);  // an image without pixels
    EXPECT_NE(t.Image, nullptr);
    EXPECT_EQ(t.Canvas, nullptr);
    EXPECT_EQ(t.GetScanLine(0), nullptr);
    t.ReverseColors();
    t.SetWidth(2);
    EXPECT_EQ(t.Image->size(), QSize(2, 2));
}

TEST(Targa, AnImageTooLargeToAllocateChangesNothing) {
    TTarga t;
    t.SetDepth(32);
    t.Image->setPixel(0, 0, qRgba(1, 2, 3, 4));
    const QImage* image = t.Image.get();
    EXPECT_NO_THROW(t.SetWidth(65535));  // 65535 x 256 x 4 bytes is fine
    image = t.Image.get();
    try {
        t.SetHeight(65535);  // 65535 x 65535 x 4 bytes is not
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Image too large: 65535 x 65535 pixels at 32 bits");
    }
    EXPECT_EQ(t.GetHeight(), 256);
    EXPECT_EQ(t.Image.get(), image);
    EXPECT_EQ(t.Canvas->device(), image);
    EXPECT_EQ(t.Image->pixel(0, 0), qRgba(1, 2, 3, 4));

    t.Header[14] = 0xFF, t.Header[15] = 0xFF;  // a header poked by hand
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
    t.Image->setPixel(0, 0, qRgba(1, 2, 3, 4));
    t.ReverseColors();
    EXPECT_EQ(t.Image->pixel(0, 0), qRgba(3, 2, 1, 4));

    t.SetDepth(15);
    uint8_t* p = t.GetScanLine(0);
    p[4] = 0x1F, p[5] = 0x80;
    t.ReverseColors();
    EXPECT_EQ(p[4] | p[5] << 8, 0x7C00);
    EXPECT_EQ(p[0] | p[1] << 8, 0x7FFF);  // white stays white

    t.SetDepth(16);
    p = t.GetScanLine(1);
    p[0] = 0x00, p[1] = 0xF8;
    t.ReverseColors();
    EXPECT_EQ(p[0] | p[1] << 8, 0x001F);
}

} // namespace
} // namespace pw
