// The marker-framed layout: building, loading, reading, rewriting, moving,
// sizes, and lists that break the layout.
#include <QDir>

#include "TextFiles.h"
#include "textobject/Textobject.h"

using pw::TTextObject;
using pw::test::ErrorOf;
using pw::test::WriteBytes;

namespace {

const QByteArray Sep = "_______________________________";
const QByteArray End = "#E#N#D#";

QByteArray CrLfLines(const QList<QByteArray>& lines) {
    QByteArray out;
    for (const QByteArray& l : lines) out += l + "\r\n";
    return out;
}

class Zivora : public ::testing::Test {
protected:
    // Loads the given lines through a CR LF file.
    void Load(const QList<QByteArray>& lines) {
        WriteBytes(path, CrLfLines(lines));
        ASSERT_TRUE(t.LoadText(path));
    }
    pw::test::ScratchDir dir;
    QString path = dir.Path("text.txt");
    TTextObject t;
};

const QList<QByteArray> OneBlock = {Sep, "#H#E#A#D#E#R#0#0#", "A", "B", End};
const QList<QByteArray> ThreeBlocks = {Sep, "h0", "one", End, Sep, "h1", "two", "lines", End,
                                       Sep, "h2", End};

} // namespace

TEST_F(Zivora, BuildsBlocksInMemory) {
    ASSERT_EQ(Sep.size(), 31);
    EXPECT_EQ(t.New(TTextObject::omRead), 0);
    t.Write("Hi");
    t.Write("");
    EXPECT_EQ(t.GetLines(), (QList<QByteArray>{Sep, "#H#E#A#D#E#R#0#0#", "Hi", End, Sep,
                                               "#H#E#A#D#E#R#0#1#", "", End}));
    EXPECT_EQ(t.GetBlockCount(), 2);
    EXPECT_EQ(t.GetPosition(), 2);
    EXPECT_EQ(t.GetLinePos(), 8);

    t.New(TTextObject::omWrite);
    t.SetTextType(TTextObject::ttPlain);
    t.Write("x");
    t.Write("y");
    EXPECT_EQ(t.GetLines().at(1), "#H#E#A#D#E#R#1#");
    EXPECT_EQ(t.GetLines().at(5), "#H#E#A#D#E#R#1#");
    EXPECT_EQ(t.GetBlockCount(), 2);
}

TEST_F(Zivora, HeaderChecksums) {
    t.SetCRC(true);
    for (int i = 0; i < 6; ++i) t.Write("t");
    EXPECT_EQ(t.GetLines().at(1), "#H#E#A#D#E#R#128#0#943#");
    EXPECT_EQ(t.GetLines().at(5 * 4 + 1), "#H#E#A#D#E#R#128#5#948#");
    t.New(TTextObject::omWrite);
    t.SetTextType(TTextObject::ttPlain);
    t.Write("t");
    EXPECT_EQ(t.GetLines().at(1), "#H#E#A#D#E#R#129#861#");
    t.New(TTextObject::omWrite);
    t.SetCRC(false);
    t.SetTextType(TTextObject::ttStringDepeneded);
    t.Write("t");
    EXPECT_EQ(t.GetLines().at(1), "#H#E#A#D#E#R#2#");
}

TEST_F(Zivora, ReadsLoadedTextWithLineFormats) {
    Load(OneBlock);
    EXPECT_EQ(t.Read(), "A\r\nB");
    EXPECT_EQ(t.Read(), "#OUT_OF_TEXT#");
    EXPECT_EQ(t.Read(), "#OUT_OF_TEXT#");
    EXPECT_EQ(t.GetLog(), QList<QByteArray>{"A\r\nB"});
    EXPECT_EQ(t.GetPosition(), 1);

    t.SetLinuxFormat(true);
    Load(OneBlock);
    EXPECT_EQ(t.Read(), "A\nB");
    t.SetSingleLine(true);
    Load(OneBlock);
    EXPECT_EQ(t.Read(), "AB");

    Load({Sep, "anything", End});
    EXPECT_EQ(t.Read(), "");
}

TEST_F(Zivora, LoadTextAcceptsAnyLineEnd) {
    WriteBytes(path, Sep + "\nh\rA\r\nB\n#E#N#D#");
    ASSERT_TRUE(t.LoadText(path));
    EXPECT_EQ(t.GetLines(), (QList<QByteArray>{Sep, "h", "A", "B", End}));
    WriteBytes(path, Sep + "\r\nh\r\n\r\n" + End + QByteArray("\0tail\r\n", 7));
    ASSERT_TRUE(t.LoadText(path));
    EXPECT_EQ(t.GetLines(), (QList<QByteArray>{Sep, "h", "", End}));
    WriteBytes(path, "");
    ASSERT_TRUE(t.LoadText(path));
    EXPECT_TRUE(t.GetLines().isEmpty());
    EXPECT_EQ(t.Read(), "#OUT_OF_TEXT#");
}

TEST_F(Zivora, SizesIgnoreLinuxFormat) {
    Load(OneBlock);
    t.SetLinuxFormat(true);
    EXPECT_EQ(t.GetSize(), 4);
    t.SetAsciiZ(true);
    EXPECT_EQ(t.GetSize(), 5);
    t.SetTextAlign(4);
    EXPECT_EQ(t.GetSize(), 8);
    t.SetSingleLine(true);
    t.SetAsciiZ(false);
    t.SetTextAlign(0);
    EXPECT_EQ(t.GetSize(), 2);
    EXPECT_EQ(t.GetLinePos(), 0); // sizes do not move
    Load(ThreeBlocks);
    t.SetSingleLine(false);
    EXPECT_EQ(t.GetSize(), 3 + 10 + 0);
}

