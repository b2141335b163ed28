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

// Every word of a row of the image.
std::vector<uint32_t> Row(const QImage& image, int y) {
    std::vector<uint32_t> row;
    for (int x = 0; x < image.width(); ++x) row.push_back(Word(image, x, y));
    return row;
}

constexpr TColor Red = 0x0000FF, Blue = 0xFF0000, White = 0xFFFFFF;

TEST(Gradient, NewControlIsBlackAndEveryColourAssignmentRecomputes) {
    QWidget owner;
    TGradient g(&owner);
    EXPECT_EQ(g.parentWidget(), &owner);
    EXPECT_EQ(g.size(), QSize(100, 100));
    EXPECT_EQ(g.Image.size(), QSize(100, 100));
    EXPECT_EQ(g.BuildCount(), 0);
    EXPECT_EQ(g.LeftTop | g.LeftBottom | g.RightTop | g.RightBottom, 0);
    EXPECT_TRUE(g.testAttribute(Qt::WA_OpaquePaintEvent));

    owner.show();
    EXPECT_EQ(g.BuildCount(), 0);  // showing does not change the size
    g.SetLTColor(0);
    EXPECT_EQ(g.BuildCount(), 1);
    EXPECT_EQ(Word(g.Image, 99, 99), 0u);
}

TEST(Gradient, RowsRunFromLeftToRightWithoutReachingTheRightColour) {
    TGradient g;
    g.SetWidth(4);
    g.SetHeight(2);
    g.SetRTColor(Red);
    g.SetRBColor(Red);
    const std::vector<uint32_t> row = {0x000000, 0x3F0000, 0x7F0000, 0xBF0000};  // 0 63 127 191
    EXPECT_EQ(Row(g.Image, 0), row);
    EXPECT_EQ(Row(g.Image, 1), row);
}

TEST(Gradient, EdgesRunFromTopToBottomWithoutReachingTheBottomColour) {
    TGradient g;
    g.resize(1, 4);
    g.SetLBColor(Blue);
    g.SetRBColor(Blue);
    ASSERT_EQ(g.Image.size(), QSize(1, 4));  // sized before computing
    EXPECT_EQ(Word(g.Image, 0, 0), 0u);
    EXPECT_EQ(Word(g.Image, 0, 1), 63u);
    EXPECT_EQ(Word(g.Image, 0, 2), 127u);
    EXPECT_EQ(Word(g.Image, 0, 3), 191u);
}

TEST(Gradient, GreyLevelsAndSystemColoursUseTheLowThreeBytes) {
    TGradient g;
    g.SetWidth(3);
    g.SetHeight(1);
    g.SetRTColor(White);
    g.SetRBColor(White);
    EXPECT_EQ(Row(g.Image, 0), (std::vector<uint32_t>{0x000000, 0x555555, 0xAAAAAA}));

    g.SetLTColor(TColor(0x8000000F));  // a symbolic system colour: red 15, top byte ignored
    EXPECT_EQ(Word(g.Image, 0, 0), 0x0F0000u);
    g.SetLTColor(0x00563412);
    EXPECT_EQ(Word(g.Image, 0, 0), 0x123456u);
}

TEST(Gradient, LongRunsStayWithinTheirChannels) {
    // Over a million columns the running sums drift past 255 on the way up
    // and below 0 on the way down; no channel may spill into another.
    TGradient g;
    g.SetHeight(1);
    g.SetWidth(1000000);
    g.SetLTColor(0x0001FF01);  // red 1, green 255, blue 1
    g.SetRTColor(0x00FF00FF);  // red 255, green 0, blue 255
    uint32_t lastRed = 0, lastGreen = 255;
    for (int x = 0; x < g.Image.width(); ++x) {
        const uint32_t w = Word(g.Image, x, 0);
        ASSERT_EQ(w >> 24, 0u) << x;
        ASSERT_EQ(w & 0xFF, (w >> 16) & 0xFF) << x;  // red and blue run alike
        ASSERT_GE((w >> 16) & 0xFF, lastRed) << x;
        ASSERT_LE((w >> 8) & 0xFF, lastGreen) << x;
        lastRed = (w >> 16) & 0xFF;
        lastGreen = (w >> 8) & 0xFF;
    }
    EXPECT_EQ(lastRed, 255u);
    EXPECT_EQ(lastGreen, 0u);
}

