// Code pages and tokens, the PO reader and writer, the layouts' writer, the
// checks of a translation, and the update of a translation.
#include <gtest/gtest.h>

#include "packs/PackFixtures.h"
#include "packs/texts/CodePage.h"
#include "packs/texts/Po.h"
#include "packs/texts/TextChecks.h"
#include "packs/texts/Update.h"
#include "textobject/layout/TextLayout.h"

using namespace pw::texts;
namespace layout = pw::layout;

TEST(CodePage, DecodesWithTokensAndEncodesBack) {
    struct Case {
        const char* page;
        std::string bytes, text;
    } cases[] = {
        {"windows-1252", "Caf\xE9 \x01red\x02\t\n\x7F", "Café {0x01}red{0x02}\t\n{0x7F}"},
        {"cp1252", "{0x41} {x}", "{0x7B}0x41} {x}"},  // a "{" that would read as a token
        {"1252", "\x81\x80", "{0x81}€"},              // a byte that is no character
        {"windows-1251", "\xCF\xF0\xE8", "При"},
        {"shift_jis", "\x82\xA0\xB1", "あｱ"},
        {"windows-932", "A\x82", "A{0x82}"},          // a lead byte without its trail
        {"949", "\xB0\xA1", "가"},
    };
    for (const Case& c : cases) {
        const CodePage page(c.page);
        EXPECT_EQ(page.Decode(c.bytes), c.text) << c.page;
        std::vector<char32_t> missing;
        EXPECT_EQ(page.Encode(c.text, missing), c.bytes) << c.page;
        EXPECT_TRUE(missing.empty()) << c.page;
    }
    std::vector<char32_t> missing;
    EXPECT_EQ(CodePage("windows-1252").Encode("aāb€ā", missing), "ab\x80");
    EXPECT_EQ(missing, (std::vector<char32_t>{0x101}));
    EXPECT_EQ(CodePointName(0xE9), "U+00E9");
    EXPECT_EQ(pwtest::ErrorOf([] { CodePage("windows-1999"); }), "Unknown code page windows-1999");
}

TEST(Po, DamagedFilesNameTheLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"msgid \"a\"\nmsgstr \"b\n", "line 2: a string in double quotes was expected"},
        {"msgid \"a\"\n", "line 2: msgid without msgstr"},
        {"msgid \"a\"\nmsgstr \"b\"\nmsgtxt \"c\"\n", "line 3: unknown keyword \"msgtxt\""},
        {"msgid \"a\\q\"\nmsgstr \"\"\n", "line 1: unknown escape \\q"},
        {"msgid \"caf\xE9\"\nmsgstr \"\"\n", "line 1: text that is not UTF-8"},
        {"msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1\\n\"\n",
         "line 1: the charset is ISO-8859-1; save the translation as UTF-8"},
        {"msgctxt \"1:2\"\nmsgid \"a\"\nmsgstr \"\"\n\nmsgctxt \"1:2\"\nmsgid \"a\"\nmsgstr \"\"\n",
         "line 6: the message msgctxt \"1:2\" is given twice"},
        {"\"a\"\n", "line 1: a string without a keyword before it"},
        {"msgid \"a\"\nmsgid \"b\"\n", "line 2: msgid before the msgstr of the message above"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(pwtest::ErrorOf([&] { ReadPo(text, "f.po"); }), "Damaged translation f.po: line " + message.substr(5))
            << text;
}

TEST(Po, EveryKindOfLineReadsAndWritesBack) {
    const std::string text = "# translator\n#\n#. extracted\n#: MENU.fat:1\n#, fuzzy, c-format\n#| msgid \"old\"\n"
                             "msgctxt \"1:0\"\nmsgid \"\"\n\"two\\n\"\n\"lines \\\"q\\\" \\\\ \\t\"\nmsgstr \"x\\n\"\n\n"
                             "msgid \"one\"\nmsgid_plural \"many\"\nmsgstr[0] \"a\"\nmsgstr[1] \"b\"\n\n"
                             "#~ msgctxt \"9:9\"\n#~ msgid \"gone\"\n#~ msgstr \"weg\"\n";
    const PoFile po = ReadPo(text, "f.po");
    ASSERT_EQ(po.messages.size(), 3u);
    EXPECT_EQ(po.messages[0].id, "two\nlines \"q\" \\ \t");
    EXPECT_TRUE(po.messages[0].Fuzzy());
    EXPECT_EQ(po.messages[0].previousId, "old");
    EXPECT_EQ(po.messages[0].line, 8);
    EXPECT_TRUE(po.messages[2].obsolete);
    EXPECT_EQ(WritePo(po), text);
    // Escapes gettext also reads, and CR LF line ends.
    EXPECT_EQ(ReadPo("msgid \"\\101\\x42\\r\"\r\nmsgstr \"\"\r\n", "f.po").messages[0].id, "AB\r");
}

