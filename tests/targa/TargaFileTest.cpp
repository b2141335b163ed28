#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/Error.h"
#include "targa/Targa.h"

namespace pw {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes HeaderOf(int width, int height, int depth, uint8_t idLength = 0, uint8_t descriptor = 0) {
    return {idLength, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(width), uint8_t(width >> 8),
            uint8_t(height), uint8_t(height >> 8), uint8_t(depth), descriptor};
}

const Bytes Footer = [] {
    Bytes f(8, 0);
    const char* sig = "TRUEVISION-XFILE.";
    f.insert(f.end(), sig, sig + 17);
    f.push_back(0);
    return f;
}();

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class TargaFile : public ::testing::Test {
protected:
    std::string Path(const char* name) { return (dir.path() + "/" + name).toStdString(); }
    QTemporaryDir dir;
};

TEST_F(TargaFile, NewThirtyTwoBitImageSavesByteExactly) {
    TTarga t;
    t.SetDepth(32);
    std::memcpy(t.Image->scanLine(0), "\x01\x02\x03\x04", 4);      // stored row 0
    std::memcpy(t.Image->scanLine(255) + 1020, "\x05\x06\x07\x08", 4);  // last stored row
    t.SaveToFile(Path("new.tga"));

    const Bytes file = ReadBytes(Path("new.tga"));
    ASSERT_EQ(file.size(), 262188u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 18), HeaderOf(256, 256, 32, 0, 8));
    EXPECT_EQ(Bytes(file.begin() + 18, file.begin() + 22), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(file[22], 0xFF);  // blank is opaque white
    EXPECT_EQ(Bytes(file.begin() + 18 + 256 * 1024 - 4, file.begin() + 18 + 256 * 1024),
              (Bytes{5, 6, 7, 8}));
    EXPECT_EQ(Bytes(file.end() - 26, file.end()), Footer);
    EXPECT_EQ(t.Header[17], 8);
}

TEST_F(TargaFile, RowsAreWrittenBackToBackWithDescriptorEightAtEveryDepth) {
    for (int depth : {15, 16, 24}) {
        TTarga t;
        t.SetWidth(3);
        t.SetHeight(2);
        t.SetDepth(depth);
        t.SaveToFile(Path("rows.tga"));
        const Bytes file = ReadBytes(Path("rows.tga"));
        const size_t bpp = depth == 24 ? 3 : 2;
        ASSERT_EQ(file.size(), 18 + 3 * 2 * bpp + 26) << depth;
        EXPECT_EQ(file[17], 8);
        EXPECT_EQ(file[16], depth);
        EXPECT_EQ(Bytes(file.end() - 26, file.end()), Footer);
    }
}

TEST_F(TargaFile, TwentyFourBitImageLoadsInFileOrderAndSavesTheSamePixels) {
    Bytes pixels(18);
    for (int i = 0; i < 18; ++i) pixels[size_t(i)] = uint8_t(i + 1);
    WriteBytes(Path("in.tga"), Concat(HeaderOf(3, 2, 24, 0, 0x20), pixels));

    TTarga t;
    t.LoadFromFile(Path("in.tga"));
    EXPECT_EQ(t.GetWidth(), 3);
    EXPECT_EQ(t.GetHeight(), 2);
    EXPECT_EQ(t.GetDepth(), 24);
    EXPECT_EQ(t.Header[17], 0x20);  // taken as it is
    EXPECT_EQ(Bytes(t.Image->constScanLine(0), t.Image->constScanLine(0) + 9),
              Bytes(pixels.begin(), pixels.begin() + 9));
    EXPECT_EQ(Bytes(t.Image->constScanLine(1), t.Image->constScanLine(1) + 9),
              Bytes(pixels.begin() + 9, pixels.end()));
    EXPECT_EQ(t.GetScanLine(0), t.Image->scanLine(1));
    EXPECT_EQ(t.Image->pixel(0, 0), qRgb(3, 2, 1));

    t.SaveToFile(Path("out.tga"));
    EXPECT_EQ(ReadBytes(Path("out.tga")), Concat(Concat(HeaderOf(3, 2, 24, 0, 8), pixels), Footer));
}

TEST_F(TargaFile, ImageIdBytesAreReadAsPixelsAndTheLengthIsKept) {
    Bytes pixels = {'I', 'D', 'I', 'D', '!', 10, 11, 12};
    WriteBytes(Path("id.tga"), Concat(HeaderOf(2, 1, 32, 5), pixels));
    TTarga t;
    t.LoadFromFile(Path("id.tga"));
    EXPECT_EQ(t.Header[0], 5);
    EXPECT_EQ(Bytes(t.Image->constScanLine(0), t.Image->constScanLine(0) + 8), pixels);
    t.SaveToFile(Path("id2.tga"));
    EXPECT_EQ(ReadBytes(Path("id2.tga")), Concat(Concat(HeaderOf(2, 1, 32, 5, 8), pixels), Footer));
}

TEST_F(TargaFile, ShortFilesLoadAsPartlyBlankImages) {
    WriteBytes(Path("short.tga"), Concat(HeaderOf(2, 2, 32), {1, 2, 3, 4, 5, 6}));
    TTarga t;
    t.LoadFromFile(Path("short.tga"));
    const uint8_t* row0 = t.Image->constScanLine(0);
    EXPECT_EQ(Bytes(row0, row0 + 8), (Bytes{1, 2, 3, 4, 5, 6, 0xFF, 0xFF}));
    EXPECT_EQ(t.Image->pixel(0, 1), 0xFFFFFFFFu);

    // A file shorter than the header overwrites only the bytes it has.
    WriteBytes(Path("tiny.tga"), {7, 0, 2});
    t.LoadFromFile(Path("tiny.tga"));
    EXPECT_EQ(t.Header[0], 7);
    EXPECT_EQ(t.GetWidth(), 2);
    EXPECT_EQ(t.Image->size(), QSize(2, 2));
    EXPECT_EQ(t.Image->pixel(0, 0), 0xFFFFFFFFu);
}

TEST_F(TargaFile, UnreadableOrOversizedFilesChangeNothing) {
    TTarga t;
    t.SetDepth(24);
    const auto header = t.Header;
    const QImage* image = t.Image.get();

    try {
        t.LoadFromFile(Path("missing.tga"));
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.what(), "Cannot open file " + Path("missing.tga"));
    }
    EXPECT_THROW(t.LoadFromFile(dir.path().toStdString()), Error);  // a folder

