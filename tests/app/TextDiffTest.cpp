// Line differences of two texts: the marks, the line numbers, the pairing
// of removed and added lines as changed ones, and the size limit.
#include <gtest/gtest.h>

#include "app/browse/TextDiff.h"

namespace {

using pw::DiffMark;

std::string Marks(const pw::TextDiff& d) {
    std::string out;
    for (const pw::DiffLine& l : d.lines) {
        switch (l.mark) {
        case DiffMark::Same: out += '='; break;
        case DiffMark::Removed: out += '-'; break;
        case DiffMark::Added: out += '+'; break;
        case DiffMark::ChangedOld: out += '<'; break;
        case DiffMark::ChangedNew: out += '>'; break;
        }
    }
    return out;
}

QString Numbered(int from, int to, const QString& changeAt = QString(), int at = -1) {
    QString text;
    for (int i = from; i <= to; ++i) text += (i == at ? changeAt : QStringLiteral("line %1").arg(i)) + "\n";
    return text;
}

TEST(TextDiffTest, OneWordChangedInALongText) {
    const pw::TextDiff d = pw::CompareTexts(Numbered(1, 500), Numbered(1, 500, "line 400 changed", 400));
    ASSERT_TRUE(d.compared);
    EXPECT_EQ(d.changed, 1);
    EXPECT_EQ(d.added, 0);
    EXPECT_EQ(d.removed, 0);
    ASSERT_EQ(d.lines.size(), 501u);
    ASSERT_EQ(d.firstChange, 399);
    EXPECT_EQ(d.lines[399].mark, DiffMark::ChangedOld);
    EXPECT_EQ(d.lines[399].text, "line 400");
    EXPECT_EQ(d.lines[399].oldLine, 400);
    EXPECT_EQ(d.lines[399].newLine, 0);
    EXPECT_EQ(d.lines[400].mark, DiffMark::ChangedNew);
    EXPECT_EQ(d.lines[400].text, "line 400 changed");
    EXPECT_EQ(d.lines[400].newLine, 400);
    EXPECT_EQ(d.lines[500].oldLine, 500);
    EXPECT_EQ(d.lines[500].newLine, 500);
}

TEST(TextDiffTest, AddedRemovedAndReplacedBlocks) {
    // New longer than old, and old longer than new (the library may swap
    // the two internally): the marks keep their sides.
    pw::TextDiff d = pw::CompareTexts("a\nb\nc\n", "a\nb\nc\nd\ne\n");
    EXPECT_EQ(Marks(d), "===++");
    EXPECT_EQ(d.added, 2);
    EXPECT_EQ(d.firstChange, 3);
    EXPECT_EQ(d.lines[4].newLine, 5);
    d = pw::CompareTexts("x\ny\na\nb\n", "a\nb\n");
    EXPECT_EQ(Marks(d), "--==");
    EXPECT_EQ(d.removed, 2);
    EXPECT_EQ(d.lines[2].oldLine, 3);
    EXPECT_EQ(d.lines[2].newLine, 1);
    // Three lines replaced by one: one changed pair, two removed.
    d = pw::CompareTexts("a\n1\n2\n3\nz\n", "a\nX\nz\n");
    EXPECT_EQ(Marks(d), "=<-->=");
    EXPECT_EQ(d.changed, 1);
    EXPECT_EQ(d.removed, 2);
}

TEST(TextDiffTest, EqualTextsLineBreaksAndLimit) {
    pw::TextDiff d = pw::CompareTexts("a\r\nb", "a\r\nb");
    EXPECT_EQ(Marks(d), "==");
    EXPECT_EQ(d.firstChange, -1);
    EXPECT_EQ(pw::SplitTextLines("a\r\nb\n\nc"), (std::vector<QString>{"a", "b", "", "c"}));
    EXPECT_TRUE(pw::SplitTextLines("").empty());
    d = pw::CompareTexts("", "new\n");
    EXPECT_EQ(Marks(d), "+");

    // Too many lines: not compared, nothing worked out.
    const QString many = QString("x\n").repeated(int(pw::DiffLineLimit));
    d = pw::CompareTexts(many, "y\n");
    EXPECT_FALSE(d.compared);
    EXPECT_TRUE(d.lines.empty());
}

} // namespace
