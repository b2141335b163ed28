#include <gtest/gtest.h>

#include "core/Error.h"
#include "core/FileNames.h"

using namespace pw;

TEST(FileNames, PartsOfAPath) {
    EXPECT_EQ(ExtractFileName("/game/data/MENU.old.fat"), "MENU.old.fat");
    EXPECT_EQ(ExtractFilePath("/game/data/MENU.fat"), "/game/data/");
    EXPECT_EQ(ExtractFileName("MENU.fat"), "MENU.fat");
    EXPECT_EQ(ExtractFilePath("MENU.fat"), "");
    EXPECT_EQ(ExtractFileExt("/game/a.b.fat"), ".fat");
    EXPECT_EQ(ExtractFileExt("/game.d/MENU"), "");
    EXPECT_EQ(ChangeFileExt("/game/MENU.fat", ".mix"), "/game/MENU.mix");
    EXPECT_EQ(ChangeFileExt("/game.d/MENU", ".mix"), "/game.d/MENU.mix");
}

TEST(FileNames, EntryNameExtensionsEndAtAnySeparator) {
    EXPECT_EQ(ExtractFileExt("font.tga", EntryNameSeparators), ".tga");
    EXPECT_EQ(ExtractFileExt("DATA\\FONT.Tga", EntryNameSeparators), ".Tga");
    EXPECT_EQ(ExtractFileExt("a.b", EntryNameSeparators), ".b");
    EXPECT_EQ(ExtractFileExt("x.d\\name", EntryNameSeparators), "");
    EXPECT_EQ(ExtractFileExt("x.d:name", EntryNameSeparators), "");
    EXPECT_EQ(ExtractFileExt("x.d/name", EntryNameSeparators), "");
}

TEST(FileNames, CaseChangesOnlyAsciiLetters) {
    EXPECT_EQ(UpperCaseAscii("tGa_\xe9"), "TGA_\xe9");
    EXPECT_EQ(LowerCaseAscii("TgA_\xc9"), "tga_\xc9");
    EXPECT_TRUE(SameTextAscii("MENU.MIX", "menu.mix"));
    EXPECT_FALSE(SameTextAscii("menu.mix", "menu.mi"));
}

TEST(FileNames, EightHexDigits) {
    EXPECT_EQ(Hex8(0), "00000000");
    EXPECT_EQ(Hex8(26), "0000001A");
    EXPECT_EQ(Hex8(255), "000000FF");
    EXPECT_EQ(Hex8(0xFFFFFFFFu), "FFFFFFFF");
}

TEST(Errors, MessagesAndTheErrorBoxFullStop) {
    try {
        ThrowCannotOpen("/x/MENU.mix");
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Cannot open file /x/MENU.mix");
    }
    try {
        ThrowIndexError(7);
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (7)");
    }
    EXPECT_EQ(ErrorBoxText("Stream read error"), "Stream read error.");
    EXPECT_EQ(ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(ErrorBoxText("x -"), "x -");
    EXPECT_EQ(ErrorBoxText("is this the game's folder?"), "is this the game's folder?");
    EXPECT_EQ(ErrorBoxText(""), "");
}
