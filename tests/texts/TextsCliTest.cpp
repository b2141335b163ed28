// texts export, import and update as a translator runs them, with gettext's
// own tools (msgfmt, msgcat, msgen) as the judges of the PO files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "cli/CliRunner.h"
#include "packs/texts/Po.h"
#include "textobject/layout/TextLayout.h"

using namespace pwtest;
using pw::texts::PoFile;
using pw::texts::ReadPo;
using pw::texts::WritePo;

namespace {

const std::string Ini = "[0x00000000]\r\nStart game\r\n[0x00000001]\r\nLoad %s\r\nnow\r\n"
                        "[0x00000002]\r\nCaf\xE9 \x01red\x02\r\n[0x00000003]\r\n\r\n";
const std::string Zivora = "_______________________________\r\n#H#E#A#D#E#R#0#0#\r\nHello\r\n#E#N#D#\r\n"
                           "_______________________________\r\n#H#E#A#D#E#R#0#1#\r\nBye %d\r\n#E#N#D#\r\n";

struct Game {
    TempDir dir;
    Game() {
        MakeDir(dir / "game");
        PackDesign design;
        design.Entries = {{"menu.txt", Ini}, {"pic.tga", std::string("\0\1\2", 3)}, {"talk.txt", Zivora}};
        WritePack(dir / "game/MENU.fat", design);
    }
    int Sh(const std::string& command) const { return std::system(("cd '" + dir.Path() + "' && " + command).c_str()); }
    // The template exported, its translations set by msgctxt.
    std::string Translated(const std::vector<std::pair<std::string, std::string>>& strs) const {
        PoFile po = ReadPo(ReadFile(dir / "out/MENU.pot"), "MENU.pot");
        for (auto& m : po.messages)
            for (const auto& [context, str] : strs)
                if (m.context == context) m.strs = {str};
        return WritePo(po);
    }
};

} // namespace

TEST(TextsCli, ExportTranslateImportApplyRoundTrip) {
    Game g;
    const CliResult ex = RunCli({"texts", "export", "--output", g.dir / "out", "--source", g.dir / "game"});
    ASSERT_EQ(ex.Exit, 0) << ex.Err;
    EXPECT_NE(ex.Err.find("Exported 5 messages to 1 template"), std::string::npos) << ex.Err;
    const std::string pot = ReadFile(g.dir / "out/MENU.pot");
    EXPECT_NE(pot.find("#. menu.txt, INI-style\n#: MENU.fat:0\nmsgctxt \"0:2\"\nmsgid \"Café {0x01}red{0x02}\""),
              std::string::npos);
    // gettext reads it as written, and checks it once it has a language.
    ASSERT_EQ(g.Sh("msgcat --no-wrap out/MENU.pot -o cat.pot && cmp -s cat.pot out/MENU.pot"), 0);
    ASSERT_EQ(g.Sh("msgcat out/MENU.pot -o wrapped.pot"), 0);
    EXPECT_EQ(WritePo(ReadPo(ReadFile(g.dir / "wrapped.pot"), "w")), pot);
    ASSERT_EQ(g.Sh("sed 's/^\"Language: /&de/' out/MENU.pot > de.po && msgfmt --check -o /dev/null de.po 2>/dev/null"),
              0);

    // Every translation equal to its source changes nothing.
    ASSERT_EQ(g.Sh("msgen out/MENU.pot -o en.po"), 0);
    const CliResult same = RunCli({"texts", "import", "--output", g.dir / "en.pwpatch", "--source", g.dir / "game",
                                   g.dir / "en.po"});
    EXPECT_EQ(same.Exit, 1);
    EXPECT_NE(same.Err.find("Nothing to put in patch"), std::string::npos) << same.Err;

    WriteFile(g.dir / "tr.po", g.Translated({{"0:0", "Spiel starten"}, {"0:2", "Kaffee {0x01}rot{0x02}"},
                                            {"2:1", "Tschüss %d"}}));
    const CliResult im = RunCli({"texts", "import", "--output", g.dir / "de.pwpatch", "--source", g.dir / "game",
                                 "--title", "Deutsch", g.dir / "tr.po"});
    ASSERT_EQ(im.Exit, 0) << im.Err;
    const CliResult ap = RunCli({"apply", "--target", g.dir / "new", "--source", g.dir / "game", g.dir / "de.pwpatch"});
    ASSERT_EQ(ap.Exit, 0) << ap.Err;
    const ReadBack back = ReadPack(g.dir / "new/MENU.fat");
    EXPECT_EQ(back.EntryData(0), "[0x00000000]\r\nSpiel starten\r\n[0x00000001]\r\nLoad %s\r\nnow\r\n"
                                 "[0x00000002]\r\nKaffee \x01rot\x02\r\n[0x00000003]\r\n\r\n");
    EXPECT_EQ(back.EntryData(1), std::string("\0\1\2", 3));
    EXPECT_EQ(back.EntryData(2), "_______________________________\r\n#H#E#A#D#E#R#0#0#\r\nHello\r\n#E#N#D#\r\n"
                                 "_______________________________\r\n#H#E#A#D#E#R#0#1#\r\nTsch\xFCss %d\r\n#E#N#D#\r\n");
}

