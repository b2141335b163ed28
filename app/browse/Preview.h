#pragma once
// What the preview pane shows for one entry, worked out from the entry's
// type and first bytes: a Targa picture, a text, or a hex view. Reading and
// decoding run off the window's thread; nothing here touches a widget.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>

namespace pw {

inline constexpr int64_t PreviewLimit = int64_t(64) << 20; // larger entries: size only
inline constexpr int64_t HexLimit = int64_t(64) << 10;     // bytes of a hex view
inline constexpr int64_t TextProbe = 4096;                 // bytes looked at for text
inline constexpr int64_t TextShown = int64_t(4) << 20;     // bytes of text put in the pane

enum class PreviewKind { Message, Image, Text, Hex };

// One entry of a pack: where its data lie, and what the index says of it.
struct PreviewRequest {
    std::string dataPath;
    int64_t offset = 0;
    int64_t size = 0;
    std::string type;   // upper-case, without the dot
    bool inside = true; // the data lie inside the data file
    // When set, the entry's bytes come from here instead of a data file (a
    // patch's new data, inflated); it runs off the window's thread and may
    // throw pw::Error, which becomes the message shown.
    std::function<QByteArray()> read;
};

struct Preview {
    PreviewKind kind = PreviewKind::Message;
    QImage image;       // Image: ready to draw, top row first
    QString text;       // Text, Hex: the lines; Message: the message
    QString info;       // one line above the view: size, picture size, blocks
    // Text of numbered blocks (either layout of the text container): one
    // "[N]" line per block, then its text; shown in place of `text`.
    QString blocks;
};

// Bytes that start like an uncompressed true-colour Targa whose pixels an
// entry of `size` bytes holds (the bytes' own size when -1).
bool LooksLikeTarga(const QByteArray& head, int64_t size = -1);
// The first TextProbe bytes are text: no control bytes but tab, line feed,
// form feed and carriage return, and bytes above 127 only as valid UTF-8 or
// as printable Latin-1.
bool LooksLikeText(const QByteArray& bytes);
// UTF-8 when the bytes are valid UTF-8, else Latin-1.
QString DecodeText(const QByteArray& bytes);
// The text with each control character but line feed, tab and the
// carriage return of a line end written "{0xHH}", as the translation files
// write it, and a "{" that would read as such a token as "{0x7B}".
QString ShowControlCodes(const QString& text);
// Offset, 16 bytes in hex, the same bytes as characters; one line each.
QString HexDump(const QByteArray& bytes);
// The number of blocks when the text is in the text container's INI block
// layout (read by the container itself), else -1.
int IniBlockCount(const QByteArray& bytes);

// The blocks of a numbered-text entry, read by the layout's own rules, as
// the pane shows them ("[0]" and the text, "[1]" ...), with its style's
// name and block count; false when the bytes are in neither layout.
bool NumberedBlocks(const QByteArray& bytes, QString& blocks, QString& description);

enum class PreviewChoice { Targa, Text, Hex };
PreviewChoice ChoosePreview(const std::string& type, const QByteArray& head, int64_t size = -1);

// The preview of bytes already read: `bytes` is the whole entry (or its
// first HexLimit bytes when only a hex view can come of it).
Preview MakePreview(const std::string& type, const QByteArray& bytes, int64_t size);
// Reads the entry from its data file, bounded, and makes its preview. File
// errors become a message ("Stream read error", "Cannot open file %s").
Preview LoadPreview(const PreviewRequest& request);

} // namespace pw