    WriteBytes(Path("huge.tga"), Concat(HeaderOf(65535, 65535, 32), {1, 2, 3}));
    EXPECT_THROW(t.LoadFromFile(Path("huge.tga")), Error);
    EXPECT_EQ(t.Header, header);
    EXPECT_EQ(t.Image.get(), image);
}

TEST_F(TargaFile, SavingWithoutAnImageLeavesAnExistingFileAlone) {
    WriteBytes(Path("keep.tga"), {1, 2, 3});
    TTarga t;
    EXPECT_THROW(t.SaveToFile(Path("keep.tga")), Error);
    EXPECT_EQ(ReadBytes(Path("keep.tga")), (Bytes{1, 2, 3}));

    t.Reset();
    try {
        t.SaveToFile(Path("no/such/folder.tga"));
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.what(), "Cannot create file " + Path("no/such/folder.tga"));
    }
}

TEST_F(TargaFile, OtherDepthsNeverTransferBeyondARow) {
    // 8 bits: one byte per pixel, round trip exact.
    const Bytes grey = {10, 20, 30, 40, 50, 60};
    WriteBytes(Path("grey.tga"), Concat(HeaderOf(3, 2, 8), grey));
    TTarga t;
    t.LoadFromFile(Path("grey.tga"));
    t.ReverseColors();
    t.SaveToFile(Path("grey2.tga"));
    EXPECT_EQ(ReadBytes(Path("grey2.tga")), Concat(Concat(HeaderOf(3, 2, 8, 0, 8), grey), Footer));

    // 64 bits: eight bytes per pixel in the file; the image keeps four of
    // each row's pixels' worth and the file rows keep their length.
    Bytes wide(2 * 2 * 8);
    for (size_t i = 0; i < wide.size(); ++i) wide[i] = uint8_t(i + 1);
    WriteBytes(Path("wide.tga"), Concat(HeaderOf(2, 2, 64), wide));
    t.LoadFromFile(Path("wide.tga"));
    EXPECT_EQ(t.BytesPerPixel(), 8);
    EXPECT_EQ(Bytes(t.Image->constScanLine(1), t.Image->constScanLine(1) + 8),
              Bytes(wide.begin() + 16, wide.begin() + 24));
    t.SaveToFile(Path("wide2.tga"));
    Bytes expected = HeaderOf(2, 2, 64, 0, 8);
    for (int row = 0; row < 2; ++row) {
        expected.insert(expected.end(), wide.begin() + row * 16, wide.begin() + row * 16 + 8);
        expected.insert(expected.end(), 8, 0);
    }
    EXPECT_EQ(ReadBytes(Path("wide2.tga")), Concat(expected, Footer));
}

} // namespace
} // namespace pw
