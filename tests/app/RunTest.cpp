// Runs over the list: extraction, insertion, cancel, errors, Stop, and
// what the window's other commands do while a run works.
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

#include "AppFixture.h"
#include "packs/TextLines.h"

namespace {

std::string Lines(std::initializer_list<QString> lines) {
    std::string out;
    for (const QString& line : lines) out += line.toStdString() + "\r\n";
    return out;
}


} // namespace

class RunTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        MakePack("in/MENU", {{"a.txt", "hello"}, {"b.txt", ""}, {"c.dat", "1234567"}});
        MakePack("in/FONT", {{"x.Tga", std::string(3000, 'x')}});
    }
    // Many entries, so a run lets events run often inside one pack.
    void MakeBigPack(const QString& relative, int entries) {
        std::vector<Entry> list;
        for (int i = 0; i < entries; ++i) list.push_back({"e.bin", std::string(10, char('a' + i % 26))});
        MakePack(relative, list);
    }
    bool LastBoxIs(const char* kind, const QString& text, const QString& caption) {
        if (dialogs.boxes.empty()) return false;
        const auto& box = dialogs.boxes.back();
        return box.kind == kind && box.text == text && box.caption == caption;
    }
};

TEST_F(RunTest, ExtractsTwoPacksAndWritesTheResultLog) {
    Add({Path("in/MENU.fat"), Path("in/FONT.fat")}, 1);
    const QString out = Path("out");
    dialogs.folders.push_back(out);
    w->BProcess->click();

    EXPECT_EQ(Read(out + "/result.log"),
              Lines({"#Format: FAT", "#Source: " + Path("in/MENU.fat"), Path("out/MENU/TXT/00000000.txt"),
                     "NULL", Path("out/MENU/DAT/00000002.dat"), "#Format: FAT",
                     "#Source: " + Path("in/FONT.fat"), Path("out/FONT/TGA/00000000.tga")}));
    EXPECT_EQ(Read(out + "/MENU/TXT/00000000.txt"), "hello");
    EXPECT_EQ(Read(out + "/MENU/DAT/00000002.dat"), "1234567");
    EXPECT_EQ(Read(out + "/FONT/TGA/00000000.tga"), std::string(3000, 'x'));
    EXPECT_TRUE(LastBoxIs("info", "Operation complete!", "Process status:"));
    EXPECT_EQ(dialogs.boxes.size(), 1u);

    // After the run: the byte total, empty captions, bars at 0.
    EXPECT_EQ(w->Results->toPlainText(), "Total 3012 bytes extracted.");
    EXPECT_EQ(w->CurrentMessage->text(), "");
    EXPECT_EQ(w->Extracted->text(), "");
    EXPECT_EQ(w->Progress->value(), 0);
    EXPECT_EQ(w->Total->value(), 0);
    EXPECT_FALSE(w->Stop->isEnabled());
    EXPECT_FALSE(w->SaveLog->isEnabled()); // the pane was empty after each item
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(out).canonicalPath());
    EXPECT_EQ(w->Run.TargetDir, out.toStdString());
}

TEST_F(RunTest, ScannedPacksExtractBelowTheirFolders) {
    dialogs.dirForms.push_back([&](TDirForm& form) {
        form.ScanDir->setText(Path("in"));
        return 1;
    });
    w->ProcessDir->click();
    ASSERT_EQ(w->LogList->count(), 2);
    const QString out = Path("out");
    dialogs.folders.push_back(out);
    w->BProcess->click();
    EXPECT_EQ(Read(out + "/MENU/TXT/00000000.txt"), "hello");
    EXPECT_EQ(Read(out + "/FONT/TGA/00000000.tga"), std::string(3000, 'x'));
}

TEST_F(RunTest, BarsAndButtonsDuringAnItem) {
    MakeBigPack("in/BIG", 300);
    Add({Path("in/BIG.fat")}, 1);
    dialogs.folders.push_back(Path("out"));
    std::vector<int> progress;
    bool stopSeen = false;
    QString status;
    DuringRun watch([&] {
        if (!w->Running()) return false;
        progress.push_back(w->Progress->value());
        stopSeen = stopSeen || w->Stop->isEnabled();
        if (status.isEmpty()) status = w->CurrentMessage->text();
        // The user types into the pane while the run works.
        if (w->Results->document()->isEmpty()) w->Results->setPlainText("note");
        return false;
    });
    w->BProcess->click();
    EXPECT_TRUE(stopSeen);
    EXPECT_EQ(status, "Processing BIG.fat...");
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_GT(progress.back(), 50);
    // The pane held text after the item: Save results is on.
    EXPECT_TRUE(w->SaveLog->isEnabled());
    EXPECT_EQ(w->Results->toPlainText(), "note\nTotal 3000 bytes extracted.");
}

