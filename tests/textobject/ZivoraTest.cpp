// The marker-framed layout: building, loading, reading, rewriting, moving,
// sizes, and lists that break the layout.
#include <QDir>

#include "TextFiles.h"
#include "textobject/Textobject.h"

using pw::TTextObject;
using namespace pw::test;
using Texts = QList<QByteArray>;

namespace {

const QByteArray Sep = "_______________________________";
const QByteArray End = "#E#N#D#";

QByteArray CrLfLines(const Texts& lines) {
    QByteArray out;
    for (const QByteArray& l : lines) out += l + "\r\n";
    return out;
}

class Zivora : public ::testing::Test {
protected:
    void Load(const Texts& lines) { // through a CR LF file
        WriteBytes(path, CrLfLines(lines));
        ASSERT_TRUE(t.LoadText(path));
    }
    QTemporaryDir dir;
    QString path = dir.filePath("text.txt");
    TTextObject t;
};

const Texts OneBlock = {Sep, "#H#E#A#D#E#R#0#0#", "A", "B", End};
const Texts ThreeBlocks = {Sep, "h0", "one", End, Sep, "h1", "two", "lines", End, Sep, "h2", End};

} // namespace

TEST_F(Zivora, BuildsBlocksWithTheirHeaders) {
    ASSERT_EQ(Sep.size(), 31);
    EXPECT_EQ(t.New(TTextObject::omRead), 0);
    t.Write("Hi");
    t.Write("");
    EXPECT_EQ(t.GetLines(), (Texts{Sep, "#H#E#A#D#E#R#0#0#", "Hi", End, Sep, "#H#E#A#D#E#R#0#1#", "", End}));
    EXPECT_EQ(t.GetLinePos(), 8);

    t.New(TTextObject::omWrite);
    t.SetTextType(TTextObject::ttPlain);
    t.Write("x");
    t.Write("y");
    EXPECT_EQ(t.GetLines().at(5), "#H#E#A#D#E#R#1#");
    EXPECT_EQ(t.GetBlockCount(), 2);

    t.New(TTextObject::omWrite);
    t.SetCRC(true);
    t.Write("t");
    EXPECT_EQ(t.GetLines().at(1), "#H#E#A#D#E#R#129#861#");
    t.SetTextType(TTextObject::ttIndexed);
    t.New(TTextObject::omWrite);
    for (int i = 0; i < 6; ++i) t.Write("t");
    EXPECT_EQ(t.GetLines().at(1), "#H#E#A#D#E#R#128#0#943#");
    EXPECT_EQ(t.GetLines().at(21), "#H#E#A#D#E#R#128#5#948#");
}

TEST_F(Zivora, ReadsLoadedTextWithLineFormats) {
    Load(OneBlock);
    EXPECT_EQ(t.Read(), "A\r\nB");
    EXPECT_EQ(t.Read(), "#OUT_OF_TEXT#");
    EXPECT_EQ(t.Read(), "#OUT_OF_TEXT#");
    EXPECT_EQ(t.GetLog(), Texts{"A\r\nB"});
    t.SetLinuxFormat(true);
    Load(OneBlock);
    EXPECT_EQ(t.Read(), "A\nB");
    t.SetSingleLine(true);
    Load(OneBlock);
    EXPECT_EQ(t.Read(), "AB");

    // Any line end; a last line without one; a zero byte ends the text.
    WriteBytes(path, Sep + "\nh\rA\r\n\n#E#N#D#" + Bytes("\0tail\r\n"));
    ASSERT_TRUE(t.LoadText(path));
    EXPECT_EQ(t.GetLines(), (Texts{Sep, "h", "A", "", End}));
}

TEST_F(Zivora, SizesIgnoreLinuxFormat) {
    Load(OneBlock);
    t.SetLinuxFormat(true);
    EXPECT_EQ(t.GetSize(), 4);
    t.SetAsciiZ(true);
    EXPECT_EQ(t.GetSize(), 5);
    t.SetTextAlign(4);
    EXPECT_EQ(t.GetSize(), 8);
    Load(ThreeBlocks);
    t.SetAsciiZ(false);
    t.SetTextAlign(1);
    t.SetSingleLine(true);
    EXPECT_EQ(t.GetSize(), 3 + 8 + 0);
    EXPECT_EQ(t.GetLinePos(), 0);
}

