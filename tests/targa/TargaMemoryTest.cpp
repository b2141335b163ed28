// Loading from memory and from a device follows the file load's rules: the
// same header, the same pixels, the same refusals, for whole, short and
// hostile inputs.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <vector>

#include "core/Error.h"
#include "targa/Targa.h"

namespace pw {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Tga(int width, int height, int depth, size_t pixelBytes, uint8_t descriptor = 0) {
    Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(width), uint8_t(width >> 8),
               uint8_t(height), uint8_t(height >> 8), uint8_t(depth), descriptor};
    for (size_t i = 0; i < pixelBytes; ++i) b.push_back(uint8_t(i * 7 + 3));
    return b;
}

struct Loaded {
    std::string error;
    std::array<uint8_t, TTarga::HeaderSize> header{};
    QImage image;
    bool hasImage = false;
};

template <class Load> Loaded LoadWith(Load load) {
    TTarga t;
    t.SetWidth(3); // a state that a refused load must leave as it is
    Loaded out;
    try {
        load(t);
    } catch (const Error& e) {
        out.error = e.what();
    }
    out.header = t.Header;
    out.hasImage = bool(t.Image);
    if (t.Image) out.image = t.Image->copy();
    return out;
}

class TargaMemory : public ::testing::TestWithParam<Bytes> {
protected:
    QTemporaryDir dir;
};

TEST_P(TargaMemory, MemoryAndDeviceLoadsEqualTheFileLoad) {
    const Bytes& bytes = GetParam();
    const QString path = dir.filePath("image.tga");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    }
    const Loaded file = LoadWith([&](TTarga& t) { t.LoadFromFile(path.toStdString()); });
    const Loaded memory = LoadWith([&](TTarga& t) { t.LoadFromMemory(bytes.data(), bytes.size()); });
    const QByteArray array(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    const Loaded fromArray = LoadWith([&](TTarga& t) { t.LoadFromMemory(array); });
    QBuffer buffer;
    buffer.setData(array);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    const Loaded device = LoadWith([&](TTarga& t) { t.LoadFromDevice(buffer); });

    for (const Loaded* other : {&memory, &fromArray, &device}) {
        EXPECT_EQ(other->error, file.error);
        EXPECT_EQ(other->header, file.header);
        EXPECT_EQ(other->hasImage, file.hasImage);
        EXPECT_EQ(other->image.format(), file.image.format());
        EXPECT_TRUE(other->image == file.image);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, TargaMemory,
    ::testing::Values(Tga(4, 3, 24, 36), Tga(4, 3, 32, 48, 0x28), Tga(5, 2, 16, 20), Tga(5, 2, 15, 20),
                      Tga(4, 3, 24, 10) /* short: the rest blank */, Tga(2, 2, 8, 4),
                      Tga(3, 2, 48, 36) /* wider file rows than the image holds */,
                      Tga(65535, 65535, 32, 0) /* refused before any allocation */,
                      Tga(0, 7, 24, 0), Bytes{0, 0, 2, 0, 0} /* a header cut short */, Bytes{}));

TEST(TargaMemoryRules, NullBufferIsAnEmptySource) {
    TTarga a, b;
    a.LoadFromMemory(nullptr, 100);
    b.LoadFromMemory(QByteArray());
    EXPECT_EQ(a.Header, b.Header);
    EXPECT_EQ(a.GetWidth(), 256);
}

TEST(TargaMemoryRules, DeviceMustBeOpen) {
    TTarga t;
    QBuffer closed;
    EXPECT_THROW(t.LoadFromDevice(closed), Error);
    EXPECT_FALSE(t.Image);
}

} // namespace
} // namespace pw