TEST(TextsCli, EveryProblemIsListedAndNothingWritten) {
    Game g;
    ASSERT_EQ(RunCli({"texts", "export", "--output", g.dir / "out", g.dir / "game/MENU.fat"}).Exit, 0);
    std::string po = g.Translated({{"0:0", "Spiel [0x0]"},            // a header in an INI-style block
                                   {"0:1", "Lade %d\njetzt"},          // a placeholder changed
                                   {"0:2", "Kaffee {0x01}rot ā"},      // a control code lost, not in windows-1252
                                   {"2:0", "Grüß dich ā"},             // not in windows-1252
                                   {"2:1", "Tschüss %d\n#E#N#D#"}});  // the end line of a Zivora block
    po += "\nmsgctxt \"1:0\"\nmsgid \"x\"\nmsgstr \"y\"\n";            // no text entry
    WriteFile(g.dir / "bad.po", po);
    const std::vector<std::string> args = {"texts", "import", "--output", g.dir / "bad.pwpatch",
                                           "--source", g.dir / "game", g.dir / "bad.po"};
    const CliResult plan = RunCli({"texts", "import", "--plan", "--source", g.dir / "game", g.dir / "bad.po"});
    EXPECT_EQ(plan.Exit, 1);
    EXPECT_NE(plan.Out.find("0 translated, 0 untranslated, 0 fuzzy, 0 stale, 6 refused"), std::string::npos)
        << plan.Out;
    EXPECT_NE(plan.Err.find("7 problems in 6 messages: nothing written"), std::string::npos) << plan.Err;
    const CliResult run = RunCli(args);
    EXPECT_EQ(run.Exit, 1);
    for (const char* part : {"block 0: the translation cannot be stored: it holds \"[0x\"",
                             "block 1: its placeholders differ from the source's (source: %s; translation: %d)",
                             "block 2: its control codes differ from the source's (source: {0x01} {0x02}; translation: {0x01})",
                             "block 0: the code page windows-1252 cannot hold U+0101 (ā)",
                             "a line of it is \"#E#N#D#\"", "msgctxt \"1:0\" names no block of a text entry"})
        EXPECT_NE(run.Err.find(part), std::string::npos) << part << "\n" << run.Err;
    EXPECT_FALSE(FileExists(g.dir / "bad.pwpatch"));

    // A message whose source the game no longer has is stale, not an error;
    // fuzzy ones wait for --fuzzy.
    po = g.Translated({{"0:0", "Spiel starten"}, {"2:0", "Hallo"}, {"2:1", "Tschüss %d"}});
    const size_t at = po.find("msgid \"Start game\"");
    po.replace(at, 18, "msgid \"Begin game\"");
    po.replace(po.find("msgctxt \"2:0\""), 0, "#, fuzzy\n");
    WriteFile(g.dir / "stale.po", po);
    const CliResult stale = RunCli({"texts", "import", "--plan", "--source", g.dir / "game", g.dir / "stale.po"});
    EXPECT_EQ(stale.Exit, 0) << stale.Err;
    EXPECT_NE(stale.Out.find("1 translated, 2 untranslated, 1 fuzzy, 1 stale, 0 refused"), std::string::npos)
        << stale.Out;

    // A damaged translation names its line; nothing is written.
    WriteFile(g.dir / "damaged.po", "msgid \"a\"\nmsgstr \"b\"\nmsgstr \"c\"\n");
    const CliResult damaged = RunCli({"texts", "import", "--output", g.dir / "d.pwpatch", "--source", g.dir / "game",
                                      g.dir / "stale.po", g.dir / "damaged.po"});
    EXPECT_EQ(damaged.Exit, 1);
    EXPECT_NE(damaged.Err.find("Damaged translation " + g.dir / "damaged.po" + ": line 3: a second msgstr"),
              std::string::npos)
        << damaged.Err;
    EXPECT_FALSE(FileExists(g.dir / "d.pwpatch"));
}