TEST(TextChecks, PlaceholdersTokensAndLayouts) {
    EXPECT_EQ(Placeholders("%s of %5.2f%% %1$-8ld %x 100% sure %"),
              (std::vector<std::string>{"%s", "%5.2f", "%%", "%1$-8ld", "%x"}));
    EXPECT_EQ(Tokens("{0x02}a{0x01}{0x1}"), (std::vector<std::string>{"{0x01}", "{0x02}"}));
    EXPECT_EQ(LayoutProblem(layout::Style::Ini, "a\nb#E#N#D#"), "");
    EXPECT_NE(LayoutProblem(layout::Style::Ini, "see [0x1"), "");
    EXPECT_NE(LayoutProblem(layout::Style::Zivora, "a\n#E#N#D#\nb"), "");
    EXPECT_NE(LayoutProblem(layout::Style::Zivora, "a\rb"), "");
    EXPECT_NE(LayoutProblem(layout::Style::Zivora, std::string("a\0b", 3)), "");
}

TEST(Layout, WrittenBlocksReadBackInBothStyles) {
    const std::vector<std::string> texts = {"Hello", "A\nB", "", "x\r", "tail\n"};
    EXPECT_EQ(layout::WriteBlocks(layout::Style::Ini, "", {"Hello", "A\nB"}),
              "[0x00000000]\r\nHello\r\n[0x00000001]\r\nA\r\nB\r\n");
    const std::string ini = layout::WriteBlocks(layout::Style::Ini, "", texts);
    ASSERT_EQ(layout::StyleOf(ini), layout::Style::Ini);
    const auto iniBack = layout::ReadBlocks(layout::Style::Ini, ini);
    ASSERT_TRUE(iniBack);
    for (size_t k = 0; k < texts.size(); ++k) EXPECT_EQ((*iniBack)[k].text, texts[k]) << k;
    // Zivora style keeps each block's header; the unchanged block its lines.
    const std::string original = "_______________________________\r\n#H#E#A#D#E#R#129#861#\r\nX\r\n#E#N#D#\r\n"
                                 "_______________________________\n#H#E#A#D#E#R#1#\n#E#N#D#\n";
    ASSERT_EQ(layout::StyleOf(original), layout::Style::Zivora);
    EXPECT_EQ(layout::WriteBlocks(layout::Style::Zivora, original, {"X", "a\nb", "new"}),
              "_______________________________\r\n#H#E#A#D#E#R#129#861#\r\nX\r\n#E#N#D#\r\n"
              "_______________________________\r\n#H#E#A#D#E#R#1#\r\na\r\nb\r\n#E#N#D#\r\n"
              "_______________________________\r\n#H#E#A#D#E#R#0#2#\r\nnew\r\n#E#N#D#\r\n");
    EXPECT_FALSE(layout::ReadBlocks(layout::Style::Ini, "[0x00000000]\r\na\r\n[0x00000002]\r\nb\r\n"));
    EXPECT_FALSE(layout::ReadBlocks(layout::Style::Zivora, "_______________________________\r\n#H#\r\na\r\n"));
}

