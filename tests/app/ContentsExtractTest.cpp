// Extraction from the contents window: the chosen entries written as a full
// extraction writes them, a log naming every entry, a rebuild from it that
// keeps the unselected entries' old bytes, and a working Stop.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include "AppFixture.h"
#include "GeneratedPack.h"
#include "app/browse/Contents.h"
#include "app/browse/PackModel.h"
#include "core/FileIO.h"
#include "packs/PackIndex.h"

namespace {

class ContentsExtractTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        MakePack("in/MENU", {{"a.txt", "hello"}, {"b.dat", "old b"}, {"", ""}, {"c.tga", "old c"}});
        form = w->ShowContents(Path("in/MENU.fat"));
        ASSERT_NE(form, nullptr);
    }
    void Select(std::initializer_list<int> rows) {
        form->Table->clearSelection();
        for (int r : rows)
            form->Table->selectionModel()->select(form->Model()->index(r, 0),
                                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    // Entry k's bytes in a pack.
    std::string EntryBytes(const QString& indexPath, size_t k) {
        pw::PackIndex index(pw::ReadWholeFile(indexPath.toStdString()), indexPath.toStdString());
        const pw::FatEntry e = index.Entry(k);
        return Read(QFileInfo(indexPath).path() + "/MENU.mix").substr(size_t(e.StartBlock) * 2048, size_t(e.Size));
    }
    pw::TContentsForm* form = nullptr;
};

TEST_F(ContentsExtractTest, SelectedEntriesThenRebuildKeepsTheOthers) {
    EXPECT_FALSE(form->BExtractSelected->isEnabled()); // nothing selected yet
    Select({1});
    ASSERT_TRUE(form->BExtractSelected->isEnabled());
    dialogs.folders.push_back(Path("out"));
    form->BExtractSelected->click();
    ASSERT_FALSE(dialogs.boxes.empty());
    EXPECT_EQ(dialogs.boxes.back().text, "Operation complete!");
    EXPECT_EQ(dialogs.folderStarts.size(), 1u);

    EXPECT_EQ(Read(Path("out/MENU/DAT/00000001.dat")), "old b");
    EXPECT_FALSE(QFileInfo::exists(Path("out/MENU/TXT")));
    EXPECT_FALSE(QFileInfo::exists(Path("out/MENU/TGA/00000003.tga")));
    const std::string log = Read(Path("out/result.log"));
    EXPECT_NE(log.find(Path("out/MENU/TGA/00000003.tga").toStdString()), std::string::npos) << log;

    // Edit the one extracted entry and rebuild from the log: the entries
    // that were not extracted keep their old data.
    Write("out/MENU/DAT/00000001.dat", "new b!");
    Add({Path("out/result.log")}, 3);
    dialogs.folders.push_back(Path("new"));
    w->BProcess->click();
    EXPECT_EQ(dialogs.boxes.back().text, "Operation complete!");
    EXPECT_EQ(EntryBytes(Path("new/MENU.fat"), 0), "hello");
    EXPECT_EQ(EntryBytes(Path("new/MENU.fat"), 1), "new b!");
    EXPECT_EQ(EntryBytes(Path("new/MENU.fat"), 2), "");
    EXPECT_EQ(EntryBytes(Path("new/MENU.fat"), 3), "old c");
}

TEST_F(ContentsExtractTest, AllEntriesAndSelectionFollowsSortAndFilter) {
    form->Table->sortByColumn(pw::TPackModel::ColName, Qt::DescendingOrder); // c.tga first
    Select({0});
    dialogs.folders.push_back(Path("one"));
    form->BExtractSelected->click();
    EXPECT_EQ(Read(Path("one/MENU/TGA/00000003.tga")), "old c");
    EXPECT_FALSE(QFileInfo::exists(Path("one/MENU/DAT")));

    dialogs.folders.push_back(Path("all"));
    form->BExtractAll->click();
    EXPECT_EQ(Read(Path("all/MENU/TXT/00000000.txt")), "hello");
    EXPECT_EQ(Read(Path("all/MENU/TGA/00000003.tga")), "old c");

    // A cancelled prompt writes nothing.
    dialogs.folders.push_back(std::nullopt);
    const size_t boxes = dialogs.boxes.size();
    form->BExtractAll->click();
    EXPECT_EQ(dialogs.boxes.size(), boxes);
}

TEST_F(ContentsExtractTest, StopEndsTheExtraction) {
    const pwtest::GeneratedPack big = pwtest::WriteGeneratedPack(Path("").toStdString(), "BIG", 20000, 0);
    pw::TContentsForm* bigForm = w->ShowContents(QString::fromStdString(big.indexPath));
    ASSERT_NE(bigForm, nullptr);
    dialogs.folders.push_back(Path("stopped"));
    bool stopped = false;
    DuringRun stopper([&] {
        if (!bigForm->Running()) return false;
        EXPECT_FALSE(bigForm->BExtractAll->isEnabled());
        EXPECT_TRUE(bigForm->Stop->isEnabled());
        bigForm->Stop->click();
        stopped = true;
        return true;
    });
    bigForm->BExtractAll->click();
    EXPECT_TRUE(stopped);
    EXPECT_EQ(dialogs.boxes.back().text, "Operation stopped!");
    EXPECT_FALSE(QFileInfo::exists(Path("stopped/result.log")));
    EXPECT_FALSE(bigForm->Running());
    EXPECT_TRUE(bigForm->BExtractAll->isEnabled());
}

TEST_F(ContentsExtractTest, DamagedSelectedEntryGoesToTheErrorBox) {
    Write("in/MENU.mix", std::string(2048, 'h') + "x"); // entries 1 and 3 lie outside now
    pw::TContentsForm* fresh = form;
    Select({0});
    dialogs.folders.push_back(Path("part"));
    fresh->BExtractSelected->click(); // only entry 0: the damaged ones are not read
    EXPECT_EQ(dialogs.boxes.back().text, "Operation complete!");
    Select({3});
    dialogs.folders.push_back(Path("bad"));
    fresh->BExtractSelected->click();
    EXPECT_EQ(dialogs.boxes.back().kind, "error");
    EXPECT_EQ(dialogs.boxes.back().text, "Stream read error.");
    EXPECT_FALSE(fresh->Running());
}

} // namespace

namespace {

// Closing the main window while a contents window extracts stops the
// extraction first; both windows close when it has ended.
TEST_F(ContentsExtractTest, ClosingTheMainWindowWaitsForTheExtraction) {
    const pwtest::GeneratedPack big = pwtest::WriteGeneratedPack(Path("").toStdString(), "BIG", 20000, 0);
    QPointer<pw::TContentsForm> bigForm = w->ShowContents(QString::fromStdString(big.indexPath));
    ASSERT_TRUE(bigForm);
    w->show();
    dialogs.folders.push_back(Path("closing"));
    bool closed = false;
    DuringRun closer([&] {
        if (!bigForm->Running()) return false;
        w->close();
        EXPECT_TRUE(w->isVisible()); // not while the extraction works
        closed = true;
        return true;
    });
    const size_t boxes = dialogs.boxes.size();
    bigForm->BExtractAll->click();
    EXPECT_TRUE(closed);
    EXPECT_EQ(dialogs.boxes.size(), boxes); // no box for a window that closes
    EXPECT_FALSE(QFileInfo::exists(Path("closing/result.log")));
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(bigForm);
}

} // namespace