TEST_F(Zivora, SetPositionCountsSeparators) {
    Load(ThreeBlocks);
    t.Read();
    t.Read();
    t.SetPosition(0);
    EXPECT_EQ(t.Read(), "one");
    t.Read();
    t.Read();
    t.SetPosition(2); // after the last block
    EXPECT_EQ(t.GetLinePos(), 9);
    EXPECT_EQ(t.Read(), "");
    t.SetPosition(1);
    EXPECT_EQ(t.Read(), "two\r\nlines");

    // Targets outside the list leave the place as it was.
    for (int block : {3, -1}) {
        t.SetPosition(1);
        t.SetPosition(block);
        EXPECT_EQ(t.GetPosition(), 1);
        EXPECT_EQ(t.GetLinePos(), 4);
    }
    t.New(TTextObject::omRead);
    t.SetPosition(0); // empty list
    EXPECT_EQ(t.GetLinePos(), 0);
}

TEST_F(Zivora, RewriteReplacesTextsThenAppends) {
    Load({Sep, "#H#E#A#D#E#R#0#0#", "a1", "a2", End, Sep, "#H#E#A#D#E#R#0#1#", "b", End});
    t.Rewrite("X");
    EXPECT_EQ(t.GetLinePos(), 4);
    t.Rewrite("Y\r\nZ");
    t.Rewrite("new");
    EXPECT_EQ(t.GetLines(), (Texts{Sep, "#H#E#A#D#E#R#0#0#", "X", End, Sep, "#H#E#A#D#E#R#0#1#", "Y\r\nZ",
                                   End, Sep, "#H#E#A#D#E#R#0#2#", "new", End}));
    t.SetPosition(0); // Read and Rewrite mix block by block
    EXPECT_EQ(t.Read(), "X");
    t.Rewrite("");
    EXPECT_EQ(t.Read(), "new");
    EXPECT_EQ(t.GetLines().at(6), "");

    Load(ThreeBlocks); // Write inserts at the current place
    t.Write("first");
    EXPECT_EQ(t.GetLines().at(4), Sep);
    EXPECT_EQ(t.Read(), "one");
}

TEST_F(Zivora, SavedLinesLoadBackToTheSameTexts) {
    for (const char* s : {"one\r\ntwo", "", "three"}) t.Write(s);
    WriteBytes(path, CrLfLines(t.GetLines()));
    TTextObject u;
    ASSERT_TRUE(u.LoadText(path));
    EXPECT_EQ(u.GetLines().size(), 13);
    EXPECT_EQ(u.Read(), "one\r\ntwo");
    EXPECT_EQ(u.Read(), "");
    EXPECT_EQ(u.Read(), "three");
    EXPECT_EQ(u.Read(), "#OUT_OF_TEXT#");
}

TEST_F(Zivora, MissingUnreadableAndBrokenInput) {
    Load(OneBlock);
    EXPECT_FALSE(t.LoadText(dir.filePath("missing.txt")));
    EXPECT_EQ(t.GetLines(), OneBlock);
    const QString folder = dir.filePath("folder");
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_EQ(ErrorOf([&] { t.LoadText(folder); }), "Cannot open file " + folder.toStdString());
    EXPECT_TRUE(t.GetLines().isEmpty()); // reset before the open failed

    // A block without its end line: the list's index error, nothing changed.
    Load({Sep, "h", "text", "more"});
    EXPECT_EQ(ErrorOf([&] { t.Read(); }), "List index out of bounds (4)");
    EXPECT_EQ(t.GetLinePos(), 0);
    EXPECT_EQ(ErrorOf([&] { t.GetSize(); }), "List index out of bounds (4)");
    EXPECT_EQ(ErrorOf([&] { t.Rewrite("x"); }), "List index out of bounds (2)");
    EXPECT_EQ(t.GetLines().size(), 4);
    Load({Sep, "h", End, "stray"});
    EXPECT_EQ(t.Read(), "");
    EXPECT_EQ(t.Read(), "#OUT_OF_TEXT#");
    EXPECT_EQ(ErrorOf([&] { t.GetSize(); }), "List index out of bounds (5)");
}