TEST(Update, BlocksThatMoveKeepTheirTranslation) {
    const PoFile pot = ReadPo("msgctxt \"0:0\"\nmsgid \"Same\"\nmsgstr \"\"\n\n"
                              "msgctxt \"0:1\"\nmsgid \"Changed now\"\nmsgstr \"\"\n\n"
                              "msgctxt \"0:3\"\nmsgid \"Gone\"\nmsgstr \"\"\n",
                              "new.pot");
    // "Gone" moved from block 2 to block 3: its translation follows it.
    const PoFile old = ReadPo("# mine\nmsgctxt \"0:0\"\nmsgid \"Same\"\nmsgstr \"Gleich\"\n\n"
                              "msgctxt \"0:1\"\nmsgid \"Changed\"\nmsgstr \"Anders\"\n\n"
                              "msgctxt \"0:2\"\nmsgid \"Gone\"\nmsgstr \"Weg\"\n",
                              "old.po");
    UpdateCounts counts;
    const PoFile merged = UpdateTranslation(pot, old, counts);
    ASSERT_EQ(merged.messages.size(), 3u);
    EXPECT_EQ(merged.messages[0].Str(), "Gleich");
    EXPECT_EQ(merged.messages[0].comments, std::vector<std::string>{"mine"});
    EXPECT_FALSE(merged.messages[0].Fuzzy());
    EXPECT_EQ(merged.messages[1].Str(), "Anders");
    EXPECT_TRUE(merged.messages[1].Fuzzy());
    EXPECT_EQ(merged.messages[1].previousId, "Changed");
    EXPECT_EQ(merged.messages[2].context, "0:3");
    EXPECT_EQ(merged.messages[2].Str(), "Weg");
    EXPECT_FALSE(merged.messages[2].Fuzzy());
    EXPECT_EQ(merged.messages[2].previousContext, "0:2");
    EXPECT_EQ(counts.kept + counts.moved + counts.fuzzy + counts.added + counts.obsolete, 3u);
    EXPECT_EQ(counts.moved, 1u);
}

namespace {

// A PO file of entry 0's blocks (and entry 1's), each "source=translation".
PoFile Entries(const std::vector<std::string>& zero, const std::vector<std::string>& one) {
    std::string text;
    for (size_t e = 0; e < 2; ++e)
        for (size_t b = 0; b < (e == 0 ? zero : one).size(); ++b) {
            const std::string& item = (e == 0 ? zero : one)[b];
            const size_t eq = item.find('=');
            text += "msgctxt \"" + std::to_string(e) + ":" + std::to_string(b) + "\"\nmsgid \"" + item.substr(0, eq) +
                    "\"\nmsgstr \"" + (eq == std::string::npos ? "" : item.substr(eq + 1)) + "\"\n\n";
        }
    return ReadPo(text, "f.po");
}

} // namespace

TEST(Update, TranslationsFollowTheirTextWithinTheEntry) {
    const PoFile old = Entries({"New game=Neues Spiel", "Load=Laden", "Options=Optionen", "Quit=Beenden"}, {"Yes=Ja"});
    struct Case {
        const char* what;
        std::vector<std::string> zero, one;
        std::vector<std::string> expected; // entry 0's, "*" after a fuzzy one
        size_t kept, moved, fuzzy, added, obsolete;
    } cases[] = {
        {"inserted at the start", {"Intro", "New game", "Load", "Options", "Quit"}, {"Yes"},
         {"", "Neues Spiel", "Laden", "Optionen", "Beenden"}, 1, 4, 0, 1, 0},
        {"inserted in the middle", {"New game", "Load", "Credits", "Options", "Quit"}, {"Yes"},
         {"Neues Spiel", "Laden", "", "Optionen", "Beenden"}, 3, 2, 0, 1, 0},
        {"inserted at the end", {"New game", "Load", "Options", "Quit", "Extras"}, {"Yes"},
         {"Neues Spiel", "Laden", "Optionen", "Beenden", ""}, 5, 0, 0, 1, 0},
        // "Load" now in entry 1 takes no translation from entry 0.
        {"deleted", {"New game", "Options", "Quit"}, {"Yes", "Load"}, {"Neues Spiel", "Optionen", "Beenden"}, 2, 2, 0,
         1, 1},
        {"changed and inserted", {"New game", "Load game", "Options", "Cheats", "Quit"}, {"Yes"},
         {"Neues Spiel", "Laden*", "Optionen", "", "Beenden"}, 3, 1, 1, 1, 0},
    };
    for (const Case& c : cases) {
        UpdateCounts counts;
        const PoFile merged = UpdateTranslation(Entries(c.zero, c.one), old, counts);
        std::vector<std::string> got;
        for (const PoMessage& m : merged.messages) {
            if (m.context && m.context->rfind("0:", 0) == 0 && !m.obsolete) got.push_back(m.Str() + (m.Fuzzy() ? "*" : ""));
            if (m.context == "1:1") {
                EXPECT_EQ(m.Str(), "") << c.what;
            }
        }
        EXPECT_EQ(got, c.expected) << c.what;
        EXPECT_EQ(counts.kept, c.kept) << c.what;
        EXPECT_EQ(counts.moved, c.moved) << c.what;
        EXPECT_EQ(counts.fuzzy, c.fuzzy) << c.what;
        EXPECT_EQ(counts.added, c.added) << c.what;
        EXPECT_EQ(counts.obsolete, c.obsolete) << c.what;
        // What is written reads back, and gettext would read it: a moved
        // message's previous msgctxt comes with its previous msgid.
        for (const PoMessage& m : merged.messages) {
            if (m.previousContext) {
                EXPECT_TRUE(m.previousId) << c.what;
            }
        }
        EXPECT_EQ(WritePo(ReadPo(WritePo(merged), "m.po")), WritePo(merged)) << c.what;
    }
}

