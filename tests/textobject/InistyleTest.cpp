// The INI layout: byte-exact files, read and write passes, numbering gaps,
// sizes, positions, bad files and file errors.
#include <QDir>
#include <memory>

#include "TextFiles.h"
#include "textobject/Textobject.h"

using pw::TTextObject;
using pw::test::ErrorOf;
using pw::test::ReadBytes;
using pw::test::WriteBytes;

namespace {

template <size_t N> QByteArray Bytes(const char (&s)[N]) { return QByteArray(s, N - 1); }

const QByteArray TwoBlocks = "[0x00000000]\r\nHello\r\n[0x00000001]\r\nA\r\nB\r\n";

class IniStyle : public ::testing::Test {
protected:
    void SetUp() override {
        t.SetTextStyle(TTextObject::IniStyle);
        path = dir.Path("texts.ini");
        t.SetFileName(path);
    }
    // Reads the file `bytes` in a fresh pass; gives the status New returned.
    int Open(const QByteArray& bytes) {
        WriteBytes(path, bytes);
        return t.New(TTextObject::omRead);
    }
    QList<QByteArray> ReadAll() {
        QList<QByteArray> texts;
        for (QByteArray s = t.Read(); s != "#OUT_OF_TEXT#"; s = t.Read()) texts.append(s);
        return texts;
    }
    pw::test::ScratchDir dir;
    QString path;
    TTextObject t;
};

} // namespace

TEST_F(IniStyle, WritePassGivesTheExactFile) {
    WriteBytes(path, "old contents");
    EXPECT_EQ(t.New(TTextObject::omWrite), 0);
    EXPECT_EQ(ReadBytes(path), "");
    t.Write("Hello");
    EXPECT_EQ(TTextObject::WorkString, "0x00000000");
    t.Rewrite("A\nB"); // the same as Write in this layout
    EXPECT_EQ(TTextObject::WorkString, "0x00000001");
    EXPECT_EQ(ReadBytes(path), TwoBlocks);
    EXPECT_EQ(TwoBlocks.size(), 41);

    // Nothing to read, size or move to in a write pass.
    EXPECT_EQ(t.Read(), "#NO_TEXT#");
    EXPECT_EQ(t.GetSize(), -1);
    EXPECT_EQ(t.GetCurrentLength(), -1);
    t.SetPosition(0);
    EXPECT_EQ(t.GetPosition(), 2);
}

TEST_F(IniStyle, WrittenTextsKeepTheirBytes) {
    t.New(TTextObject::omWrite);
    t.Write("");
    t.Write("A\r\nB");           // CR LF in a text gets a second CR
    t.Write(QByteArray("ab\0cd", 5)); // a zero byte ends the text
    EXPECT_EQ(ReadBytes(path), "[0x00000000]\r\n\r\n"
                               "[0x00000001]\r\nA\r\r\nB\r\n"
                               "[0x00000002]\r\nab\r\n");
    t.New(TTextObject::omRead);
    EXPECT_EQ(ReadAll(), (QList<QByteArray>{"", "A\r\r\nB", "ab"}));
    t.SetLinuxFormat(true);
    t.SetPosition(1);
    EXPECT_EQ(t.Read(), "A\r\nB"); // one CR goes per line
}

