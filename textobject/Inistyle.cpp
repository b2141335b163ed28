// The INI layout: numbered blocks in one file, each opened by the header
// line "[0x" + eight upper-case hexadecimal digits + "]" and CR LF, then the
// text with every line feed stored as CR LF, then CR LF.
//
// A write pass appends one block per Write and leaves a complete file after
// every call. A read pass copies the file once into Buffer, lists its
// headers in Lines (one key "0x........" per header, then the key that
// would follow the last block) and cuts every text out of the copy between
// its own header and the next key's header, each found at its first
// occurrence. Searches in the copy stop at its first zero byte.
#include <QFile>
#include <cstring>
#include <limits>
#include <string_view>

#include "core/Error.h"
#include "core/FileNames.h"
#include "textobject/Misc.h"
#include "textobject/Textobject.h"
#include "textobject/layout/TextLayout.h"

namespace pw {

thread_local QByteArray TTextObject::WorkString;

namespace {

QByteArray Key(uint32_t n) { return "0x" + QByteArray::fromStdString(Hex8(n)); }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The bytes of a text up to its first zero byte.
QByteArrayView UpToZero(const QByteArray& text) {
    const qsizetype zero = text.indexOf('\0');
    return zero < 0 ? QByteArrayView(text) : QByteArrayView(text).first(zero);
}

constexpr qint64 HeaderLength = 12; // "[0x" + 8 digits + "]"

} // namespace

int TTextObject::NewINI(TOpenModes mode, int /*second*/) {
    OpenMode = mode;
    Status = 0;
    BlockCount = 0;
    Position = 0;
    if (mode == omWrite) {
        QFile file(FileName);
        if (FileName.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            ThrowCannotCreate(FileName.toStdString());
        file.close();
        return Status;
    }
    if (!EntryExists(FileName))
        Status = StatusFileMissing;
    else
        PreloadINI();
    return Status;
}

void TTextObject::PreloadINI() {
    Position = 0;
    BlockCount = 0;
    Status = 0;
    Buffer = QByteArray();
    DataEnd = 0;
    Headers.Clear();

    QFile file(FileName);
    if (FileName.isEmpty() || !file.open(QIODevice::ReadOnly)) ThrowCannotOpen(FileName.toStdString());
    const qint64 size = file.size();
    if (size < 0 || size >= std::numeric_limits<qsizetype>::max() - 1) ThrowReadError();
    QByteArray copy(qsizetype(size + 1), '\0');
    if (size > 0 && file.read(copy.data(), size) != size) ThrowReadError();
    file.close();
    Buffer = copy;
    FileSize = size;

    // Every "[0x" is a header; its number is the run of hexadecimal digits
    // (either case) after it, taken modulo 2^32, or 0 when no digit follows.
    // The scan goes on 12 bytes after each header's start.
    Lines.clear();
    const char* data = Buffer.constData();
    const qint64 bufferSize = Buffer.size();
    uint32_t expected = 0;
    qint64 scan = 0;
    qint64 zero = -1; // the first zero byte at or after scan
    for (;;) {
        if (zero < scan)
            zero = static_cast<const char*>(std::memchr(data + scan, 0, size_t(bufferSize - scan))) - data;
        const std::string_view segment(data + scan, size_t(zero - scan));
        const size_t at = segment.find("[0x");
        if (at == std::string_view::npos) break;
        const qint64 header = scan + qint64(at);
        uint32_t n = 0;
        for (qint64 p = header + 3; HexDigit(data[p]) >= 0; ++p) n = n << 4 | uint32_t(HexDigit(data[p]));
        Lines.append(Key(n));
        if (n != expected && !NoErrors) {
            Log.append("Block 0x" + QByteArray::fromStdString(Hex8(expected)) + " not found!");
            expected = n;
            Status |= StatusBlockMissing;
        }
        ++expected;
        ++BlockCount;
        scan = header + HeaderLength;
        if (scan >= FileSize) break;
    }
    Lines.append(Key(expected));
    if (Status != 0) Lines.clear();

    DataEnd = qint64(std::strlen(data));
    Headers.Build(data, DataEnd);
}

qint64 TTextObject::FindInData(const QByteArray& needle, qint64 from) const {
    if (needle.isEmpty()) return -1;
    const std::string_view data(Buffer.constData(), size_t(DataEnd));
    const size_t at = data.find(std::string_view(needle.constData(), size_t(needle.size())), size_t(from));
    return at == std::string_view::npos ? -1 : qint64(at);
}

QByteArray TTextObject::GetCharString(const QByteArray& header, const QByteArray& nextHeader) const {
    if (Buffer.isNull()) return NoTextMarker;
    uint32_t value = 0;
    const qint64 found = ParseExactHeader(header, value) ? Headers.Find(value, 0) : FindInData(header, 0);
    if (found < 0) return NoTextMarker;
    qint64 end = ParseExactHeader(nextHeader, value) ? Headers.Find(value, found)
                                                     : FindInData(nextHeader, found);
    if (end < 0) end = DataEnd;
    const qint64 start = found + header.size() + 2;
    if (end - start >= 2) {
        if (Buffer.at(end - 2) == '\r')
            end -= 2;
        else if (Buffer.at(end - 1) == '\n')
            end -= 1;
    }
    if (end <= start) return QByteArray("");
    return Buffer.mid(start, end - start);
}

QByteArray TTextObject::BlockText(qsizetype keyIndex) const {
    const QByteArray header = '[' + LineAt(keyIndex) + ']';
    const QByteArray nextHeader = '[' + LineAt(keyIndex + 1) + ']';
    return GetCharString(header, nextHeader);
}

QByteArray TTextObject::ReadINI() {
    if (OpenMode == omWrite) return NoTextMarker;
    if (Status != 0 || Position >= BlockCount) return OutOfTextMarker;
    const QByteArray text = BlockText(Position);
    ++Position;
    if (text == NoTextMarker) return NoTextMarker;
    return MakeString(text);
}

QByteArray TTextObject::MakeString(const QByteArray& text) const {
    const QByteArrayView in = UpToZero(text);
    QByteArray result;
    if (!LinuxFormat && !SingleLine) {
        result = in.toByteArray();
    } else {
        result.reserve(in.size());
        qsizetype lineStart = 0;
        for (qsizetype i = 0; i < in.size(); ++i) {
            if (in[i] != '\n') continue;
            qsizetype lineEnd = i;
            if (lineEnd > lineStart && in[lineEnd - 1] == '\r') --lineEnd;
            result.append(in.sliced(lineStart, lineEnd - lineStart));
            if (!SingleLine) result.append('\n');
            lineStart = i + 1;
        }
        result.append(in.sliced(lineStart));
    }
    WorkString = result;
    return result;
}

// Sizes are not known in a write pass nor after a preload that dropped the
// index (-1). A missing file is a pass without blocks: no current block, an
// empty sum.
qint64 TTextObject::GetCurrentLength() const {
    if (OpenMode == omWrite || (Status & StatusBlockMissing) != 0) return -1;
    if (Position < 0 || Position >= BlockCount) return -1;
    const QByteArray text = BlockText(Position);
    if (text == NoTextMarker) return -1;
    return GetStringLength(MakeString(text));
}

// A block whose header is not in the file counts as an empty text.
qint64 TTextObject::GetIniSize() const {
    if (OpenMode == omWrite || (Status & StatusBlockMissing) != 0) return -1;
    qint64 total = 0;
    for (int i = 0; i < BlockCount; ++i) {
        const QByteArray text = BlockText(i);
        total += GetStringLength(text == NoTextMarker ? QByteArray() : MakeString(text));
    }
    return total;
}

void TTextObject::SetIniPos(int block) {
    if (block >= 0 && block < BlockCount) Position = block;
}

// The block is appended, flushed and closed before the next call; the
// position moves on only when the block is in the file.
void TTextObject::WriteINI(const QByteArray& text) {
    if (OpenMode == omRead) return;
    const QByteArray key = Key(uint32_t(Position));
    const std::string bytes = layout::IniBlock(uint32_t(Position), std::string_view(text.constData(), size_t(text.size())));
    const QByteArray block(bytes.data(), qsizetype(bytes.size()));

    QFile file(FileName);
    if (FileName.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Append))
        ThrowCannotCreate(FileName.toStdString());
    if (file.write(block) != block.size() || !file.flush()) ThrowWriteError();
    file.close();
    ++Position;
    WorkString = key;
}

} // namespace pw
