// The INI layout: byte-exact files, read and write passes, numbering gaps,
// sizes, positions, bad files and file errors.
#include <QDir>
#include <thread>

#include "TextFiles.h"
#include "textobject/Textobject.h"

using pw::TTextObject;
using namespace pw::test;
using Texts = QList<QByteArray>;

namespace {

const QByteArray TwoBlocks = "[0x00000000]\r\nHello\r\n[0x00000001]\r\nA\r\nB\r\n";

class IniStyle : public ::testing::Test {
protected:
    void SetUp() override {
        t.SetTextStyle(TTextObject::IniStyle);
        t.SetFileName(path);
    }
    int Open(const QByteArray& bytes) { // a read pass over bytes
        WriteBytes(path, bytes);
        return t.New(TTextObject::omRead);
    }
    Texts ReadAll() {
        Texts texts;
        for (QByteArray s = t.Read(); s != "#OUT_OF_TEXT#"; s = t.Read()) texts.append(s);
        return texts;
    }
    QTemporaryDir dir;
    QString path = dir.filePath("texts.ini");
    TTextObject t;
};

} // namespace

TEST_F(IniStyle, WritePassGivesTheExactFile) {
    WriteBytes(path, "old contents");
    EXPECT_EQ(t.New(TTextObject::omWrite), 0);
    EXPECT_EQ(ReadBytes(path), "");
    t.Write("Hello");
    t.Rewrite("A\nB"); // the same as Write in this layout
    EXPECT_EQ(TTextObject::WorkString, "0x00000001");
    EXPECT_EQ(ReadBytes(path), TwoBlocks);
    EXPECT_EQ(TwoBlocks.size(), 41);
    // Nothing to read, size or move to in a write pass.
    EXPECT_EQ(t.Read(), "#NO_TEXT#");
    EXPECT_EQ(t.GetSize(), -1);
    t.SetPosition(0);
    EXPECT_EQ(t.GetPosition(), 2);

    t.New(TTextObject::omWrite);
    t.Write("");
    t.Write("A\r\nB");                // CR LF in a text gets a second CR
    t.Write(Bytes("ab\0cd"));         // a zero byte ends the text
    EXPECT_EQ(ReadBytes(path), "[0x00000000]\r\n\r\n[0x00000001]\r\nA\r\r\nB\r\n[0x00000002]\r\nab\r\n");
    t.New(TTextObject::omRead);
    EXPECT_EQ(ReadAll(), (Texts{"", "A\r\r\nB", "ab"}));
    const QByteArray written = ReadBytes(path);
    t.Write("more"); // ignored in a read pass
    EXPECT_EQ(ReadBytes(path), written);
}

TEST_F(IniStyle, ReadPassConvertsLineBreaks) {
    t.SetLinuxFormat(true);
    EXPECT_EQ(Open(TwoBlocks), 0);
    EXPECT_EQ(t.GetFileSize(), 41);
    EXPECT_EQ(t.GetBuffer(), TwoBlocks + QByteArray(1, '\0'));
    EXPECT_EQ(t.GetLines(), (Texts{"0x00000000", "0x00000001", "0x00000002"}));
    EXPECT_EQ(t.Read(), "Hello");
    EXPECT_EQ(t.Read(), "A\nB");
    EXPECT_EQ(t.Read(), "#OUT_OF_TEXT#");
    EXPECT_EQ(t.Read(), "#OUT_OF_TEXT#");
    t.SetLinuxFormat(false);
    t.New(TTextObject::omRead);
    EXPECT_EQ(ReadAll(), (Texts{"Hello", "A\r\nB"}));
    t.SetSingleLine(true);
    t.New(TTextObject::omRead);
    EXPECT_EQ(ReadAll(), (Texts{"Hello", "AB"}));

    // One carriage return goes per line; a lone one stays.
    t.SetSingleLine(false);
    t.SetLinuxFormat(true);
    EXPECT_EQ(t.MakeString("A\r\r\nB\rC\r\n"), "A\r\nB\rC\n");
    EXPECT_EQ(TTextObject::WorkString, "A\r\nB\rC\n");
}

