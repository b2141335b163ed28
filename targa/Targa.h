#pragma once
// TTarga: one uncompressed true-colour image, read from and written to a
// Targa (TGA) file with the version 2 footer. The 18-byte file header is the
// component's state: Width, Height and ColorDepth are fields of it, so the
// header a file brought in is written out again on save. Pixel rows move
// between file and image byte for byte, without conversion.
#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QObject>
#include <QPainter>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace pw {

class TTarga : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool ResetImage MEMBER ResetImage)
    Q_PROPERTY(quint16 Width READ GetWidth WRITE SetWidth)
    Q_PROPERTY(quint16 Height READ GetHeight WRITE SetHeight)
    Q_PROPERTY(quint16 ColorDepth READ GetDepth WRITE SetDepth)

public:
    static constexpr size_t HeaderSize = 18;
    static constexpr size_t FooterSize = 26;
    // Header offsets.
    static constexpr size_t IdLengthAt = 0, ImageTypeAt = 2, WidthAt = 12, HeightAt = 14,
                            DepthAt = 16, DescriptorAt = 17;
    // Pixel storage this component agrees to allocate; a header asking for
    // more is refused (the same limit Qt's image reader applies).
    static constexpr int64_t MaxImageBytes = int64_t(256) << 20;

    explicit TTarga(QObject* owner = nullptr);
    ~TTarga() override;

    // The drawing surface of Image: replaced whenever Image is recreated or
    // resized, null while there is no image or the image has no pixels.
    // Draw through it; do not begin another painter on Image, and take
    // snapshots with Image->copy() (a shallow copy would share the pixels
    // this painter keeps drawing into).
    QPainter* Canvas = nullptr;
    std::array<uint8_t, HeaderSize> Header{};   // file layout, little-endian fields
    std::array<uint8_t, FooterSize> Footer{};   // written as the last bytes of a file
    bool ResetImage = false;  // a depth change keeps the picture (true) or blanks it
    std::unique_ptr<QImage> Image;  // the pixel store; none until the first Reset

    quint16 GetWidth() const;
    quint16 GetHeight() const;
    // Store the field; with an image, resize it, keeping the pixels that
    // still fit. Throws pw::Error, changing nothing, when the new size
    // cannot be allocated.
    void SetWidth(quint16 value);
    void SetHeight(quint16 value);
    quint16 GetDepth() const;
    // Stores the low 8 bits as the pixel depth and recreates the image;
    // with ResetImage the old picture is drawn onto the new one.
    void SetDepth(quint16 value);

    // Recreates a blank image from the header's width, height and depth.
    // Throws pw::Error, changing nothing, when it cannot be allocated.
    void Reset();
    // Pixel row `row` counted from the top of the picture as a saved file
    // describes it (stored row height - 1 - row); null without an image or
    // for a row outside it.
    uint8_t* GetScanLine(int32_t row);
    // Header and rows from a file, replacing both at once. "Cannot open file
    // %s" when it cannot be opened. A short file leaves the rest blank.
    void LoadFromFile(const std::string& fileName);
    // The same from bytes in memory or from an open device, by the same
    // rules: a short source leaves the rest blank, a header asking for more
    // than MaxImageBytes is refused, and nothing changes when it throws.
    void LoadFromMemory(const uint8_t* data, size_t size);
    void LoadFromMemory(const QByteArray& bytes);
    void LoadFromDevice(QIODevice& device);
    // Header (descriptor set to 8), rows and footer. Refuses, before the file
    // is created, when there is no image; "Cannot create file %s".
    void SaveToFile(const std::string& fileName);
    // Swaps red and blue in every pixel, at depths 15, 16, 24 and 32.
    void ReverseColors();

    // Bytes per pixel in a file: the depth divided by 8, rounded up.
    int BytesPerPixel() const;

    class Source;

private:
    void Load(Source& source);
    // Bytes of a row moved between file and image: the file's row, but
    // never more than the image row holds.
    static int64_t TransferBytes(const QImage& image, int64_t fileRow);
    std::unique_ptr<QImage> MakeImage(const std::array<uint8_t, HeaderSize>& header) const;
    void TakeImage(std::unique_ptr<QImage> image);
    void Resize(int width, int height);

    std::unique_ptr<QPainter> canvas_;
};

namespace Targa {
// Puts TTarga on the component palette of the form designer.
void Register();
} // namespace Targa

} // namespace pw
