// Preview choice and decoding.
#include "app/browse/Preview.h"

#include <QFile>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <exception>

#include "app/browse/Paths.h"
#include "core/Bytes.h"
#include "core/Error.h"
#include "targa/Targa.h"
#include "textobject/Textobject.h"
#include "textobject/layout/TextLayout.h"

namespace pw {

namespace {

QString Bytes(int64_t n) { return QStringLiteral("%1 bytes").arg(n); }

Preview Message(const QString& text, const QString& info = QString()) {
    Preview p;
    p.text = text;
    p.info = info;
    return p;
}

bool TextType(const std::string& type) {
    return type == "TXT" || type == "INI" || type == "LOG" || type == "CFG";
}

// A header that asks for far more pixels than the entry has is not decoded:
// the picture would be blank, and its storage could be large.
bool PixelsFit(const QByteArray& bytes) {
    if (bytes.size() < qsizetype(TTarga::HeaderSize)) return true;
    const auto* h = reinterpret_cast<const unsigned char*>(bytes.constData());
    const int64_t pixels = int64_t(ReadU16LE(h + TTarga::WidthAt)) * ReadU16LE(h + TTarga::HeightAt);
    return pixels * 4 <= int64_t(bytes.size()) * 4 + (int64_t(1) << 20);
}

Preview TargaPreview(const QByteArray& bytes, int64_t size) {
    if (!PixelsFit(bytes))
        return Message(QStringLiteral("The image header asks for more pixels than the entry holds"), Bytes(size));
    TTarga targa;
    targa.LoadFromMemory(bytes);
    const int width = targa.GetWidth(), height = targa.GetHeight(), depth = targa.GetDepth();
    Preview p;
    p.kind = PreviewKind::Image;
    p.info = QStringLiteral("%1 x %2 pixels, %3 bits, %4").arg(width).arg(height).arg(depth).arg(Bytes(size));
    if (!targa.Image || targa.Image->isNull()) return Message(QStringLiteral("No pixels"), p.info);
    QImage image = targa.Image->copy();
    // Without alpha bits in the descriptor the fourth byte is no coverage.
    if (image.format() == QImage::Format_ARGB32 && (targa.Header[TTarga::DescriptorAt] & 0x0F) == 0)
        image.reinterpretAsFormat(QImage::Format_RGB32);
    // Rows are stored bottom row first unless the descriptor says top first.
    if ((targa.Header[TTarga::DescriptorAt] & 0x20) == 0) image = image.mirrored(false, true);
    p.image = image;
    return p;
}

// A "{0xHH}" token of the text as it was read: a "{" that would read as
// one is "{0x7B}" itself.
bool TokenAt(const QString& text, qsizetype at) {
    if (at + 6 > text.size() || text[at] != u'{' || text[at + 1] != u'0' || text[at + 2] != u'x' ||
        text[at + 5] != u'}')
        return false;
    const auto hex = [](QChar c) { return c.isDigit() || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f'); };
    return hex(text[at + 3]) && hex(text[at + 4]);
}

Preview TextPreview(const QByteArray& bytes, int64_t size) {
    Preview p;
    p.kind = PreviewKind::Text;
    p.info = Bytes(size);
    const int blocks = IniBlockCount(bytes);
    if (blocks >= 0) p.info += QStringLiteral(", %1 INI blocks").arg(blocks);
    QString description;
    if (NumberedBlocks(bytes, p.blocks, description) && blocks < 0) p.info += QStringLiteral(", ") + description;
    if (bytes.size() > TextShown) {
        p.text = ShowControlCodes(DecodeText(bytes.left(qsizetype(TextShown))));
        p.info += QStringLiteral(", the first %1 shown").arg(Bytes(TextShown));
    } else {
        p.text = ShowControlCodes(DecodeText(bytes));
    }
    return p;
}

} // namespace

bool LooksLikeTarga(const QByteArray& head, int64_t size) {
    if (size < 0) size = head.size();
    if (head.size() < qsizetype(TTarga::HeaderSize)) return false;
    const auto* h = reinterpret_cast<const unsigned char*>(head.constData());
    const int depth = h[TTarga::DepthAt];
    if (h[1] != 0 || h[TTarga::ImageTypeAt] != 2) return false;
    if (depth != 15 && depth != 16 && depth != 24 && depth != 32) return false;
    const int64_t width = ReadU16LE(h + TTarga::WidthAt), height = ReadU16LE(h + TTarga::HeightAt);
    if (width == 0 || height == 0) return false;
    return int64_t(TTarga::HeaderSize) + width * height * ((depth + 7) / 8) <= size;
}

bool LooksLikeText(const QByteArray& bytes) {
    const QByteArray head = bytes.left(qsizetype(TextProbe));
    if (head.isEmpty()) return false;
    bool high = false;
    for (char ch : head) {
        const unsigned char c = uint8_t(ch);
        if (c < 32 && c != '\t' && c != '\n' && c != '\f' && c != '\r') return false;
        if (c == 127) return false;
        if (c >= 128) high = true;
    }
    if (!high) return true;
    // Valid UTF-8 (a character cut by the probe's end is allowed) ...
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8.decode(head); // decoding happens on conversion
    if (!utf8.hasError()) return true;
    // ... or Latin-1 without its control range.
    for (char ch : head)
        if (uint8_t(ch) >= 128 && uint8_t(ch) < 160) return false;
    return true;
}

QString DecodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(bytes);
}

QString ShowControlCodes(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool lineEnd = c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n';
        if ((c < 0x20 && c != u'\n' && c != u'\t' && !lineEnd) || c == 0x7F)
            out += QStringLiteral("{0x%1}").arg(QString::number(uint(c), 16).toUpper().rightJustified(2, u'0'));
        else if (c == u'{' && TokenAt(text, i))
            out += QStringLiteral("{0x7B}");
        else
            out += text[i];
    }
    return out;
}