TEST(TextsCli, AnEntryOutsideTheDataFileIsSkipped) {
    Game g;
    // talk.txt, the last entry, starts in the third block: cut the data file there.
    std::filesystem::resize_file(g.dir / "game/MENU.mix", 2 * 2048);
    const CliResult ex = RunCli({"texts", "export", "--output", g.dir / "out", g.dir / "game/MENU.fat"});
    ASSERT_EQ(ex.Exit, 0) << ex.Err;
    const std::string pot = ReadFile(g.dir / "out/MENU.pot");
    EXPECT_NE(pot.find("#. menu.txt, INI-style"), std::string::npos);
    EXPECT_EQ(pot.find("talk.txt"), std::string::npos);
}

TEST(TextsCli, FilesSplittingAPackAndTheirCodePage) {
    Game g;
    // A Zivora-style entry with an empty block beside the one translated.
    const std::string talk = "_______________________________\r\n#H#E#A#D#E#R#0#0#\r\nHi\r\n#E#N#D#\r\n"
                             "_______________________________\r\n#H#E#A#D#E#R#0#1#\r\n#E#N#D#\r\n"
                             "_______________________________\n#H#E#A#D#E#R#0#2#\nBye\n#E#N#D#\n";
    PackDesign design;
    design.Entries = {{"talk.txt", talk}};
    WritePack(g.dir / "game/TALK.fat", design);
    ASSERT_EQ(RunCli({"texts", "export", "--output", g.dir / "out/deep/er", g.dir / "game/TALK.fat",
                      g.dir / "game/MENU.fat"})
                  .Exit,
              0);
    ASSERT_TRUE(FileExists(g.dir / "out/deep/er/TALK.pot"));
    std::filesystem::rename(g.dir / "out/deep/er/MENU.pot", g.dir / "out/MENU.pot");
    // One translator has a block translated that the other left fuzzy or empty.
    std::string first = g.Translated({{"0:0", "Spiel starten"}, {"2:0", "Anders"}});
    first.replace(first.find("msgctxt \"2:0\""), 0, "#, fuzzy\n");
    WriteFile(g.dir / "a.po", first);
    WriteFile(g.dir / "b.po", g.Translated({{"2:0", "Hallo"}, {"0:0", "Spiel starten"}}));
    PoFile talkPo = ReadPo(ReadFile(g.dir / "out/deep/er/TALK.pot"), "TALK.pot");
    talkPo.messages[1].strs = {"Hallo"};
    WriteFile(g.dir / "talk.po", WritePo(talkPo));
    const CliResult im = RunCli({"texts", "import", "--output", g.dir / "de.pwpatch", "--source", g.dir / "game",
                                 g.dir / "a.po", g.dir / "b.po", g.dir / "talk.po"});
    ASSERT_EQ(im.Exit, 0) << im.Err;
    ASSERT_EQ(RunCli({"apply", "--target", g.dir / "new", "--source", g.dir / "game", g.dir / "de.pwpatch"}).Exit, 0);
    EXPECT_NE(ReadPack(g.dir / "new/MENU.fat").EntryData(2).find("\r\nHallo\r\n"), std::string::npos);
    std::string expected = talk;
    expected.replace(expected.find("Hi"), 2, "Hallo");
    EXPECT_EQ(ReadPack(g.dir / "new/TALK.fat").EntryData(0), expected);
    // Two different translations of one block, both to be used.
    const CliResult twice = RunCli({"texts", "import", "--fuzzy", "--plan", "--source", g.dir / "game", g.dir / "a.po",
                                    g.dir / "b.po"});
    EXPECT_EQ(twice.Exit, 1);
    EXPECT_NE(twice.Out.find("block 0: its block is translated twice"), std::string::npos) << twice.Out;
    // --plan names each refusal once, on standard output.
    EXPECT_EQ(twice.Err.find("translated twice"), std::string::npos) << twice.Err;
    EXPECT_NE(twice.Err.find("1 problem in 1 message"), std::string::npos) << twice.Err;

    // A header that lost the code page, and a code page that contradicts it.
    std::string lost = ReadFile(g.dir / "b.po");
    lost.erase(lost.find("\"X-Packwright-Codepage"), std::string("\"X-Packwright-Codepage: windows-1252\\n\"\n").size());
    WriteFile(g.dir / "lost.po", lost);
    const std::string missing = g.dir / "lost.po" +
                                ": its header has no X-Packwright-Codepage (the game's code page): give it with --codepage";
    const CliResult noPage = RunCli({"texts", "import", "--plan", "--source", g.dir / "game", g.dir / "lost.po"});
    EXPECT_NE(noPage.Out.find(missing), std::string::npos) << noPage.Out;
    EXPECT_EQ(RunCli({"texts", "import", "--plan", "--codepage", "1252", "--source", g.dir / "game", g.dir / "lost.po"})
                  .Exit,
              0);
    const CliResult other = RunCli({"texts", "import", "--plan", "--codepage", "windows-1251", "--source",
                                    g.dir / "game", g.dir / "b.po"});
    EXPECT_NE(other.Out.find("--codepage windows-1251 differs from its header's X-Packwright-Codepage windows-1252"),
              std::string::npos)
        << other.Out;
    const CliResult update = RunCli({"texts", "update", "--pot", g.dir / "out/MENU.pot", g.dir / "lost.po"});
    EXPECT_EQ(update.Exit, 1);
    EXPECT_NE(update.Err.find(missing), std::string::npos) << update.Err;
    const CliResult mended =
        RunCli({"texts", "update", "--codepage", "1252", "--pot", g.dir / "out/MENU.pot", g.dir / "lost.po"});
    ASSERT_EQ(mended.Exit, 0) << mended.Err;
    EXPECT_NE(mended.Out.find("X-Packwright-Codepage: windows-1252"), std::string::npos);
    EXPECT_NE(mended.Err.find("5 kept, 0 moved, 0 fuzzy, 0 new, 0 obsolete"), std::string::npos) << mended.Err;
}

