// The marker-framed layout: Lines holds the whole text; every stored text is
// a block of lines
//
//     _______________________________      (31 underscores)
//     #H#E#A#D#E#R#<type>#[<block>#][<sum>#]
//     text lines...
//     #E#N#D#
//
// LinePos points at the separator of the block the next Read or Rewrite
// works on (or one past the last line); Position is that block's number.
// Reading never looks inside a header line. A text written here is kept as
// one entry, line breaks and all, and read back unchanged.
//
// Also the blank removal that works on any string, in either layout.
#include <QFile>

#include "core/Error.h"
#include "textobject/Misc.h"
#include "textobject/Textobject.h"
#include "textobject/layout/TextLayout.h"

namespace pw {

namespace {

// Lines end at CR LF, LF or CR; a last line without an ending counts; a zero
// byte ends the text (the layout's own rule, textobject/layout).
QList<QByteArray> SplitTextLines(const QByteArray& data) {
    QList<QByteArray> lines;
    for (const std::string& line : layout::SplitTextLines(std::string_view(data.constData(), size_t(data.size()))))
        lines.append(QByteArray(line.data(), qsizetype(line.size())));
    return lines;
}

} // namespace

void TTextObject::NewZivora() {
    Position = 0;
    LinePos = 0;
    Lines.clear();
    BlockCount = 0;
    Log.clear();
}

bool TTextObject::LoadText(const QString& fileName) {
    if (!EntryExists(fileName)) return false;
    New(omWrite, 0);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) ThrowCannotOpen(fileName.toStdString());
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) ThrowReadError();
    Lines = SplitTextLines(data);
    return true;
}

// A block without its end line raises "List index out of bounds (%d)" and
// leaves the object as it was.
QByteArray TTextObject::ReadZivora() {
    if (Lines.size() <= qsizetype(LinePos) + 2) return OutOfTextMarker;
    const QByteArray lineBreak = LinuxFormat ? "\n" : "\r\n";
    qsizetype line = qsizetype(LinePos) + 2;
    QByteArray text;
    while (LineAt(line) != EndMarker) {
        text.append(Lines.at(line));
        ++line;
        if (!SingleLine && LineAt(line) != EndMarker) text.append(lineBreak);
    }
    LinePos = int(line + 1);
    ++Position;
    Log.append(text);
    return text;
}

void TTextObject::WriteZivora(const QByteArray& text) {
    if (LinePos < 0 || LinePos > Lines.size()) ThrowIndexError(LinePos);
    const int typeCode = int(TextType) + (CRC ? 128 : 0);
    QByteArray header = HeaderMarker;
    header.append(QByteArray::number(typeCode)).append('#');
    if (TextType == ttIndexed) header.append(QByteArray::number(Position)).append('#');
    if (CRC) {
        qint64 sum = 0;
        for (char c : header) sum += static_cast<unsigned char>(c);
        header.append(QByteArray::number(sum)).append('#');
    }
    Lines.insert(LinePos, EndMarker);
    Lines.insert(LinePos, text);
    Lines.insert(LinePos, header);
    Lines.insert(LinePos, BlockSeparator);
    LinePos += 4;
    ++Position;
    ++BlockCount;
}

// The separator and header stay; the text lines up to the end line are
// replaced by text as one entry. A block without its end line raises
// "List index out of bounds (%d)" before anything is changed.
void TTextObject::RewriteZivora(const QByteArray& text) {
    if (Lines.size() <= LinePos) {
        Write(text);
        return;
    }
    const qsizetype first = qsizetype(LinePos) + 2;
    if (first < 0) ThrowIndexError(first);
    qsizetype end = first;
    while (end < Lines.size() && Lines.at(end) != EndMarker) ++end;
    if (end >= Lines.size()) ThrowIndexError(first);
    Lines.remove(first, end - first);
    Lines.insert(first, text);
    qsizetype line = first;
    while (LineAt(line) != EndMarker) ++line;
    LinePos = int(line + 1);
    ++Position;
}

// Line breaks count 2 bytes (none with SingleLine) whatever LinuxFormat says.
qint64 TTextObject::GetZivoraSize() const {
    qint64 total = 0;
    qsizetype line = 0;
    while (line < Lines.size()) {
        line += 2;
        qint64 length = 0;
        while (LineAt(line) != EndMarker) {
            length += Lines.at(line).size();
            ++line;
            if (!SingleLine && LineAt(line) != EndMarker) length += 2;
        }
        total += StoredSize(length);
        ++line;
    }
    return total;
}

// Counts separator lines from the current block. A target that the walk
// cannot reach (outside the list, or a list without separators) leaves
// LinePos and Position as they were.
void TTextObject::SetZivoraPos(int block) {
    const qsizetype count = Lines.size();
    auto inside = [count](qsizetype i) { return i >= 0 && i < count; };
    qsizetype line = LinePos;
    qint64 position = Position;
    if (line >= count) {
        --line;
        --position;
    }
    qint64 steps = qint64(block) - position;
    const int direction = steps < 0 ? -1 : 1;
    if (steps < 0) steps = -steps;
    while (inside(line) && Lines.at(line) != BlockSeparator) --line;
    if (!inside(line)) return;
    for (qint64 step = 0; step < steps; ++step) {
        line += direction;
        while (inside(line) && Lines.at(line) != BlockSeparator) line += direction;
        if (!inside(line)) return;
    }
    LinePos = int(line);
    Position = block;
}

QByteArray TTextObject::ClearString(const QByteArray& s) const {
    QByteArray result;
    result.reserve(s.size());
    for (char c : s)
        if (c != ' ') result.append(c);
    return result;
}

QByteArray TTextObject::EraseSpace(const QByteArray& s) const {
    if (!ClearBounds) return s;
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    qsizetype first = 0, last = s.size() - 1; // the kept bytes are [first, last]
    for (;;) {
        bool removed = false;
        if (first <= last && blank(CharAt(s, first))) {
            ++first;
            removed = true;
        }
        if (first <= last && blank(CharAt(s, last))) {
            --last;
            removed = true;
        }
        if (!removed || first > last) break;
    }
    return first > last ? QByteArray("") : s.mid(first, last - first + 1);
}


} // namespace pw