TEST_F(IniStyle, NumberingGaps) {
    const QByteArray file = "[0x00000000]\r\na\r\n[0x00000001]\r\nb\r\n[0x00000003]\r\nc\r\n";
    EXPECT_EQ(Open(file), TTextObject::StatusBlockMissing);
    EXPECT_EQ(t.GetLog(), Texts{"Block 0x00000002 not found!"});
    EXPECT_TRUE(t.GetLines().isEmpty());
    EXPECT_EQ(t.GetBlockCount(), 3);
    EXPECT_EQ(t.Read(), "#OUT_OF_TEXT#");
    EXPECT_EQ(t.GetSize(), -1); // the index is gone: no sizes
    EXPECT_EQ(t.GetCurrentLength(), -1);

    // With NoErrors the third text is cut between two equal keys: empty.
    t.SetNoErrors(true);
    EXPECT_EQ(t.New(TTextObject::omRead), 0);
    EXPECT_TRUE(t.GetLog().isEmpty());
    EXPECT_EQ(t.GetLines(), (Texts{"0x00000000", "0x00000001", "0x00000003", "0x00000003"}));
    EXPECT_EQ(ReadAll(), (Texts{"a", "b", ""}));

    t.SetNoErrors(false);
    Open("[0x00000000]\r\n\r\n[0x00000004]\r\n\r\n[0x00000005]\r\n[0x00000005]\r\n[0x00000007]\r\n");
    EXPECT_EQ(t.GetLog(), (Texts{"Block 0x00000001 not found!", "Block 0x00000006 not found!",
                                 "Block 0x00000006 not found!"}));
    Open("[0x00000005]\r\n");
    EXPECT_EQ(t.GetLog(), Texts{"Block 0x00000000 not found!"});
    // A "[0x" written inside a text is taken for a header.
    t.New(TTextObject::omWrite);
    for (const char* s : {"a", "see [0x1] here", "c"}) t.Write(s);
    EXPECT_EQ(t.New(TTextObject::omRead), TTextObject::StatusBlockMissing);
    EXPECT_EQ(t.GetBlockCount(), 4);
}

TEST_F(IniStyle, LowerCaseHeaderIsIndexedButNotFound) {
    QByteArray file;
    for (int k = 0; k < 26; ++k)
        file += "[0x" + QByteArray::number(k, 16).toUpper().rightJustified(8, '0') + "]\r\nt\r\n";
    EXPECT_EQ(Open(file + "[0x0000001a]\r\nlast\r\n"), 0);
    EXPECT_EQ(t.GetLines().at(26), "0x0000001A");
    const Texts texts = ReadAll();
    ASSERT_EQ(texts.size(), 27);
    EXPECT_EQ(texts[25], "t\r\n[0x0000001a]\r\nlast"); // runs on to the end of the file
    EXPECT_EQ(texts[26], "#NO_TEXT#");
}

TEST_F(IniStyle, SizesAndPositions) {
    t.SetAsciiZ(true);
    t.SetTextAlign(4);
    Open("[0x00000000]\r\nHello\r\n[0x00000001]\r\n\r\n");
    EXPECT_EQ(t.GetSize(), 12);
    EXPECT_EQ(t.GetCurrentLength(), 8);
    EXPECT_EQ(t.Read(), "Hello");
    EXPECT_EQ(t.GetCurrentLength(), 4);
    EXPECT_EQ(t.Read(), "");
    EXPECT_EQ(t.GetCurrentLength(), -1);
    t.SetPosition(1);
    EXPECT_EQ(t.Read(), "");
    t.SetPosition(2);
    t.SetPosition(-1);
    EXPECT_EQ(t.GetPosition(), 2);

    // Sizes count the converted text; a missing header counts as empty.
    t.SetAsciiZ(false);
    t.SetTextAlign(1);
    t.SetLinuxFormat(true);
    Open("[0x00000000]\r\nA\r\nB\r\n[0x00000001]\r\nxyz\r\n");
    EXPECT_EQ(t.GetSize(), 3 + 3);
    t.SetNoErrors(true);
    t.SetAsciiZ(true);
    Open("[0x00000000]\r\nab\r\n[0x0000000a]\r\n");
    EXPECT_EQ(t.GetSize(), 16 + 1); // "ab\n[0x0000000a]" + zero, then the empty text
}

