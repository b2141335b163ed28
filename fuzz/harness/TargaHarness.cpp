// The Targa target: a file loaded, its rows checked against the file's
// bytes, saved, loaded again, and its colours reversed twice.
#include <QImage>

#include <cstring>

#include "core/Error.h"
#include "harness/Harness.h"
#include "harness/Support.h"
#include "targa/Targa.h"

namespace pwfuzz {

namespace {

bool Supported(int depth) { return depth == 15 || depth == 16 || depth == 24 || depth == 32; }

// The first `bytes` bytes of every stored row.
std::string Rows(pw::TTarga& t, int64_t bytes) {
    std::string rows;
    for (int y = 0; y < t.Image->height(); ++y)
        rows.append(reinterpret_cast<const char*>(t.Image->constScanLine(y)), size_t(bytes));
    return rows;
}

} // namespace

void RunTargaInput(const std::string& ws, std::string_view input) {
    const std::string path = ws + "/in.tga";
    WriteBytes(path, input);
    pw::TTarga t;
    const auto before = t.Header;
    // Images the component accepts but that are large cost a fill of up to
    // 256 MB per run and take the same path as small ones: left out, so the
    // fuzzer spends its time on the rest. Larger headers (refused) still run.
    auto header = before;
    for (size_t i = 0; i < header.size() && i < input.size(); ++i) header[i] = uint8_t(input[i]);
    const int64_t pixels = int64_t(header[12] | header[13] << 8) * int64_t(header[14] | header[15] << 8);
    if (pixels > (int64_t(1) << 18) && pixels <= pw::TTarga::MaxImageBytes) return;
    try {
        t.LoadFromFile(path);
    } catch (const pw::Error& e) {
        const std::string text = e.what();
        Expect(text.rfind("Image too large", 0) == 0 || text.rfind("Not enough memory", 0) == 0,
               "unexpected error: " + text);
        Expect(t.Header == before && !t.Image, "a refused file changed the component");
        return;
    }
    // The header is the file's first 18 bytes (as many as it has).
    for (size_t i = 0; i < pw::TTarga::HeaderSize; ++i)
        Expect(t.Header[i] == (i < input.size() ? uint8_t(input[i]) : before[i]), "header byte " + std::to_string(i));
    Expect(t.Image != nullptr, "no image after a load");
    const int w = t.GetWidth(), h = t.GetHeight(), depth = t.GetDepth();
    Expect(t.Image->isNull() || (t.Image->width() == w && t.Image->height() == h), "image size differs from the header");
    Expect(t.GetScanLine(-1) == nullptr && t.GetScanLine(h) == nullptr && t.GetScanLine(INT32_MIN) == nullptr,
           "a row outside the image");
    if (t.Image->isNull()) return;

    const int bpp = t.BytesPerPixel();
    const int64_t rowBytes = int64_t(w) * bpp;
    if (Supported(depth)) {
        // Rows the file holds are its bytes, in file order.
        const std::string rows = Rows(t, rowBytes);
        if (input.size() > 18) {
            const size_t have = std::min(input.size() - 18, rows.size());
            Expect(rows.compare(0, have, input.substr(18, have)) == 0, "rows differ from the file");
        }
    }
    if (rowBytes * h > (int64_t(1) << 20)) return; // larger images: loading is the test

    // Saved and loaded again: the same header (descriptor 8) and rows.
    const std::string saved = ws + "/out.tga";
    t.SaveToFile(saved);
    const std::string file = ReadBytes(saved);
    Expect(int64_t(file.size()) == 18 + rowBytes * h + 26, "saved file has the wrong length");
    Expect(uint8_t(file[17]) == 8 && file.compare(file.size() - 18, 18, std::string("TRUEVISION-XFILE.\0", 18)) == 0,
           "saved file lacks its descriptor or footer");
    pw::TTarga again;
    again.LoadFromFile(saved);
    Expect(again.Header == t.Header, "a saved header reads back differently");
    if (Supported(depth)) {
        Expect(Rows(again, rowBytes) == Rows(t, rowBytes), "saved rows read back differently");
        if (depth == 24 || depth == 32) {
            const std::string rows = Rows(t, rowBytes);
            t.ReverseColors();
            t.ReverseColors();
            Expect(Rows(t, rowBytes) == rows, "reversing colours twice changed the image");
        }
    }
}

} // namespace pwfuzz
