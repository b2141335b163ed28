#include "textobject/Textobject.h"

#include "core/Error.h"
#include "core/Palette.h"

namespace pw {

TTextObject::TTextObject(QObject* owner) : QObject(owner) {
    TextStyle = ZivoraStyle;
    NoErrors = false;
    TextAlign = 1;
}

// The file copy, the lists and the index go with the object; nothing is
// written on the way.
TTextObject::~TTextObject() = default;

int TTextObject::New(TOpenModes mode, int second) {
    Log.clear();
    if (TextStyle == IniStyle) return NewINI(mode, second);
    NewZivora();
    return 0;
}

QByteArray TTextObject::Read() {
    return TextStyle == IniStyle ? ReadINI() : ReadZivora();
}

void TTextObject::Write(const QByteArray& text) {
    if (TextStyle == IniStyle)
        WriteINI(text);
    else
        WriteZivora(text);
}

// A block of the INI layout cannot be replaced in place: rewriting appends.
void TTextObject::Rewrite(const QByteArray& text) {
    if (TextStyle == IniStyle)
        WriteINI(text);
    else
        RewriteZivora(text);
}

qint64 TTextObject::GetSize() {
    return TextStyle == IniStyle ? GetIniSize() : GetZivoraSize();
}

void TTextObject::SetPosition(int block) {
    if (TextStyle == IniStyle)
        SetIniPos(block);
    else
        SetZivoraPos(block);
}

// An alignment of 1 or less (0 and negative values included) leaves the
// size as it is.
qint64 TTextObject::GetStringLength(const QByteArray& s) const { return StoredSize(s.size()); }

qint64 TTextObject::StoredSize(qint64 length) const {
    qint64 size = length + (AsciiZ ? 1 : 0);
    if (TextAlign > 1) {
        const qint64 rest = size % TextAlign;
        if (rest != 0) size += TextAlign - rest;
    }
    return size;
}

const QByteArray& TTextObject::LineAt(qsizetype index) const {
    if (index < 0 || index >= Lines.size()) ThrowIndexError(index);
    return Lines.at(index);
}

namespace Textobject {
void Register() { RegisterComponent(PalettePage, "TTextObject"); }
} // namespace Textobject

} // namespace pw
