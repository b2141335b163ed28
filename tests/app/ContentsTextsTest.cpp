// Translation from the contents window: the buttons only for a pack with
// numbered texts, the export, the import's results with every refusal, the
// patch saved from them; and the preview's numbered blocks.
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "AppFixture.h"
#include "app/browse/Contents.h"
#include "app/browse/DiffView.h"
#include "app/browse/Preview.h"
#include "app/browse/TranslationWindow.h"
#include "packs/patch/PatchFile.h"

namespace {

const std::string Ini = "[0x00000000]\r\nStart\r\n[0x00000001]\r\nQuit %s\r\n";
const std::string Zivora = "_______________________________\r\n#H#E#A#D#E#R#0#0#\r\nOne\r\n#E#N#D#\r\n"
                           "_______________________________\r\n#H#E#A#D#E#R#0#1#\r\nTwo\r\nlines\r\n#E#N#D#\r\n";

class ContentsTextsTest : public AppTest {};

void Translate(std::string& po, const std::string& source, const std::string& translation) {
    const std::string from = "msgid \"" + source + "\"\nmsgstr \"\"";
    po.replace(po.find(from), from.size(), "msgid \"" + source + "\"\nmsgstr \"" + translation + "\"");
}

TEST_F(ContentsTextsTest, ExportImportAndSaveThePatch) {
    MakePack("in/PLAIN", {{"a.dat", "data"}});
    pw::TContentsForm* plain = w->ShowContents(Path("in/PLAIN.fat"));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->BExportTexts, nullptr);

    MakePack("in/MENU", {{"menu.txt", Ini}, {"a.dat", "data"}, {"talk.txt", Zivora}});
    pw::TContentsForm* form = w->ShowContents(Path("in/MENU.fat"));
    ASSERT_NE(form, nullptr);
    ASSERT_NE(form->BExportTexts, nullptr);
    form->show();
    QCoreApplication::processEvents();
    for (QPushButton* b : {form->BExportTexts, form->BImportTranslation}) // whole texts shown
        EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()) + 6, b->width()) << b->text().toStdString();
    // The code page from a list with the scripts' names; the template's
    // own is chosen first the next time.
    dialogs.choices = {1, 1};
    dialogs.folders = {Path("out"), Path("out")};
    form->BExportTexts->click();
    ASSERT_FALSE(dialogs.boxes.empty());
    EXPECT_EQ(dialogs.boxes.back().text.toStdString(), ("Exported 4 messages to " + Path("out/MENU.pot")).toStdString());
    ASSERT_EQ(dialogs.choiceItems.size(), 1u);
    EXPECT_EQ(dialogs.choiceItems[0][1], QStringLiteral("windows-1251 — Cyrillic"));
    EXPECT_EQ(dialogs.choiceStarts[0], 2); // windows-1252
    form->BExportTexts->click();
    EXPECT_EQ(dialogs.choiceStarts.at(1), 1);
    EXPECT_EQ(dialogs.folderStarts.back(), Path("out"));
    std::string po = Read(Path("out/MENU.pot"));
    ASSERT_NE(po.find("msgctxt \"2:1\"\nmsgid \"\"\n\"Two\\n\"\n\"lines\"\nmsgstr \"\""), std::string::npos) << po;

    // One message refused: the results list it, and nothing can be saved.
    std::string bad = po;
    Translate(bad, "Quit %s", "Ende %d");
    Write("bad.po", bad);
    dialogs.opens.push_back({{Path("bad.po")}, 1});
    form->BImportTranslation->click();
    ASSERT_NE(form->Translation, nullptr);
    EXPECT_FALSE(form->Translation->BSavePatch->isEnabled());
    ASSERT_EQ(form->Translation->Results->count(), 2);
    EXPECT_TRUE(form->Translation->Results->item(1)->text().contains("refused: ")) << 1;
    EXPECT_EQ(form->Translation->Summary->text(),
              QStringLiteral("1 problem in 1 message: nothing can be saved until they are mended."));
    EXPECT_EQ(dialogs.openSetups.back().start, Path("out")); // where the templates went

    Translate(po, "Start", "Los");
    Write("de.po", po);
    dialogs.opens.push_back({{Path("de.po")}, 1});
    form->BImportTranslation->click();
    ASSERT_NE(form->Translation, nullptr);
    EXPECT_EQ(form->Translation->Results->item(0)->text(),
              QStringLiteral("de.po (MENU.fat): 1 translated, 3 untranslated, 0 fuzzy, 0 stale, 0 refused"));
    ASSERT_TRUE(form->Translation->BSavePatch->isEnabled());
    // The entry that changes, with its texts before and after.
    ASSERT_EQ(form->Translation->Changes->count(), 1);
    EXPECT_EQ(form->Translation->Changes->item(0)->text(), QStringLiteral("MENU.fat: menu.txt (entry 0)"));
    for (int i = 0; i < 200 && form->Translation->Diff->Busy(); ++i) QTest::qWait(10);
    EXPECT_EQ(form->Translation->Diff->Current().changed, 1);
    dialogs.details.push_back(pw::PatchDetails{"Deutsch", "Ich", "1.0", ""});
    dialogs.saves.push_back(Path("de.pwpatch"));
    form->Translation->BSavePatch->click();
    const pw::patch::PatchFile patch(Path("de.pwpatch").toStdString());
    EXPECT_EQ(patch.Info().title, "Deutsch");
    EXPECT_EQ(patch.Info().author, "Ich");
    ASSERT_EQ(patch.Packs().size(), 1u);
    ASSERT_EQ(patch.Packs()[0].entries.size(), 1u);
    EXPECT_EQ(patch.Packs()[0].entries[0].index, 0u);

    // A header that lost the code page: the window asks for it, the
    // template's own first.
    const std::string line = "\"X-Packwright-Codepage: windows-1251\\n\"\n";
    ASSERT_NE(po.find(line), std::string::npos);
    po.erase(po.find(line), line.size());
    Write("lost.po", po);
    dialogs.opens.push_back({{Path("lost.po")}, 1});
    dialogs.choices.push_back(1);
    form->BImportTranslation->click();
    EXPECT_EQ(dialogs.choiceStarts.back(), 1);
    ASSERT_NE(form->Translation, nullptr);
    EXPECT_TRUE(form->Translation->BSavePatch->isEnabled());
}

TEST(PreviewChoice, NumberedBlocksInBothLayouts) {
    const pw::Preview z = pw::MakePreview("TXT", QByteArray::fromStdString(Zivora), qint64(Zivora.size()));
    EXPECT_EQ(z.blocks, "[0]\nOne\n\n[1]\nTwo\nlines\n\n");
    EXPECT_TRUE(z.info.contains("2 Zivora-style blocks")) << z.info.toStdString();
    const std::string withCodes = Ini + "[0x00000002]\r\n\x01red\r\n";
    const pw::Preview i = pw::MakePreview("DAT", QByteArray::fromStdString(withCodes), qint64(withCodes.size()));
    EXPECT_EQ(i.kind, pw::PreviewKind::Text);
    EXPECT_TRUE(i.blocks.startsWith("[0]\nStart\n\n[1]\nQuit %s\n\n[2]\n")) << i.blocks.toStdString();
}

} // namespace
