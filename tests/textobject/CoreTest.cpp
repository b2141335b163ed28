// The component itself: construction, published properties, the size rule,
// blank removal and registration.
#include <QMetaProperty>

#include "TextFiles.h"
#include "core/Palette.h"
#include "textobject/Textobject.h"

using pw::TTextObject;

TEST(TextObjectCore, StartValuesAndPublishedProperties) {
    QObject owner;
    auto* t = new TTextObject(&owner);
    EXPECT_EQ(t->parent(), &owner);
    EXPECT_EQ(t->GetTextStyle(), TTextObject::ZivoraStyle);
    EXPECT_EQ(t->GetTextAlign(), 1);
    EXPECT_FALSE(t->GetAsciiZ() || t->GetSingleLine() || t->GetCRC() || t->GetClearBounds() ||
                 t->GetLinuxFormat() || t->GetNoErrors());
    EXPECT_TRUE(t->GetBuffer().isNull());
    EXPECT_EQ(t->Read(), "#OUT_OF_TEXT#"); // nothing before a pass, in either layout
    t->SetTextStyle(TTextObject::IniStyle);
    EXPECT_EQ(t->Read(), "#OUT_OF_TEXT#");

    const QMetaObject* mo = t->metaObject();
    const char* names[] = {"TextType",   "TextStyle",   "NoErrors",    "AsciiZ",   "CRC",
                           "SingleLine", "ClearBounds", "LinuxFormat", "TextAlign"};
    ASSERT_EQ(mo->propertyCount() - mo->propertyOffset(), 9);
    for (int i = 0; i < 9; ++i) EXPECT_STREQ(mo->property(mo->propertyOffset() + i).name(), names[i]);
    EXPECT_EQ(TTextObject::StatusFileMissing, qint32(0x80000000u));
}

// The main window's instance, set up through the meta-object as a form
// loader would.
TEST(TextObjectCore, ConfiguresLikeTheMainWindow) {
    TTextObject t;
    EXPECT_TRUE(t.setProperty("TextStyle", QVariant::fromValue(TTextObject::IniStyle)));
    EXPECT_TRUE(t.setProperty("AsciiZ", true));
    EXPECT_TRUE(t.setProperty("ClearBounds", true));
    EXPECT_TRUE(t.setProperty("LinuxFormat", true));
    EXPECT_TRUE(t.setProperty("TextAlign", 1));
    EXPECT_EQ(t.GetTextStyle(), TTextObject::IniStyle);
    EXPECT_TRUE(t.GetAsciiZ() && t.GetClearBounds() && t.GetLinuxFormat());
    EXPECT_EQ(t.property("TextType").value<TTextObject::TTextTypes>(), TTextObject::ttIndexed);
}

TEST(TextObjectCore, StoredSizeCountsZeroByteAndAlignment) {
    TTextObject t;
    EXPECT_EQ(t.GetStringLength("abc"), 3);
    t.SetAsciiZ(true);
    EXPECT_EQ(t.GetStringLength("abc"), 4);
    t.SetTextAlign(8);
    EXPECT_EQ(t.GetStringLength("abc"), 8);
    EXPECT_EQ(t.GetStringLength("abcdefg"), 8); // already a multiple
    t.SetTextAlign(4);
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
    EXPECT_EQ(t.EraseSpace(""), "");
    EXPECT_EQ(t.EraseSpace("\r\n a\n "), "\r\n a\n"); // line breaks stay
    EXPECT_EQ(t.EraseSpace("   ab"), "ab");          // uneven ends
    EXPECT_EQ(t.ClearString(" a b "), "ab");
    EXPECT_EQ(t.ClearString("a\tb"), "a\tb");
}

TEST(TextObjectCore, RegisterPutsTheClassOnTheProgramsPageOnce) {
    pw::Textobject::Register();
    pw::Textobject::Register();
    int found = 0;
    for (const auto& e : pw::RegisteredComponents())
        found += e.className == "TTextObject" && e.page == pw::PalettePage;
    EXPECT_EQ(found, 1);
}