QString HexDump(const QByteArray& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    out.reserve(bytes.size() / 16 * 80 + 80);
    for (qsizetype line = 0; line < bytes.size(); line += 16) {
        QString hex, chars;
        for (qsizetype i = line; i < line + 16; ++i) {
            if (i < bytes.size()) {
                const unsigned char c = uint8_t(bytes[i]);
                hex += QChar(digits[c >> 4]);
                hex += QChar(digits[c & 15]);
                chars += c >= 32 && c < 127 ? QChar(c) : QChar(u'.');
            } else {
                hex += QStringLiteral("  ");
            }
            hex += i == line + 7 ? QStringLiteral("  ") : QStringLiteral(" ");
        }
        out += QStringLiteral("%1  ").arg(line, 8, 16, QChar(u'0')).toUpper() + hex + u' ' + chars + u'\n';
    }
    return out;
}

int IniBlockCount(const QByteArray& bytes) {
    if (!bytes.startsWith("[0x")) return -1;
    QTemporaryFile file;
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush()) return -1;
    TTextObject text;
    text.SetTextStyle(TTextObject::IniStyle);
    text.SetNoErrors(true); // count every header, gaps included
    text.SetFileName(file.fileName());
    try {
        if (text.New(TTextObject::omRead) != 0) return -1;
    } catch (const std::exception&) {
        return -1;
    }
    return text.GetBlockCount();
}

bool NumberedBlocks(const QByteArray& bytes, QString& blocks, QString& description) {
    const std::string_view data(bytes.constData(), size_t(bytes.size()));
    const std::optional<layout::Style> style = layout::StyleOf(data);
    if (!style) return false;
    const auto read = layout::ReadBlocks(*style, data);
    if (!read) return false;
    blocks.clear();
    for (size_t k = 0; k < read->size(); ++k) {
        blocks += QStringLiteral("[%1]\n").arg(k);
        const std::optional<std::string>& text = (*read)[k].text;
        blocks += text ? ShowControlCodes(DecodeText(QByteArray::fromStdString(*text))) : QStringLiteral("(no text)");
        blocks += QStringLiteral("\n\n");
    }
    description = QStringLiteral("%1 %2 blocks").arg(read->size()).arg(QString::fromLatin1(layout::StyleName(*style)));
    return true;
}

PreviewChoice ChoosePreview(const std::string& type, const QByteArray& head, int64_t size) {
    if (type == "TGA" || LooksLikeTarga(head, size)) return PreviewChoice::Targa;
    if (layout::StyleOf(std::string_view(head.constData(), size_t(head.size())))) return PreviewChoice::Text;
    if (TextType(type) || LooksLikeText(head)) return PreviewChoice::Text;
    return PreviewChoice::Hex;
}

Preview MakePreview(const std::string& type, const QByteArray& bytes, int64_t size) {
    try {
        switch (ChoosePreview(type, bytes, size)) {
        case PreviewChoice::Targa: return TargaPreview(bytes, size);
        case PreviewChoice::Text: return TextPreview(bytes, size);
        case PreviewChoice::Hex: break;
        }
    } catch (const std::exception& e) {
        return Message(QString::fromStdString(e.what()), Bytes(size));
    }
    Preview p;
    p.kind = PreviewKind::Hex;
    p.text = HexDump(bytes.left(qsizetype(HexLimit)));
    p.info = Bytes(size);
    if (size > HexLimit) p.info += QStringLiteral(", the first %1 shown").arg(Bytes(HexLimit));
    return p;
}

Preview LoadPreview(const PreviewRequest& r) {
    if (r.size == 0) return Message(QStringLiteral("Empty entry"), Bytes(0));
    if (!r.inside) return Message(QStringLiteral("Stream read error"), Bytes(r.size));
    if (r.size > PreviewLimit) return Message(QStringLiteral("Too large to preview"), Bytes(r.size));
    if (r.read) {
        try {
            return MakePreview(r.type, r.read(), r.size);
        } catch (const std::exception& e) {
            return Message(QString::fromStdString(e.what()), Bytes(r.size));
        }
    }
    QFile file(FromPath(r.dataPath));
    if (!file.open(QIODevice::ReadOnly))
        return Message(QString::fromStdString("Cannot open file " + r.dataPath), Bytes(r.size));
    const auto read = [&](int64_t count, QByteArray& out) {
        out.resize(qsizetype(count));
        return file.seek(r.offset) && file.read(out.data(), count) == count;
    };
    // The head decides; only a picture or a text needs the whole entry.
    QByteArray bytes;
    if (!read(std::min(r.size, HexLimit), bytes)) return Message(QStringLiteral("Stream read error"), Bytes(r.size));
    if (r.size > HexLimit && ChoosePreview(r.type, bytes, r.size) != PreviewChoice::Hex && !read(r.size, bytes))
        return Message(QStringLiteral("Stream read error"), Bytes(r.size));
    return MakePreview(r.type, bytes, r.size);
}

} // namespace pw
