#pragma once
// TTextObject: a non-visual component that stores a numbered sequence of
// texts in a text file and gives them back one by one. Two layouts:
//
//  - IniStyle: a file of blocks, each opened by a header line "[0x" + eight
//    upper-case hexadecimal digits + "]" (Inistyle.cpp);
//  - ZivoraStyle: a list of lines in memory in which every text is framed by
//    a separator line, a header line and an end line (Zivora.cpp).
//
// Texts are byte strings (QByteArray, lengths in bytes). The end of the
// texts and a missing block are reported by marker strings in place of a
// text; failures of the files underneath raise pw::Error.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>

#include "textobject/HeaderIndex.h"

namespace pw {

// Markers shared by both layouts.
inline constexpr const char* OutOfTextMarker = "#OUT_OF_TEXT#";
inline constexpr const char* NoTextMarker = "#NO_TEXT#";
inline constexpr const char* BlockSeparator = "_______________________________"; // 31 underscores
inline constexpr const char* HeaderMarker = "#H#E#A#D#E#R#";
inline constexpr const char* EndMarker = "#E#N#D#";

class TTextObject : public QObject {
    Q_OBJECT
public:
    enum TObjectStyle : quint8 { ZivoraStyle = 0, IniStyle = 1 };
    Q_ENUM(TObjectStyle)
    enum TTextTypes : quint8 { ttIndexed = 0, ttPlain = 1, ttStringDepeneded = 2 };
    Q_ENUM(TTextTypes)
    enum TOpenModes : quint8 { omRead = 0, omWrite = 1 };
    Q_ENUM(TOpenModes)

    // Published properties, in the order a form description sets them.
    Q_PROPERTY(TTextTypes TextType READ GetTextType WRITE SetTextType)
    Q_PROPERTY(TObjectStyle TextStyle READ GetTextStyle WRITE SetTextStyle)
    Q_PROPERTY(bool NoErrors READ GetNoErrors WRITE SetNoErrors)
    Q_PROPERTY(bool AsciiZ READ GetAsciiZ WRITE SetAsciiZ)
    Q_PROPERTY(bool CRC READ GetCRC WRITE SetCRC)
    Q_PROPERTY(bool SingleLine READ GetSingleLine WRITE SetSingleLine)
    Q_PROPERTY(bool ClearBounds READ GetClearBounds WRITE SetClearBounds)
    Q_PROPERTY(bool LinuxFormat READ GetLinuxFormat WRITE SetLinuxFormat)
    Q_PROPERTY(int TextAlign READ GetTextAlign WRITE SetTextAlign)

    // Status flags of an IniStyle pass, returned by New.
    static constexpr qint32 StatusFileMissing = INT32_MIN; // 0x80000000
    static constexpr qint32 StatusBlockMissing = 0x40000000;

    // IniStyle scratch string: the key just written, the text just converted.
    // One per thread.
    static thread_local QByteArray WorkString;

    explicit TTextObject(QObject* owner = nullptr);
    ~TTextObject() override;

    // --- Operations that forward to the style chosen by TextStyle ---------
    int New(TOpenModes mode, int second = 0);
    QByteArray Read();
    void Write(const QByteArray& text);
    void Rewrite(const QByteArray& text);
    qint64 GetSize();
    void SetPosition(int block);

    // Stored size of s: its length, plus 1 with AsciiZ, raised to the next
    // multiple of TextAlign when TextAlign is above 1.
    qint64 GetStringLength(const QByteArray& s) const;
    // Removes every blank (byte 32).
    QByteArray ClearString(const QByteArray& s) const;
    // With ClearBounds: trims blanks and tabs at both ends; else s unchanged.
    QByteArray EraseSpace(const QByteArray& s) const;
    // Loads a ZivoraStyle text file into Lines after New(omWrite). False when
    // nothing exists under fileName (the object is then unchanged).
    bool LoadText(const QString& fileName);