TEST_F(RunTest, CancelledFolderPrompt) {
    Add({Path("in/MENU.fat")}, 1);
    w->Results->setPlainText("old text");
    w->Run.ResultLines = {"stale"};
    dialogs.folders.push_back(std::nullopt);
    w->BProcess->click();
    EXPECT_TRUE(w->Results->document()->isEmpty());
    EXPECT_TRUE(w->Run.ResultLines.empty());
    EXPECT_FALSE(QFileInfo::exists(Path("in/MENU")));
    EXPECT_TRUE(LastBoxIs("info", "Operation complete!", "Process status:"));
    EXPECT_EQ(w->Extracted->text(), "Extracted: 0");

    // An empty list does nothing at all.
    w->BClearAll->click();
    w->BProcess->click();
    EXPECT_EQ(dialogs.boxes.size(), 1u);
}

TEST_F(RunTest, InsertsFromLogsAndLeavesNoResultLog) {
    Add({Path("in/MENU.fat")}, 1);
    dialogs.folders.push_back(Path("out"));
    w->BProcess->click();
    Write("out/MENU/TXT/00000000.txt", "HELLO, WORLD");

    Add({Path("out/result.log")}, 3);
    EXPECT_EQ(w->InputKind, 2);
    const QString rebuilt = Path("new");
    dialogs.folders.push_back(rebuilt);
    w->BProcess->click();
    EXPECT_TRUE(LastBoxIs("info", "Operation complete!", "Process status:"));
    EXPECT_FALSE(QFileInfo::exists(rebuilt + "/result.log"));
    const std::string mix = Read(rebuilt + "/MENU.mix");
    ASSERT_EQ(mix.size(), 4096u);
    EXPECT_EQ(mix.substr(0, 12), "HELLO, WORLD");
    EXPECT_EQ(mix.substr(2048, 7), "1234567");
    EXPECT_EQ(Read(rebuilt + "/MENU.fat").size(), 8u + 3 * 28);

    // A project list of logs reaches the insertion the same way.
    Write("list.lst", Path("out/result.log").toStdString() + "\r\n");
    Add({Path("list.lst")}, 2);
    EXPECT_EQ(w->InputKind, 3);
    dialogs.folders.push_back(Path("new2"));
    w->BProcess->click();
    EXPECT_EQ(Read(Path("new2/MENU.mix")), mix);
    EXPECT_FALSE(QFileInfo::exists(Path("new2/result.log")));
}

TEST_F(RunTest, AnErrorEndsTheRunInTheErrorBox) {
    QFile::remove(Path("in/FONT.mix"));
    Add({Path("in/MENU.fat"), Path("in/FONT.fat")}, 1);
    const QString out = Path("out");
    dialogs.folders.push_back(out);
    w->BProcess->click();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].kind, "error");
    EXPECT_EQ(dialogs.boxes[0].text, "Cannot open file " + Path("in/FONT.mix") + ".");
    EXPECT_FALSE(QFileInfo::exists(out + "/result.log"));
    EXPECT_EQ(Read(out + "/MENU/TXT/00000000.txt"), "hello"); // the first pack stays
    EXPECT_FALSE(w->Running());
    EXPECT_FALSE(w->Stop->isEnabled());

    // The window goes on: the next run works.
    delete w->LogList->takeItem(1);
    dialogs.folders.push_back(out);
    w->BProcess->click();
    EXPECT_TRUE(LastBoxIs("info", "Operation complete!", "Process status:"));
    EXPECT_TRUE(QFileInfo::exists(out + "/result.log"));
}

TEST_F(RunTest, SaveResults) {
    w->Results->setPlainText("first line\nsecond line");
    w->SaveLog->setEnabled(true);
    const QString file = Path("saved/out.txt");
    QDir().mkpath(Path("saved"));
    dialogs.saves.push_back(file);
    w->SaveLog->click();
    EXPECT_EQ(Read(file), "first line\r\nsecond line\r\n");
    ASSERT_EQ(dialogs.saveSetups.size(), 1u);
    EXPECT_EQ(dialogs.saveSetups[0].title, "Select target...");
    EXPECT_EQ(dialogs.saveSetups[0].filter, "Text files (*.txt)|*.txt");
    EXPECT_EQ(dialogs.saveSetups[0].defaultSuffix, "txt");
    EXPECT_TRUE(LastBoxIs("info", "out.txt", "Operation status"));
    EXPECT_FALSE(w->SaveLog->isEnabled());

    // Cancelled: nothing changes. Cannot create: the error box, no note.
    w->SaveLog->setEnabled(true);
    dialogs.saves.push_back(std::nullopt);
    w->SaveLog->click();
    EXPECT_TRUE(w->SaveLog->isEnabled());
    dialogs.saves.push_back(Path("nowhere/x.txt"));
    w->SaveLog->click();
    EXPECT_TRUE(LastBoxIs("error", "Cannot create file " + Path("nowhere/x.txt") + ".",
                          QCoreApplication::applicationName()));
    EXPECT_TRUE(w->SaveLog->isEnabled());
}

