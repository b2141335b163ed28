// The component itself: construction, published properties, the size rule,
// blank removal and registration.
#include <QMetaProperty>
#include <QObject>
#include <memory>

#include "TextFiles.h"
#include "core/Palette.h"
#include "textobject/Misc.h"
#include "textobject/Textobject.h"

using pw::TTextObject;

TEST(TextObjectCore, FreshObjectHasItsStartValues) {
    QObject owner;
    auto* t = new TTextObject(&owner);
    EXPECT_EQ(t->parent(), &owner);
    EXPECT_EQ(t->GetTextStyle(), TTextObject::ZivoraStyle);
    EXPECT_EQ(t->GetTextType(), TTextObject::ttIndexed);
    EXPECT_EQ(t->GetTextAlign(), 1);
    EXPECT_FALSE(t->GetAsciiZ() || t->GetSingleLine() || t->GetCRC() || t->GetClearBounds() ||
                 t->GetLinuxFormat() || t->GetNoErrors());
    EXPECT_EQ(t->GetOpenMode(), TTextObject::omRead);
    EXPECT_TRUE(t->GetBuffer().isNull());
    EXPECT_TRUE(t->GetLines().isEmpty());
    EXPECT_TRUE(t->GetLog().isEmpty());
    EXPECT_TRUE(t->GetFileName().isEmpty());
    EXPECT_EQ(t->GetStatus(), 0);
    // Nothing to read before a pass has started, in either layout.
    EXPECT_EQ(t->Read(), "#OUT_OF_TEXT#");
    t->SetTextStyle(TTextObject::IniStyle);
    EXPECT_EQ(t->Read(), "#OUT_OF_TEXT#");
}

TEST(TextObjectCore, PublishesNinePropertiesInOrder) {
    TTextObject t;
    const QMetaObject* mo = t.metaObject();
    const char* expected[] = {"TextType",   "TextStyle",   "NoErrors",    "AsciiZ",   "CRC",
                              "SingleLine", "ClearBounds", "LinuxFormat", "TextAlign"};
    ASSERT_EQ(mo->propertyCount() - mo->propertyOffset(), 9);
    for (int i = 0; i < 9; ++i)
        EXPECT_STREQ(mo->property(mo->propertyOffset() + i).name(), expected[i]);

    EXPECT_EQ(TTextObject::ZivoraStyle, 0);
    EXPECT_EQ(TTextObject::IniStyle, 1);
    EXPECT_EQ(TTextObject::ttStringDepeneded, 2);
    EXPECT_EQ(TTextObject::omWrite, 1);
    EXPECT_EQ(TTextObject::StatusFileMissing, qint32(0x80000000u));
    EXPECT_EQ(TTextObject::StatusBlockMissing, 0x40000000);
}

// The main window's instance is set up the way its form describes it,
// through the meta-object as a form loader would.
TEST(TextObjectCore, ConfiguresThroughPropertiesLikeTheMainWindow) {
    TTextObject t;
    EXPECT_TRUE(t.setProperty("TextStyle", QVariant::fromValue(TTextObject::IniStyle)));
    EXPECT_TRUE(t.setProperty("AsciiZ", true));
    EXPECT_TRUE(t.setProperty("ClearBounds", true));
    EXPECT_TRUE(t.setProperty("LinuxFormat", true));
    EXPECT_TRUE(t.setProperty("TextAlign", 1));
    EXPECT_EQ(t.GetTextStyle(), TTextObject::IniStyle);
    EXPECT_TRUE(t.GetAsciiZ() && t.GetClearBounds() && t.GetLinuxFormat());
    EXPECT_FALSE(t.GetCRC() || t.GetSingleLine() || t.GetNoErrors());
    EXPECT_EQ(t.property("TextType").value<TTextObject::TTextTypes>(), TTextObject::ttIndexed);
    EXPECT_EQ(t.property("TextAlign").toInt(), 1);
}

TEST(TextObjectCore, StoredSizeCountsZeroByteAndAlignment) {
    TTextObject t;
    EXPECT_EQ(t.GetStringLength("abc"), 3);
    t.SetAsciiZ(true);
    EXPECT_EQ(t.GetStringLength("abc"), 4);
    t.SetTextAlign(8);
    EXPECT_EQ(t.GetStringLength("abc"), 8);
    EXPECT_EQ(t.GetStringLength("abcdefg"), 8); // 7 + 1 is already a multiple
    t.SetTextAlign(4);
    EXPECT_EQ(t.GetStringLength("Hello"), 8);
    EXPECT_EQ(t.GetStringLength(""), 4);
    t.SetAsciiZ(false);
    EXPECT_EQ(t.GetStringLength(""), 0);
    for (int align : {1, 0, -4}) {
        t.SetTextAlign(align);
        EXPECT_EQ(t.GetStringLength("abc"), 3) << align;
    }
}

TEST(TextObjectCore, BlankRemoval) {
    TTextObject t;
    const QByteArray padded = " \t a b \t";
    EXPECT_EQ(t.EraseSpace(padded), padded); // only with ClearBounds
    t.SetClearBounds(true);
    EXPECT_EQ(t.EraseSpace(padded), "a b");
    EXPECT_EQ(t.EraseSpace(" "), "");
    EXPECT_EQ(t.EraseSpace("\t \t"), "");
    EXPECT_EQ(t.EraseSpace(""), "");
    EXPECT_EQ(t.EraseSpace("x"), "x");
    EXPECT_EQ(t.EraseSpace("\r\n a\n "), "\r\n a\n"); // line breaks stay
    EXPECT_EQ(t.EraseSpace("   ab"), "ab");          // uneven ends

    EXPECT_EQ(t.ClearString(" a b "), "ab");
    EXPECT_EQ(t.ClearString("a\tb"), "a\tb");
    EXPECT_EQ(t.ClearString(""), "");
    EXPECT_EQ(t.ClearString("   "), "");
}

TEST(TextObjectCore, CharAtReadsZeroOutsideTheString) {
    const QByteArray s = "ab";
    EXPECT_EQ(pw::CharAt(s, 0), 'a');
    EXPECT_EQ(pw::CharAt(s, 1), 'b');
    EXPECT_EQ(pw::CharAt(s, 2), '\0');
    EXPECT_EQ(pw::CharAt(s, -1), '\0');
    EXPECT_EQ(pw::CharAt(QByteArray(), 0), '\0');
}

TEST(TextObjectCore, RegisterPutsTheClassOnTheProgramsPage) {
    pw::Textobject::Register();
    pw::Textobject::Register();
    int found = 0;
    for (const auto& e : pw::RegisteredComponents())
        if (e.className == "TTextObject") {
            EXPECT_EQ(e.page, pw::PalettePage);
            ++found;
        }
    EXPECT_EQ(found, 1);
}

TEST(TextObjectCore, NewClearsTheLogAndZivoraIgnoresTheMode) {
    pw::test::ScratchDir dir;
    const QString path = dir.Path("gap.txt");
    pw::test::WriteBytes(path, "[0x00000001]\r\nx\r\n");
    TTextObject t;
    t.SetTextStyle(TTextObject::IniStyle);
    t.SetFileName(path);
    t.New(TTextObject::omRead);
    ASSERT_EQ(t.GetLog().size(), 1);
    t.SetTextStyle(TTextObject::ZivoraStyle);
    EXPECT_EQ(t.New(TTextObject::omRead, 7), 0);
    EXPECT_EQ(t.New(TTextObject::omWrite), 0);
    EXPECT_TRUE(t.GetLog().isEmpty());
}