    // --- IniStyle (Inistyle.cpp) -------------------------------------------
    int NewINI(TOpenModes mode, int second = 0);
    void PreloadINI();
    QByteArray ReadINI();
    void WriteINI(const QByteArray& text);
    QByteArray GetCharString(const QByteArray& header, const QByteArray& nextHeader) const;
    QByteArray MakeString(const QByteArray& text) const;
    qint64 GetCurrentLength() const;
    qint64 GetIniSize() const;
    void SetIniPos(int block);

    // --- ZivoraStyle (Zivora.cpp) ------------------------------------------
    void NewZivora();
    QByteArray ReadZivora();
    void WriteZivora(const QByteArray& text);
    void RewriteZivora(const QByteArray& text);
    qint64 GetZivoraSize() const;
    void SetZivoraPos(int block);

    // --- Property accessors ------------------------------------------------
    TTextTypes GetTextType() const { return TextType; }
    void SetTextType(TTextTypes v) { TextType = v; }
    TObjectStyle GetTextStyle() const { return TextStyle; }
    void SetTextStyle(TObjectStyle v) { TextStyle = v; }
    bool GetNoErrors() const { return NoErrors; }
    void SetNoErrors(bool v) { NoErrors = v; }
    bool GetAsciiZ() const { return AsciiZ; }
    void SetAsciiZ(bool v) { AsciiZ = v; }
    bool GetCRC() const { return CRC; }
    void SetCRC(bool v) { CRC = v; }
    bool GetSingleLine() const { return SingleLine; }
    void SetSingleLine(bool v) { SingleLine = v; }
    bool GetClearBounds() const { return ClearBounds; }
    void SetClearBounds(bool v) { ClearBounds = v; }
    bool GetLinuxFormat() const { return LinuxFormat; }
    void SetLinuxFormat(bool v) { LinuxFormat = v; }
    int GetTextAlign() const { return TextAlign; }
    void SetTextAlign(int v) { TextAlign = v; }

    // --- Plain accessors ---------------------------------------------------
    const QString& GetFileName() const { return FileName; }
    void SetFileName(const QString& name) { FileName = name; }
    const QList<QByteArray>& GetLines() const { return Lines; }
    const QList<QByteArray>& GetLog() const { return Log; }
    qint32 GetStatus() const { return Status; }
    qint64 GetFileSize() const { return FileSize; }
    TOpenModes GetOpenMode() const { return OpenMode; }
    const QByteArray& GetBuffer() const { return Buffer; } // null when none is held
    int GetPosition() const { return Position; }
    int GetLinePos() const { return LinePos; }
    int GetBlockCount() const { return BlockCount; }

private:
    const QByteArray& LineAt(qsizetype index) const; // "List index out of bounds (%d)"
    QByteArray BlockText(qsizetype keyIndex) const;  // cut by the keys Lines[i], Lines[i+1]
    qint64 StoredSize(qint64 length) const;
    qint64 FindInData(const QByteArray& needle, qint64 from) const;

    qint32 Status = 0;
    qint64 FileSize = 0;
    TOpenModes OpenMode = omRead;
    QByteArray Buffer; // file copy plus one zero byte; null when none is held
    TTextTypes TextType = ttIndexed;
    TObjectStyle TextStyle = ZivoraStyle;
    int TextAlign = 1;
    int Position = 0;
    int LinePos = 0;
    int BlockCount = 0;
    bool AsciiZ = false;
    bool SingleLine = false;
    bool CRC = false;
    bool ClearBounds = false;
    bool LinuxFormat = false;
    bool NoErrors = false;
    QList<QByteArray> Lines;
    QString FileName;
    QList<QByteArray> Log;

    // Where the file copy's searchable data ends (its first zero byte), and
    // the positions of its exact headers, built by PreloadINI.
    qint64 DataEnd = 0;
    HeaderIndex Headers;
};

namespace Textobject {
// Puts TTextObject on the design-time palette page of the program's own
// components. Not called at run time.
void Register();
} // namespace Textobject

} // namespace pw