TEST_F(IniStyle, ReadPassConvertsLineBreaks) {
    t.SetLinuxFormat(true);
    EXPECT_EQ(Open(TwoBlocks), 0);
    EXPECT_EQ(t.GetFileSize(), 41);
    EXPECT_EQ(t.GetBuffer().size(), 42);
    EXPECT_EQ(t.GetBuffer().back(), '\0');
    EXPECT_EQ(t.GetBlockCount(), 2);
    EXPECT_EQ(t.GetLines(), (QList<QByteArray>{"0x00000000", "0x00000001", "0x00000002"}));
    EXPECT_EQ(t.Read(), "Hello");
    EXPECT_EQ(t.Read(), "A\nB");
    EXPECT_EQ(t.Read(), "#OUT_OF_TEXT#");
    EXPECT_EQ(t.Read(), "#OUT_OF_TEXT#");

    t.SetLinuxFormat(false);
    t.New(TTextObject::omRead);
    EXPECT_EQ(ReadAll(), (QList<QByteArray>{"Hello", "A\r\nB"}));
    t.SetSingleLine(true);
    t.New(TTextObject::omRead);
    EXPECT_EQ(ReadAll(), (QList<QByteArray>{"Hello", "AB"}));
    EXPECT_EQ(TTextObject::WorkString, "AB");

    // Writing in a read pass changes nothing.
    t.Write("more");
    EXPECT_EQ(ReadBytes(path), TwoBlocks);
}

TEST_F(IniStyle, MakeStringDropsOneCarriageReturnPerLine) {
    t.SetLinuxFormat(true);
    EXPECT_EQ(t.MakeString("A\r\nB\r\n"), "A\nB\n");
    EXPECT_EQ(t.MakeString("A\r\r\nB\rC"), "A\r\nB\rC");
    EXPECT_EQ(t.MakeString("\n\r\n"), "\n\n");
    EXPECT_EQ(t.MakeString(QByteArray("a\nb\0c\n", 6)), "a\nb");
    t.SetSingleLine(true);
    EXPECT_EQ(t.MakeString("A\r\nB\r\n"), "AB");
    t.SetLinuxFormat(false);
    EXPECT_EQ(t.MakeString("A\r\nB\r\n"), "AB");
    t.SetSingleLine(false);
    EXPECT_EQ(t.MakeString("A\r\nB\r\n"), "A\r\nB\r\n");
    EXPECT_EQ(TTextObject::WorkString, "A\r\nB\r\n");
}

TEST_F(IniStyle, NumberingGapDropsTheIndex) {
    const QByteArray file = "[0x00000000]\r\na\r\n[0x00000001]\r\nb\r\n[0x00000003]\r\nc\r\n";
    EXPECT_EQ(Open(file), TTextObject::StatusBlockMissing);
    EXPECT_EQ(t.GetLog(), QList<QByteArray>{"Block 0x00000002 not found!"});
    EXPECT_TRUE(t.GetLines().isEmpty());
    EXPECT_EQ(t.GetBlockCount(), 3);
    EXPECT_EQ(t.Read(), "#OUT_OF_TEXT#");
    EXPECT_EQ(t.GetSize(), -1);
    EXPECT_EQ(t.GetCurrentLength(), -1);
    t.SetPosition(1); // the index is gone: nothing to move to
    EXPECT_EQ(t.Read(), "#OUT_OF_TEXT#");

    // With NoErrors the gap goes unnoticed; the third text is cut between
    // two equal keys and so comes back empty.
    t.SetNoErrors(true);
    EXPECT_EQ(t.New(TTextObject::omRead), 0);
    EXPECT_TRUE(t.GetLog().isEmpty());
    EXPECT_EQ(t.GetLines(),
              (QList<QByteArray>{"0x00000000", "0x00000001", "0x00000003", "0x00000003"}));
    EXPECT_EQ(ReadAll(), (QList<QByteArray>{"a", "b", ""}));
}

