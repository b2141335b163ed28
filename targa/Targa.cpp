#include "targa/Targa.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/Bytes.h"
#include "core/CFile.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "core/PairCommit.h"
#include "core/Palette.h"
#include "core/PendingFile.h"
#include "targa/Misc.h"

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN,
              "the pixel layouts below are little-endian words in memory");

namespace pw {

namespace {

constexpr char Signature[] = "TRUEVISION-XFILE.";

// The image layout of each depth. 15: RGB555 words, 16: RGB565 words,
// 24: bytes B,G,R, 32: bytes B,G,R,A (ARGB32 words, not premultiplied, so
// the fourth byte is carried as it is). Other depths: 8 bits or fewer get one
// grey byte per pixel, anything else four bytes per pixel.
QImage::Format LayoutFor(int depth) {
    switch (depth) {
    case 15: return QImage::Format_RGB555;
    case 16: return QImage::Format_RGB16;
    case 24: return QImage::Format_BGR888;
    case 32: return QImage::Format_ARGB32;
    default: return depth <= 8 ? QImage::Format_Grayscale8 : QImage::Format_ARGB32;
    }
}

int BitsOf(QImage::Format format) {
    switch (format) {
    case QImage::Format_Grayscale8: return 8;
    case QImage::Format_RGB555:
    case QImage::Format_RGB16: return 16;
    case QImage::Format_BGR888: return 24;
    default: return 32;
    }
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

void WriteAll(std::FILE* f, const void* data, size_t size) {
    if (size != 0 && std::fwrite(data, 1, size, f) != size) ThrowWriteError();
}

} // namespace

TTarga::TTarga(QObject* owner) : QObject(owner) {
    Header[ImageTypeAt] = 2;
    WriteU16LE(&Header[WidthAt], 256);
    WriteU16LE(&Header[HeightAt], 256);
    Header[DepthAt] = 32;
    std::memcpy(&Footer[8], Signature, 17);
}

TTarga::~TTarga() {
    Canvas = nullptr;
    canvas_.reset();   // the painter ends before its image goes
    Image.reset();
}

// Only depths above 32 bits have file rows wider than the image rows.
int64_t TTarga::TransferBytes(const QImage& image, int64_t fileRow) {
    return std::min<int64_t>(fileRow, image.bytesPerLine());
}

quint16 TTarga::GetWidth() const { return ReadU16LE(&Header[WidthAt]); }
quint16 TTarga::GetHeight() const { return ReadU16LE(&Header[HeightAt]); }
quint16 TTarga::GetDepth() const { return Header[DepthAt]; }
int TTarga::BytesPerPixel() const { return (GetDepth() + 7) / 8; }

std::unique_ptr<QImage> TTarga::MakeImage(const std::array<uint8_t, HeaderSize>& header) const {
    const int width = ReadU16LE(&header[WidthAt]);
    const int height = ReadU16LE(&header[HeightAt]);
    const int depth = header[DepthAt];
    if (width == 0 || height == 0) return std::make_unique<QImage>();  // no pixels
    const QImage::Format format = LayoutFor(depth);
    const int64_t rowBytes = (int64_t(width) * BitsOf(format) + 31) / 32 * 4;
    const std::string size = std::to_string(width) + " x " + std::to_string(height) +
                             " pixels at " + std::to_string(depth) + " bits";
    if (rowBytes * height > MaxImageBytes) throw Error("Image too large: " + size);
    auto image = std::make_unique<QImage>(width, height, format);
    if (image->isNull()) throw Error("Not enough memory for an image of " + size);
    image->fill(Qt::white);
    return image;
}

void TTarga::TakeImage(std::unique_ptr<QImage> image) {
    Canvas = nullptr;
    canvas_.reset();
    Image = std::move(image);
    if (Image && !Image->isNull()) {
        canvas_ = std::make_unique<QPainter>(Image.get());
        if (canvas_->isActive()) Canvas = canvas_.get();
    }
}

void TTarga::Reset() { TakeImage(MakeImage(Header)); }

void TTarga::Resize(int width, int height) {
    auto header = Header;
    WriteU16LE(&header[WidthAt], uint16_t(width));
    WriteU16LE(&header[HeightAt], uint16_t(height));
    auto image = MakeImage(header);
    if (!Image->isNull() && !image->isNull()) {
        const QImage& old = *Image;
        if (old.format() == image->format()) {
            // Pixels that still fit keep their bytes, within both rows.
            const size_t pixelBytes = size_t(image->depth() / 8);
            const size_t bytes = std::min<size_t>({size_t(std::min(old.width(), width)) * pixelBytes,
                                                   size_t(old.bytesPerLine()),
                                                   size_t(image->bytesPerLine())});
            for (int y = 0; y < std::min(old.height(), height); ++y)
                std::memcpy(image->scanLine(y), old.constScanLine(y), bytes);
        } else {
            // The header's depth was changed behind the image: draw instead.
            QPainter painter(image.get());
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(0, 0, old);
        }
    }
    Header = header;
    TakeImage(std::move(image));
}

// Without an image the value waits in the header for the next Reset.
void TTarga::SetWidth(quint16 value) {
    if (Image) Resize(value, GetHeight());
    else WriteU16LE(&Header[WidthAt], value);
}

void TTarga::SetHeight(quint16 value) {
    if (Image) Resize(GetWidth(), value);
    else WriteU16LE(&Header[HeightAt], value);
}

void TTarga::SetDepth(quint16 value) {
    QImage copy;  // shares the old pixels until they are drawn
    if (ResetImage && Image) copy = *Image;
    auto header = Header;
    header[DepthAt] = uint8_t(value);
    auto image = MakeImage(header);
    Header = header;
    TakeImage(std::move(image));
    if (copy.isNull() || !Canvas) return;
    // Draw the old picture, converting each pixel to the new layout. Its
    // colour channels are drawn as they stand, whatever the alpha byte says;
    // a 32-bit target takes the alpha byte too.
    if (copy.format() == QImage::Format_ARGB32 && Image->format() != QImage::Format_ARGB32)
        copy.reinterpretAsFormat(QImage::Format_RGB32);
    Canvas->save();
    Canvas->setCompositionMode(QPainter::CompositionMode_Source);
    Canvas->drawImage(0, 0, copy);
    Canvas->restore();
}

uint8_t* TTarga::GetScanLine(int32_t row) {
    if (!Image || Image->isNull() || row < 0 || row >= Image->height()) return nullptr;
    return Image->scanLine(Image->height() - 1 - row);
}

void TTarga::SaveToFile(const std::string& fileName) {
    if (!Image) throw Error("No image to save to " + fileName);
    Header[DescriptorAt] = 8;
    // Written beside its name and renamed into place when complete: a failed
    // save leaves an earlier file of that name as it was.
    RemoveLeftovers(ExtractFilePath(fileName));
    PendingFile pending(fileName);
    FilePtr file(DupCFile(pending.Fd(), "wb"));
    if (!file) ThrowCannotCreate(fileName);
    std::FILE* f = file.get();

    WriteAll(f, Header.data(), HeaderSize);
    if (!Image->isNull()) {
        static const uint8_t zeros[4096] = {};
        const int64_t fileRow = int64_t(Image->width()) * BytesPerPixel();
        const int64_t bytes = TransferBytes(*Image, fileRow);
        for (int y = 0; y < Image->height(); ++y) {
            WriteAll(f, Image->constScanLine(y), size_t(bytes));
            // Depths above 32 bits: the part of a file row the image cannot hold.
            for (int64_t rest = fileRow - bytes; rest > 0; rest -= int64_t(sizeof zeros))
                WriteAll(f, zeros, size_t(std::min<int64_t>(rest, sizeof zeros)));
        }
    }
    WriteAll(f, Footer.data(), FooterSize);
    if (std::fclose(file.release()) != 0) ThrowWriteError();
    pending.Commit();
}

void TTarga::ReverseColors() {
    if (!Image || Image->isNull()) return;
    void (*reverse)(uint8_t*, size_t) = nullptr;
    switch (GetDepth()) {
    case 15: reverse = ReverseRow15; break;
    case 16: reverse = ReverseRow16; break;
    case 24: reverse = ReverseRow24; break;
    case 32: reverse = ReverseRow32; break;
    default: return;
    }
    // Within the row even if Header was changed by hand behind the image.
    const size_t length = size_t(
        TransferBytes(*Image, int64_t(Image->width()) * BytesPerPixel()));
    for (int y = 0; y < Image->height(); ++y) reverse(Image->scanLine(y), length);
}

namespace Targa {
void Register() { RegisterComponent(PalettePage, "TTarga"); }
} // namespace Targa

} // namespace pw
