// The text-container targets: a file in the INI layout preloaded and read in
// every way the component offers, and a file in the marker layout loaded,
// read, moved in and rewritten. The first input byte sets the properties.
#include <QByteArray>
#include <QString>

#include "core/Error.h"
#include "harness/Harness.h"
#include "harness/Support.h"
#include "textobject/Textobject.h"

namespace pwfuzz {

namespace {

void ApplyFlags(pw::TTextObject& t, uint8_t flags) {
    t.SetNoErrors(flags & 1);
    t.SetLinuxFormat(flags & 2);
    t.SetSingleLine(flags & 4);
    t.SetAsciiZ(flags & 8);
    static const int aligns[] = {1, 0, 4, 16};
    t.SetTextAlign(aligns[(flags >> 4) & 3]);
    t.SetCRC(flags & 64);
    t.SetClearBounds(flags & 128);
}

bool IsListError(const std::string& text) { return text.rfind("List index out of bounds (", 0) == 0; }

} // namespace

void RunIniInput(const std::string& ws, std::string_view input) {
    if (input.empty()) return;
    const std::string path = ws + "/t.ini";
    WriteBytes(path, input.substr(1));
    pw::TTextObject t;
    t.SetTextStyle(pw::TTextObject::IniStyle);
    ApplyFlags(t, uint8_t(input[0]));
    t.SetFileName(QString::fromStdString(path));
    const int status = t.New(pw::TTextObject::omRead);
    Expect(status == 0 || status == pw::TTextObject::StatusBlockMissing, "unexpected status");
    Expect(t.GetFileSize() == qint64(input.size() - 1), "file size differs");

    const int blocks = t.GetBlockCount();
    QList<QByteArray> texts;
    qint64 sum = 0;
    bool markerText = false;
    // A failed preload has no texts; otherwise one per header found, then the
    // end marker (a stored text may equal a marker: it counts as a text).
    const int expectedTexts = status == 0 ? blocks : 0;
    for (int i = 0; i < expectedTexts; ++i) {
        const qint64 length = t.GetCurrentLength();
        const QByteArray text = t.Read();
        Expect(!text.contains('\0'), "a text holds a zero byte");
        Expect(!(t.GetSingleLine() && text.contains('\n')), "a single-line text holds a line feed");
        markerText |= text == pw::OutOfTextMarker || text == pw::NoTextMarker;
        if (text == pw::NoTextMarker) {
            Expect(length == -1 || markerText, "a length for a missing block");
            sum += t.GetStringLength(QByteArray());
        } else {
            Expect(length == t.GetStringLength(text), "the current length differs from the text read");
            sum += t.GetStringLength(text);
        }
        texts.append(text);
    }
    Expect(t.GetCurrentLength() == -1, "a length where no text is left");
    Expect(t.Read() == pw::OutOfTextMarker && t.Read() == pw::OutOfTextMarker, "more texts than blocks");
    const qint64 size = t.GetSize();
    if (status != 0) {
        Expect(size == -1 && texts.isEmpty(), "a failed preload gave texts");
        return;
    }
    if (!markerText) Expect(size == sum, "the total size differs from the texts read");
    // Moving back gives the same texts again.
    for (int block : {blocks - 1, 0, -1, blocks, INT32_MAX, INT32_MIN}) {
        t.SetPosition(block);
        if (block >= 0 && block < blocks) Expect(t.Read() == texts[block], "a text reads differently the second time");
    }

    // Clean texts written in a write pass read back unchanged.
    bool clean = t.GetLinuxFormat() && !t.GetSingleLine();
    for (const QByteArray& text : texts) clean &= !text.contains("[0x") && !text.contains('\r') && text != pw::NoTextMarker;
    if (!clean) return;
    pw::TTextObject w;
    w.SetTextStyle(pw::TTextObject::IniStyle);
    w.SetFileName(QString::fromStdString(ws + "/w.ini"));
    w.New(pw::TTextObject::omWrite);
    for (const QByteArray& text : texts) w.Write(text);
    pw::TTextObject r;
    r.SetTextStyle(pw::TTextObject::IniStyle);
    r.SetLinuxFormat(true);
    r.SetFileName(QString::fromStdString(ws + "/w.ini"));
    Expect(r.New(pw::TTextObject::omRead) == 0, "a written file does not preload cleanly");
    for (const QByteArray& text : texts) Expect(r.Read() == text, "a written text reads back differently");
    Expect(r.Read() == pw::OutOfTextMarker, "a written file holds more texts");
}

void RunZivoraInput(const std::string& ws, std::string_view input) {
    if (input.empty()) return;
    const std::string path = ws + "/t.txt";
    WriteBytes(path, input.substr(1));
    pw::TTextObject t;
    ApplyFlags(t, uint8_t(input[0]));
    Expect(t.LoadText(QString::fromStdString(path)), "an existing file was not loaded");
    const qsizetype lines = t.GetLines().size();

    // Every operation either works or says "List index out of bounds".
    auto guarded = [](auto&& op) {
        try {
            op();
        } catch (const pw::Error& e) {
            Expect(IsListError(e.what()), std::string("unexpected error: ") + e.what());
        }
    };
    int texts = 0;
    for (qsizetype i = 0; i <= lines; ++i) {
        bool done = false;
        guarded([&] {
            const QByteArray text = t.Read();
            if (text == pw::OutOfTextMarker && t.GetLog().size() == texts) done = true;
            else ++texts;
        });
        if (done) break;
    }
    Expect(texts <= lines / 3 + 1, "more texts than blocks");
    Expect(t.GetLog().size() == texts, "the log does not hold every text read");
    guarded([&] { (void)t.GetSize(); });
    for (int block : {0, texts - 1, texts + 3, -1, INT32_MAX, INT32_MIN, 1}) {
        guarded([&] { t.SetPosition(block); });
        Expect(t.GetLinePos() >= 0 && t.GetLinePos() <= t.GetLines().size(), "the line position left the list");
        guarded([&] { (void)t.Read(); });
    }
    guarded([&] { t.SetPosition(0); });
    for (int i = 0; i < 3; ++i) guarded([&] { t.Rewrite("X\nY"); });
    guarded([&] { (void)t.GetSize(); });
    (void)t.EraseSpace(t.GetLines().value(0));
    (void)t.ClearString(t.GetLines().value(0));
}

} // namespace pwfuzz
