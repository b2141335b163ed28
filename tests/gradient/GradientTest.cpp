#include <gtest/gtest.h>

#include <QMetaProperty>
#include <QSignalSpy>
#include <QTest>

#include "core/Palette.h"
#include "gradient/Gradient.h"

namespace pw {
namespace {

uint32_t Word(const QImage& image, int x, int y) {
    return reinterpret_cast<const uint32_t*>(image.constScanLine(y))[x];
}

std::vector<uint32_t> Row(const QImage& image, int y) {
    std::vector<uint32_t> row;
    for (int x = 0; x < image.width(); ++x) row.push_back(Word(image, x, y));
    return row;
}

constexpr TColor Red = 0x0000FF, Blue = 0xFF0000, White = 0xFFFFFF;

TEST(Gradient, ComputesTheCornersExactlyAsTheSumsFallOut) {
    QWidget owner;
    TGradient g(&owner);
    EXPECT_EQ(g.Image.size(), QSize(100, 100));
    EXPECT_EQ(g.BuildCount(), 0);
    g.SetLTColor(0);  // unchanged, still recomputed
    EXPECT_EQ(g.BuildCount(), 1);

    g.SetWidth(4);  // right corners red: 0, 63, 127, 191 (255 is never reached)
    g.SetHeight(2);
    g.SetRTColor(Red);
    g.SetRBColor(Red);
    const std::vector<uint32_t> red = {0x000000, 0x3F0000, 0x7F0000, 0xBF0000};
    EXPECT_EQ(Row(g.Image, 0), red);
    EXPECT_EQ(Row(g.Image, 1), red);

    TGradient down;  // bottom corners blue, 1 x 4, set before any resize notification
    down.resize(1, 4);
    down.SetLBColor(Blue);
    down.SetRBColor(Blue);
    ASSERT_EQ(down.Image.size(), QSize(1, 4));
    for (int y = 0; y < 4; ++y) EXPECT_EQ(Word(down.Image, 0, y), uint32_t(y * 64 - (y > 0)));

    TGradient grey;  // right corners white, 3 x 1
    grey.SetWidth(3);
    grey.SetHeight(1);
    grey.SetRTColor(White);
    grey.SetRBColor(White);
    EXPECT_EQ(Row(grey.Image, 0), (std::vector<uint32_t>{0x000000, 0x555555, 0xAAAAAA}));
    grey.SetLTColor(TColor(0x8000000F));  // a symbolic system colour: its low bytes, red 15
    EXPECT_EQ(Word(grey.Image, 0, 0), 0x0F0000u);
}

TEST(Gradient, LongRunsStayWithinTheirChannels) {
    // Over a million columns the running sums drift past 255 on the way up
    // and below 0 on the way down; no channel may spill into another.
    TGradient g;
    g.SetHeight(1);
    g.SetWidth(1000000);
    g.SetLTColor(0x0001FF01);
    g.SetRTColor(0x00FF00FF);
    uint32_t red = 0, green = 255;
    for (int x = 0; x < g.Image.width(); ++x) {
        const uint32_t w = Word(g.Image, x, 0);
        ASSERT_EQ(w >> 24, 0u) << x;
        ASSERT_EQ(w & 0xFF, (w >> 16) & 0xFF) << x;  // red and blue run alike
        ASSERT_GE((w >> 16) & 0xFF, red) << x;
        ASSERT_LE((w >> 8) & 0xFF, green) << x;
        red = (w >> 16) & 0xFF, green = (w >> 8) & 0xFF;
    }
    EXPECT_EQ(red, 255u);
    EXPECT_EQ(green, 0u);
}

TEST(Gradient, OnlyASizeChangeRecomputes) {
    TGradient g;
    g.SetWidth(100);
    EXPECT_EQ(g.BuildCount(), 0);
    g.SetWidth(50);
    EXPECT_EQ(g.BuildCount(), 1);
    g.show();  // the pending resize notification finds nothing to do
    g.resize(50, 100);
    EXPECT_EQ(g.BuildCount(), 1);
    g.resize(60, 40);
    EXPECT_EQ(g.BuildCount(), 2);
    EXPECT_EQ(g.Image.size(), QSize(60, 40));

    g.SetWidth(0);  // no area: nothing to build
    EXPECT_TRUE(g.Image.isNull());
    g.SetRTColor(White);
    EXPECT_EQ(g.BuildCount(), 2);
    g.SetWidth(2);
    EXPECT_EQ(g.BuildCount(), 3);
    EXPECT_EQ(Word(g.Image, 1, 0), 0x7F7F7Fu);
    EXPECT_EQ(g.grab().toImage().pixel(1, 0) & 0xFFFFFF, 0x7F7F7Fu);  // painting copies it
}

TEST(Gradient, PublishesPropertiesAlignsAndReportsTheMouse) {
    const QMetaObject& meta = TGradient::staticMetaObject;
    const char* names[] = {"Width", "Height", "LeftTop", "LeftBottom", "RightTop", "RightBottom",
                           "Align"};
    ASSERT_EQ(meta.propertyCount() - meta.propertyOffset(), 7);
    for (int i = 0; i < 7; ++i) EXPECT_STREQ(meta.property(meta.propertyOffset() + i).name(), names[i]);

    QWidget owner;
    owner.resize(300, 200);
    owner.show();
    TGradient g(&owner);
    EXPECT_TRUE(g.isVisible());
    g.setProperty("LeftBottom", Blue);
    EXPECT_EQ(g.LeftBottom, Blue);
    g.SetAlign(TGradient::alClient);
    EXPECT_EQ(g.Image.size(), QSize(300, 200));
    g.SetAlign(TGradient::alRight);
    owner.resize(400, 150);
    EXPECT_EQ(g.geometry(), QRect(100, 0, 300, 150));

    QSignalSpy down(&g, &TGradient::OnMouseDown);
    QTest::mousePress(&g, Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 7));
    ASSERT_EQ(down.count(), 1);
    EXPECT_EQ(down[0][0].value<QObject*>(), &g);
    EXPECT_EQ(down[0][4].toInt(), 7);

    Gradient::Register();
    EXPECT_EQ(RegisteredComponents().back().className, "TGradient");
}

} // namespace
} // namespace pw