TEST_F(IniStyle, GapMessagesNameTheFirstMissingNumber) {
    struct Case {
        QByteArray file;
        QByteArray missing;
    } cases[] = {
        {"[0x00000000]\r\n\r\n[0x00000004]\r\n\r\n", "00000001"},
        {"[0x00000000]\r\n\r\n[0x00000001]\r\n\r\n[0x00000001]\r\n\r\n", "00000002"},
        {"[0x00000005]\r\n\r\n[0x00000006]\r\n\r\n", "00000000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Open(c.file), TTextObject::StatusBlockMissing);
        EXPECT_EQ(t.GetLog(), QList<QByteArray>{"Block 0x" + c.missing + " not found!"}) << c.file.data();
    }
    // Two gaps, two messages.
    Open("[0x00000000]\r\n\r\n[0x00000002]\r\n\r\n[0x00000005]\r\n\r\n");
    EXPECT_EQ(t.GetLog(), (QList<QByteArray>{"Block 0x00000001 not found!", "Block 0x00000003 not found!"}));
}

TEST_F(IniStyle, LowerCaseHeaderIsIndexedButNotFound) {
    QByteArray file;
    for (int k = 0; k < 26; ++k)
        file += "[0x" + QByteArray::number(k, 16).toUpper().rightJustified(8, '0') + "]\r\nt" +
                QByteArray::number(k) + "\r\n";
    file += "[0x0000001a]\r\nlast\r\n";
    EXPECT_EQ(Open(file), 0);
    EXPECT_EQ(t.GetLines().at(26), "0x0000001A");
    const QList<QByteArray> texts = ReadAll();
    ASSERT_EQ(texts.size(), 27);
    EXPECT_EQ(texts[24], "t24");
    EXPECT_EQ(texts[25], "t25\r\n[0x0000001a]\r\nlast"); // runs on to the end of the file
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
    EXPECT_EQ(t.GetPosition(), 2);

    t.SetPosition(1);
    EXPECT_EQ(t.Read(), "");
    t.SetPosition(2);
    t.SetPosition(-1);
    EXPECT_EQ(t.GetPosition(), 2);
    t.SetPosition(0);
    EXPECT_EQ(t.Read(), "Hello");

    // Sizes count the converted text; a block whose header is not in the
    // file counts as an empty text.
    t.SetAsciiZ(false);
    t.SetTextAlign(1);
    t.SetLinuxFormat(true);
    Open("[0x00000000]\r\nA\r\nB\r\n[0x00000001]\r\nxyz\r\n");
    EXPECT_EQ(t.GetSize(), 3 + 3);
    t.SetLinuxFormat(false);
    EXPECT_EQ(t.GetSize(), 4 + 3);
    t.SetNoErrors(true);
    t.SetAsciiZ(true);
    Open("[0x00000000]\r\nab\r\n[0x0000000a]\r\n");
    EXPECT_EQ(t.GetSize(), 17 + 1); // "ab\r\n[0x0000000a]" + zero byte, then the empty text
}

TEST_F(IniStyle, HeaderInsideATextIsTakenForABlock) {
    t.New(TTextObject::omWrite);
    t.Write("a");
    t.Write("see [0x1] here");
    t.Write("c");
    EXPECT_EQ(t.New(TTextObject::omRead), TTextObject::StatusBlockMissing);
    EXPECT_EQ(t.GetBlockCount(), 4);
    EXPECT_EQ(t.GetLog(), QList<QByteArray>{"Block 0x00000002 not found!"});
}

// Stray or cut-off "[0x" and odd digits never lead past the file copy.
TEST_F(IniStyle, OddHeadersAreReadSafely) {
    t.SetNoErrors(true);
    Open("[0x");
    EXPECT_EQ(t.GetLines(), (QList<QByteArray>{"0x00000000", "0x00000001"}));
    EXPECT_EQ(ReadAll(), QList<QByteArray>{"#NO_TEXT#"});

    Open("[0xZZ]\r\ntext\r\n");
    EXPECT_EQ(t.GetLines().first(), "0x00000000"); // no digit: number 0
    EXPECT_EQ(t.GetSize(), 0);

    Open("[0x0000000a]\r\n[0xABCDEF12]\r\n[0x100000003]\r\n[0x12");
    EXPECT_EQ(t.GetLines(), (QList<QByteArray>{"0x0000000A", "0xABCDEF12", "0x00000003",
                                               "0x00000012", "0x00000004"}));
    EXPECT_EQ(ReadAll().size(), 4);

    Open("");
    EXPECT_EQ(t.GetLines(), QList<QByteArray>{"0x00000000"});
    EXPECT_EQ(t.GetBlockCount(), 0);
    EXPECT_EQ(t.Read(), "#OUT_OF_TEXT#");
    EXPECT_EQ(t.GetSize(), 0);

    // A header ending the file has no line end: its text is empty.
    t.SetNoErrors(false);
    Open("[0x00000000]");
    EXPECT_EQ(t.Read(), "");
    Open("junk before [0x00000000]\r\nx\r\n");
    EXPECT_EQ(t.Read(), "x");

    // A zero byte ends the searchable text.
    Open(Bytes("[0x00000000]\r\nab\0[0x00000001]\r\ncd\r\n"));
    EXPECT_EQ(t.GetBlockCount(), 1);
    EXPECT_EQ(ReadAll(), QList<QByteArray>{"ab"});
    t.SetNoErrors(true);
    Open(Bytes("[0x1\0\0\0\0\0\0\0\0[0x00000001]\r\nz\r\n"));
    EXPECT_EQ(t.GetBlockCount(), 2); // the scan goes on past the zero byte
    EXPECT_EQ(t.Read(), "#NO_TEXT#");
    EXPECT_EQ(t.Read(), "#NO_TEXT#"); // searches from the start stop at it
}

TEST_F(IniStyle, MissingFileIsReportedByStatus) {
    Open(TwoBlocks);
    const QList<QByteArray> index = t.GetLines();
    t.SetFileName(dir.Path("none.ini"));
    EXPECT_EQ(t.New(TTextObject::omRead), TTextObject::StatusFileMissing);
    EXPECT_EQ(t.GetStatus(), qint32(0x80000000u));
    EXPECT_EQ(t.Read(), "#OUT_OF_TEXT#");
    EXPECT_EQ(t.GetSize(), -1);
    EXPECT_EQ(t.GetLines(), index); // left as it was
}

TEST_F(IniStyle, FileErrorsRaiseTheProgramsError) {
    const QString folder = dir.Path("folder");
    ASSERT_TRUE(QDir().mkdir(folder));
    t.SetFileName(folder);
    EXPECT_EQ(ErrorOf([&] { t.New(TTextObject::omRead); }), "Cannot open file " + folder.toStdString());
    EXPECT_TRUE(t.GetBuffer().isNull());
    EXPECT_EQ(ErrorOf([&] { t.New(TTextObject::omWrite); }), "Cannot create file " + folder.toStdString());

    const QString unreachable = dir.Path("no/such/dir.ini");
    t.SetFileName(unreachable);
    EXPECT_EQ(ErrorOf([&] { t.New(TTextObject::omWrite); }),
              "Cannot create file " + unreachable.toStdString());

    // A file that cannot be appended to: the text is not lost silently and
    // the block number is not used up.
    t.SetFileName(path);
    t.New(TTextObject::omWrite);
    t.Write("one");
    t.SetFileName(unreachable);
    EXPECT_EQ(ErrorOf([&] { t.Write("two"); }), "Cannot create file " + unreachable.toStdString());
    EXPECT_EQ(t.GetPosition(), 1);
    t.SetFileName(path);
    t.Write("two");
    EXPECT_EQ(ReadBytes(path), "[0x00000000]\r\none\r\n[0x00000001]\r\ntwo\r\n");
}

TEST_F(IniStyle, DestructionReleasesTheCopyAndWritesNothing) {
    auto owner = std::make_unique<QObject>();
    auto* u = new TTextObject(owner.get());
    u->SetTextStyle(TTextObject::IniStyle);
    u->SetFileName(path);
    WriteBytes(path, TwoBlocks);
    u->New(TTextObject::omRead);
    EXPECT_FALSE(u->GetBuffer().isNull());
    owner.reset(); // the owner takes the component with it
    EXPECT_EQ(ReadBytes(path), TwoBlocks);
}