TEST(TextsCli, TemplatesLetGettextCheckPlaceholders) {
    Game g;
    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    const CliResult ex = RunCli({"texts", "export", "--output", g.dir / "out", g.dir / "game/MENU.fat"});
    unsetenv("SOURCE_DATE_EPOCH");
    ASSERT_EQ(ex.Exit, 0) << ex.Err;
    const std::string pot = ReadFile(g.dir / "out/MENU.pot");
    EXPECT_NE(pot.find("\"POT-Creation-Date: 2023-11-14 22:13+0000\\n\""), std::string::npos) << pot;
    EXPECT_NE(pot.find("#, c-format\nmsgctxt \"0:1\""), std::string::npos) << pot;
    EXPECT_EQ(pot.find("#, c-format\nmsgctxt \"0:0\""), std::string::npos) << pot;
    // msgfmt finds a placeholder changed while the translator works.
    WriteFile(g.dir / "de.po", g.Translated({{"0:1", "Lade %d\njetzt"}}));
    EXPECT_NE(g.Sh("sed -i 's/^\"Language: /&de/' de.po && msgfmt --check -o /dev/null de.po 2>/dev/null"), 0);
    // A template of several characters the code page cannot hold is one line.
    WriteFile(g.dir / "ru.po", g.Translated({{"0:0", "АБВ"}}));
    const CliResult ru = RunCli({"texts", "import", "--plan", "--source", g.dir / "game", g.dir / "ru.po"});
    EXPECT_NE(ru.Out.find("cannot hold U+0410 (А), U+0411 (Б), U+0412 (В)\n"), std::string::npos) << ru.Out;
}