TEST(Po, FilesWithoutMessagesAndWideFilesAreRefused) {
    const std::pair<std::string, std::string> cases[] = {
        {"# a comment\rmsgctxt \"0:0\"\rmsgid \"a\"\rmsgstr \"b\"\r",
         "Damaged translation f.po: no messages (its lines end in a carriage return alone, as on old Macs: save it "
         "with line feeds)"},
        // As Poedit writes it, from the header on: the one line fails.
        {"msgid \"\"\rmsgstr \"Language: de\\n\"\r\rmsgid \"a\"\rmsgstr \"b\"\r",
         "Damaged translation f.po: line 1: its lines end in a carriage return alone, as on old Macs: save it with "
         "line feeds"},
        {"msgid \"\"\nmsgstr \"Language: de\\n\"\n", "Damaged translation f.po: no messages (nothing after the header)"},
        {"", "Damaged translation f.po: no messages (the file is empty)"},
        {std::string("\xFF\xFEm\0s\0g\0", 8), "f.po is UTF-16: save it as UTF-8"},
        {std::string("m\0s\0g\0", 6), "f.po is UTF-16: save it as UTF-8"},
        {std::string("\xFF\xFE\0\0m\0\0\0", 8), "f.po is UTF-32: save it as UTF-8"},
    };
    for (const auto& [text, message] : cases) EXPECT_EQ(pwtest::ErrorOf([&] { ReadPo(text, "f.po"); }), message);
    // Parameters after the charset do not count.
    const PoFile po = ReadPo("msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8; format=flowed\\n\"\n\n"
                             "msgid \"a\"\nmsgstr \"b\"\n",
                             "f.po");
    EXPECT_EQ(po.messages.size(), 2u);
}

TEST(Layout, ReplacedTextsLeaveEveryOtherByte) {
    // Zivora style: an empty block, a block with line feeds alone, a tail.
    const std::string zivora = "_______________________________\r\n#H#E#A#D#E#R#0#0#\r\nOne\r\n#E#N#D#\r\n"
                               "_______________________________\r\n#H#E#A#D#E#R#0#1#\r\n#E#N#D#\r\n"
                               "_______________________________\n#H#E#A#D#E#R#0#2#\nA\nB\n#E#N#D#\n"
                               "tail";
    EXPECT_EQ(layout::ReplaceTexts(layout::Style::Zivora, zivora, {{0, "Eins\nzwei"}, {2, "X"}}),
              "_______________________________\r\n#H#E#A#D#E#R#0#0#\r\nEins\r\nzwei\r\n#E#N#D#\r\n"
              "_______________________________\r\n#H#E#A#D#E#R#0#1#\r\n#E#N#D#\r\n"
              "_______________________________\n#H#E#A#D#E#R#0#2#\nX\n#E#N#D#\n"
              "tail");
    // INI style: a line feed alone and bytes after a zero byte stay.
    const std::string ini =
        std::string("[0x00000000]\r\nA\nB\r\n[0x00000001]\r\nOld\r\n[0x00000002]\r\n\r\n\0junk", 59);
    EXPECT_EQ(layout::ReplaceTexts(layout::Style::Ini, ini, {{1, "Neu\nzwei"}}),
              std::string("[0x00000000]\r\nA\nB\r\n[0x00000001]\r\nNeu\r\nzwei\r\n[0x00000002]\r\n\r\n\0junk", 65));
    EXPECT_FALSE(layout::ReplaceTexts(layout::Style::Zivora, zivora, {{3, "x"}}));
}