TEST_F(Zivora, SetPositionCountsSeparators) {
    Load(ThreeBlocks);
    EXPECT_EQ(t.Read(), "one");
    EXPECT_EQ(t.Read(), "two\r\nlines");
    t.SetPosition(0);
    EXPECT_EQ(t.GetLinePos(), 0);
    EXPECT_EQ(t.Read(), "one");
    EXPECT_EQ(t.Read(), "two\r\nlines");
    EXPECT_EQ(t.Read(), "");
    t.SetPosition(2);
    EXPECT_EQ(t.GetPosition(), 2);
    EXPECT_EQ(t.GetLinePos(), 9);
    EXPECT_EQ(t.Read(), "");
    t.SetPosition(1);
    EXPECT_EQ(t.Read(), "two\r\nlines");

    // Targets outside the list leave the place as it was.
    for (int block : {3, 7, -1, -100}) {
        t.SetPosition(1);
        t.SetPosition(block);
        EXPECT_EQ(t.GetPosition(), 1) << block;
        EXPECT_EQ(t.GetLinePos(), 4) << block;
    }
    while (t.Read() != "#OUT_OF_TEXT#") {}
    t.SetPosition(3);
    EXPECT_EQ(t.GetPosition(), 3);
    EXPECT_EQ(t.GetLinePos(), 12);

    t.New(TTextObject::omRead); // empty list
    t.SetPosition(0);
    EXPECT_EQ(t.GetPosition(), 0);
    EXPECT_EQ(t.GetLinePos(), 0);
}

TEST_F(Zivora, RewriteReplacesTextsThenAppends) {
    Load({Sep, "#H#E#A#D#E#R#0#0#", "a1", "a2", End, Sep, "#H#E#A#D#E#R#0#1#", "b", End});
    t.Rewrite("X");
    EXPECT_EQ(t.GetLines(), (QList<QByteArray>{Sep, "#H#E#A#D#E#R#0#0#", "X", End, Sep,
                                               "#H#E#A#D#E#R#0#1#", "b", End}));
    EXPECT_EQ(t.GetLinePos(), 4);
    t.Rewrite("Y\r\nZ");
    t.Rewrite("new");
    EXPECT_EQ(t.GetLines(),
              (QList<QByteArray>{Sep, "#H#E#A#D#E#R#0#0#", "X", End, Sep, "#H#E#A#D#E#R#0#1#",
                                 "Y\r\nZ", End, Sep, "#H#E#A#D#E#R#0#2#", "new", End}));
    EXPECT_EQ(t.GetPosition(), 3);
    // Read and Rewrite mix block by block.
    t.SetPosition(0);
    EXPECT_EQ(t.Read(), "X");
    t.Rewrite("");
    EXPECT_EQ(t.Read(), "new");
    EXPECT_EQ(t.GetLines().at(6), "");
}

TEST_F(Zivora, WriteInsertsAtTheCurrentPlace) {
    Load(ThreeBlocks);
    t.Write("first");
    EXPECT_EQ(t.GetLines().size(), 16);
    EXPECT_EQ(t.GetLines().at(2), "first");
    EXPECT_EQ(t.GetLines().at(4), Sep);
    EXPECT_EQ(t.Read(), "one");
}

TEST_F(Zivora, SavedLinesLoadBackToTheSameTexts) {
    t.Write("one\r\ntwo");
    t.Write("");
    t.Write("three");
    WriteBytes(path, CrLfLines(t.GetLines()));
    TTextObject u;
    ASSERT_TRUE(u.LoadText(path));
    EXPECT_EQ(u.GetLines().size(), 13);
    EXPECT_EQ(u.Read(), "one\r\ntwo");
    EXPECT_EQ(u.Read(), "");
    EXPECT_EQ(u.Read(), "three");
    EXPECT_EQ(u.Read(), "#OUT_OF_TEXT#");
    EXPECT_EQ(u.GetLog().size(), 3);
}

TEST_F(Zivora, LoadTextOfMissingOrUnreadableNames) {
    Load(OneBlock);
    EXPECT_FALSE(t.LoadText(dir.Path("missing.txt")));
    EXPECT_EQ(t.GetLines(), OneBlock);
    const QString folder = dir.Path("folder");
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_EQ(ErrorOf([&] { t.LoadText(folder); }), "Cannot open file " + folder.toStdString());
    EXPECT_TRUE(t.GetLines().isEmpty()); // reset before the open failed
}

// A block without its end line: the list index error, and nothing changed.
TEST_F(Zivora, BrokenLayoutRaisesIndexErrors) {
    Load({Sep, "h", "text", "more"});
    EXPECT_EQ(ErrorOf([&] { t.Read(); }), "List index out of bounds (4)");
    EXPECT_EQ(t.GetLinePos(), 0);
    EXPECT_TRUE(t.GetLog().isEmpty());
    EXPECT_EQ(ErrorOf([&] { t.GetSize(); }), "List index out of bounds (4)");
    EXPECT_EQ(ErrorOf([&] { t.Rewrite("x"); }), "List index out of bounds (2)");
    EXPECT_EQ(t.GetLines().size(), 4);
    EXPECT_EQ(t.GetLinePos(), 0);

    Load({Sep, "h", End, "stray"});
    EXPECT_EQ(t.Read(), "");
    EXPECT_EQ(t.Read(), "#OUT_OF_TEXT#");
    EXPECT_EQ(ErrorOf([&] { t.GetSize(); }), "List index out of bounds (5)");
}