TEST_F(RunTest, StopDuringTheSecondPack) {
    MakeBigPack("in/BIG", 400);
    Add({Path("in/MENU.fat"), Path("in/BIG.fat"), Path("in/FONT.fat")}, 1);
    const QString out = Path("out");
    dialogs.folders.push_back(out);
    bool enabledAfterClick = true;
    DuringRun stopper([&] {
        if (!w->CurrentMessage->text().contains("BIG") || w->Progress->value() < 10) return false;
        w->Stop->click();
        enabledAfterClick = w->Stop->isEnabled();
        return true;
    });
    w->BProcess->click();
    EXPECT_FALSE(enabledAfterClick);
    EXPECT_TRUE(LastBoxIs("info", "Operation stopped!", "Process status:"));
    // Only the finished pack is named; the third was never started.
    EXPECT_EQ(pw::LoadLines((out + "/result.log").toStdString()),
              (std::vector<std::string>{"#Format: FAT", "#Source: " + Path("in/MENU.fat").toStdString(),
                                        Path("out/MENU/TXT/00000000.txt").toStdString(), "NULL",
                                        Path("out/MENU/DAT/00000002.dat").toStdString()}));
    EXPECT_FALSE(QFileInfo::exists(out + "/FONT"));
    EXPECT_FALSE(w->Stop->isEnabled());

    // The next run starts without the old request.
    w->LogList->clear();
    w->LogList->addItem(Path("in/FONT.fat"));
    dialogs.folders.push_back(out);
    w->BProcess->click();
    EXPECT_TRUE(LastBoxIs("info", "Operation complete!", "Process status:"));
    EXPECT_TRUE(QFileInfo::exists(out + "/FONT/TGA/00000000.tga"));
}

TEST_F(RunTest, StoppedRebuildLeavesNoPartialPack) {
    MakeBigPack("in/BIG", 400);
    Add({Path("in/BIG.fat")}, 1);
    dialogs.folders.push_back(Path("out"));
    w->BProcess->click();
    Add({Path("out/result.log")}, 3);
    dialogs.folders.push_back(Path("new"));
    DuringRun stopper([&] {
        if (!w->Stop->isEnabled() || w->Progress->value() < 10) return false;
        w->Stop->click();
        return true;
    });
    w->BProcess->click();
    EXPECT_TRUE(LastBoxIs("info", "Operation stopped!", "Process status:"));
    EXPECT_FALSE(QFileInfo::exists(Path("new/BIG.fat")));
    EXPECT_FALSE(QFileInfo::exists(Path("new/BIG.mix")));
}

TEST_F(RunTest, ClosingDuringARunStopsThenCloses) {
    MakeBigPack("in/BIG", 400);
    Add({Path("in/MENU.fat"), Path("in/BIG.fat"), Path("in/FONT.fat")}, 1);
    w->show();
    const QString out = Path("out");
    dialogs.folders.push_back(out);
    bool stillShown = false;
    DuringRun closer([&] {
        if (!w->CurrentMessage->text().contains("BIG") || w->Progress->value() < 10) return false;
        w->BExit->click();
        stillShown = w->isVisible();
        return true;
    });
    w->BProcess->click();
    EXPECT_TRUE(stillShown);     // the run finished its entry first
    EXPECT_FALSE(w->isVisible()); // then the window closed
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(pw::LoadLines((out + "/result.log").toStdString()).size(), 5u);
}

TEST_F(RunTest, CommandsDuringARunDoNoHarm) {
    MakeBigPack("in/BIG", 400);
    Add({Path("in/BIG.fat"), Path("in/MENU.fat"), Path("in/FONT.fat")}, 1);
    const QString out = Path("out");
    dialogs.folders.push_back(out);
    int step = 0;
    DuringRun meddler([&] {
        if (!w->Running() || w->Progress->value() < 10) return false;
        if (step == 0) {
            w->BProcess->click(); // ignored: no second prompt is asked for
            ++step;
            return false;
        }
        w->BClearAll->click(); // the list goes away under the run
        return true;
    });
    w->BProcess->click();
    EXPECT_EQ(dialogs.folderStarts.size(), 1u);
    EXPECT_TRUE(LastBoxIs("info", "Operation complete!", "Process status:"));
    EXPECT_EQ(pw::LoadLines((out + "/result.log").toStdString()).size(), 2u + 400u);
    EXPECT_EQ(w->Total->value(), 0);
}

// Adding files of another type during a run changes the list, not the run:
// the packs still go to extraction under "#Format: FAT", and "result.log"
// is saved.
TEST_F(RunTest, AnotherFileTypeAddedDuringARunDoesNotChangeIt) {
    MakeBigPack("in/BIG", 400);
    Add({Path("in/BIG.fat"), Path("in/MENU.fat")}, 1);
    Write("other.log", "#Format: FAT\r\n");
    const QString out = Path("out");
    dialogs.folders.push_back(out);
    DuringRun meddler([&] {
        if (!w->Running() || w->Progress->value() < 10) return false;
        dialogs.opens.push_back({{Path("other.log")}, 3});
        w->BAddLog->click();
        return true;
    });
    w->BProcess->click();
    EXPECT_EQ(w->InputKind, pw::KindLogs);
    const auto lines = pw::LoadLines((out + "/result.log").toStdString());
    ASSERT_EQ(lines.size(), 2u + 400u);
    EXPECT_EQ(lines[0], "#Format: FAT");
    EXPECT_TRUE(LastBoxIs("info", "Operation complete!", "Process status:"));
}