TEST(Gradient, OnlyASizeChangeRecomputes) {
    TGradient g;
    g.SetWidth(100);
    g.SetHeight(100);
    EXPECT_EQ(g.BuildCount(), 0);
    g.SetWidth(50);
    EXPECT_EQ(g.BuildCount(), 1);
    g.show();  // the pending resize notification changes nothing more
    g.resize(50, 100);
    EXPECT_EQ(g.BuildCount(), 1);
    g.resize(60, 40);
    EXPECT_EQ(g.BuildCount(), 2);
    EXPECT_EQ(g.Image.size(), QSize(60, 40));
    g.setProperty("Width", 60);
    EXPECT_EQ(g.BuildCount(), 2);
}

TEST(Gradient, AControlWithoutAreaBuildsNothing) {
    TGradient g;
    g.SetWidth(0);
    EXPECT_TRUE(g.Image.isNull());
    g.SetRTColor(White);
    EXPECT_EQ(g.BuildCount(), 0);
    g.SetWidth(2);
    EXPECT_EQ(g.BuildCount(), 1);
    EXPECT_EQ(Row(g.Image, 0), (std::vector<uint32_t>{0x000000, 0x7F7F7F}));
}

TEST(Gradient, PaintingCopiesTheImage) {
    TGradient g;
    g.SetWidth(4);
    g.SetHeight(2);
    g.SetRTColor(Red);
    g.SetRBColor(Red);
    const QImage shown = g.grab().toImage();
    EXPECT_EQ(shown.pixel(2, 1) & 0xFFFFFF, 0x7F0000u);
    EXPECT_EQ(shown.pixel(3, 0) & 0xFFFFFF, 0xBF0000u);
}

TEST(Gradient, PublishesPropertiesAlignsAndReportsTheMouse) {
    const QMetaObject& meta = TGradient::staticMetaObject;
    const int first = meta.propertyOffset();
    const char* names[] = {"Width", "Height", "LeftTop", "LeftBottom",
                           "RightTop", "RightBottom", "Align"};
    ASSERT_EQ(meta.propertyCount() - first, 7);
    for (int i = 0; i < 7; ++i) EXPECT_STREQ(meta.property(first + i).name(), names[i]);

    QWidget owner;
    owner.resize(300, 200);
    TGradient g(&owner);
    g.setProperty("LeftBottom", Blue);
    EXPECT_EQ(g.LeftBottom, Blue);
    g.SetAlign(TGradient::alClient);
    EXPECT_EQ(g.geometry(), QRect(0, 0, 300, 200));
    EXPECT_EQ(g.Image.size(), QSize(300, 200));
    owner.show();
    g.SetAlign(TGradient::alRight);
    owner.resize(400, 150);
    EXPECT_EQ(g.geometry(), QRect(100, 0, 300, 150));

    QSignalSpy down(&g, &TGradient::OnMouseDown);
    QTest::mousePress(&g, Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 7));
    ASSERT_EQ(down.count(), 1);
    EXPECT_EQ(down[0][0].value<QObject*>(), &g);
    EXPECT_EQ(down[0][3].toInt(), 5);
    EXPECT_EQ(down[0][4].toInt(), 7);

    Gradient::Register();
    bool found = false;
    for (const auto& e : RegisteredComponents())
        found |= e.page == PalettePage && e.className == "TGradient";
    EXPECT_TRUE(found);
}

} // namespace
} // namespace pw