// Stray or cut-off "[0x", odd digits and zero bytes never lead past the copy.
TEST_F(IniStyle, OddFilesAreReadSafely) {
    t.SetNoErrors(true);
    Open("[0x");
    EXPECT_EQ(t.GetLines(), (Texts{"0x00000000", "0x00000001"}));
    EXPECT_EQ(ReadAll(), Texts{"#NO_TEXT#"});
    Open("[0xZZ]\r\ntext\r\n");
    EXPECT_EQ(t.GetLines().first(), "0x00000000"); // no digit: number 0
    Open("[0x0000000a]\r\n[0xABCDEF12]\r\n[0x100000003]\r\n[0x12");
    EXPECT_EQ(t.GetLines(), (Texts{"0x0000000A", "0xABCDEF12", "0x00000003", "0x00000012", "0x00000004"}));
    EXPECT_EQ(ReadAll().size(), 4);
    Open("");
    EXPECT_EQ(t.GetBlockCount(), 0);
    EXPECT_EQ(t.Read(), "#OUT_OF_TEXT#");
    Open("[0x00000000]"); // no line end after the header
    EXPECT_EQ(ReadAll(), Texts{""});
    Open("junk [0x00000000]\r\nx\r\n");
    EXPECT_EQ(ReadAll(), (Texts{"x"}));

    Open(Bytes("[0x00000000]\r\nab\0[0x00000001]\r\ncd\r\n"));
    EXPECT_EQ(ReadAll(), Texts{"ab"});
    // The header scan steps over a zero byte; searches from the start stop at it.
    Open(Bytes("[0x1\0\0\0\0\0\0\0\0[0x00000001]\r\nz\r\n"));
    EXPECT_EQ(ReadAll(), (Texts{"#NO_TEXT#", "#NO_TEXT#"}));
}

TEST_F(IniStyle, MissingAndUnusableFiles) {
    Open(TwoBlocks);
    const Texts index = t.GetLines();
    t.SetFileName(dir.filePath("none.ini"));
    EXPECT_EQ(t.New(TTextObject::omRead), TTextObject::StatusFileMissing);
    EXPECT_EQ(t.Read(), "#OUT_OF_TEXT#");
    // No blocks: an empty sum and no current block, also with stored sizes
    // that would count an empty text as 1.
    EXPECT_EQ(t.GetSize(), 0);
    EXPECT_EQ(t.GetIniSize(), 0);
    EXPECT_EQ(t.GetCurrentLength(), -1);
    t.SetAsciiZ(true);
    t.SetTextAlign(4);
    EXPECT_EQ(t.GetSize(), 0);
    EXPECT_EQ(t.GetLines(), index); // left as it was

    const QString folder = dir.filePath("folder");
    ASSERT_TRUE(QDir().mkdir(folder));
    t.SetFileName(folder);
    EXPECT_EQ(ErrorOf([&] { t.New(TTextObject::omRead); }), "Cannot open file " + folder.toStdString());
    EXPECT_TRUE(t.GetBuffer().isNull());
    const QString unreachable = dir.filePath("no/such.ini");
    t.SetFileName(unreachable);
    EXPECT_EQ(ErrorOf([&] { t.New(TTextObject::omWrite); }), "Cannot create file " + unreachable.toStdString());

    // A failed append raises and does not use up the block number.
    t.SetFileName(path);
    t.New(TTextObject::omWrite);
    t.SetFileName(unreachable);
    EXPECT_EQ(ErrorOf([&] { t.Write("one"); }), "Cannot create file " + unreachable.toStdString());
    t.SetFileName(path);
    t.Write("one");
    EXPECT_EQ(ReadBytes(path), "[0x00000000]\r\none\r\n");
}

TEST(IniStyleWorkString, IsKeptPerThread) {
    TTextObject a;
    a.MakeString("main");
    std::thread([] {
        TTextObject b;
        b.MakeString("other");
        EXPECT_EQ(TTextObject::WorkString, "other");
    }).join();
    EXPECT_EQ(TTextObject::WorkString, "main");
}
