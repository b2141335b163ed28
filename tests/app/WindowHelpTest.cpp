// The main window explaining itself: tooltips, accessible names and
// shortcuts of the tool bar, the empty list's help, glyphs drawn for the
// screen's pixel ratio, and the files the program is started with.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSet>
#include <QTest>
#include <QToolButton>

#include "AppFixture.h"
#include "app/Glyphs.h"
#include "app/InputList.h"
#include "app/browse/Contents.h"

namespace {

using Names = std::vector<std::string>;

class WindowHelpTest : public AppTest {
protected:
    // Shows the window as the active one, so that its shortcuts work.
    void Activate() {
        w->show();
        QApplication::setActiveWindow(w.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    }
    // Presses keys on `target` and lets a button's animated click finish.
    static void Press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(target, Qt::Key(key), modifiers);
        QTest::qWait(250);
    }
    // Whether the list's viewport shows anything but its background in its
    // middle third (the help line is centred).
    bool ListShowsText() const {
        const QImage image = w->LogList->viewport()->grab().toImage();
        const QRgb base = w->LogList->palette().color(QPalette::Base).rgb();
        for (int y = image.height() / 3; y < image.height() * 2 / 3; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != base) return true;
        return false;
    }
};

TEST_F(WindowHelpTest, EveryToolButtonNamesItsCommandAndShortcut) {
    const QToolButton* order[] = {w->BAddLog,   w->ProcessDir, w->BSaveList, w->BRemLog,
                                  w->BClearAll, w->BProcess,   w->BExit};
    const QString names[] = {"Add files", "Process Directory", "Save list", "Remove selected",
                             "Clear list", "Process", "Exit"};
    QSet<QString> keys;
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(names[i].toStdString());
        EXPECT_EQ(order[i]->accessibleName(), names[i]);
        EXPECT_TRUE(order[i]->toolTip().startsWith(names[i]));
        const QString key = order[i]->shortcut().toString(QKeySequence::NativeText);
        if (!key.isEmpty()) {
            EXPECT_EQ(order[i]->toolTip(), names[i] + " (" + key + ")");
            EXPECT_FALSE(keys.contains(key));
            keys.insert(key);
        }
    }
    EXPECT_EQ(w->BAddLog->shortcut(), QKeySequence(QKeySequence::Open));
    EXPECT_EQ(w->BSaveList->shortcut(), QKeySequence(QKeySequence::Save));
    EXPECT_EQ(w->BProcess->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(w->ProcessDir->toolTip(), "Process Directory (Ctrl+D)");
    EXPECT_EQ(w->BRemLog->toolTip(), "Remove selected (Del)");
    EXPECT_EQ(w->BClearAll->toolTip(), "Clear list"); // emptying the list has no key
}

TEST_F(WindowHelpTest, EachToolButtonHasAnIconOfItsOwn) {
    const QToolButton* order[] = {w->BAddLog,   w->ProcessDir, w->BSaveList, w->BRemLog,
                                  w->BClearAll, w->BProcess,   w->BMods,     w->BExit};
    std::vector<QImage> images;
    for (const QToolButton* b : order) images.push_back(b->icon().pixmap(QSize(16, 16), 1.0).toImage());
    for (size_t i = 0; i < images.size(); ++i)
        for (size_t j = i + 1; j < images.size(); ++j) {
            SCOPED_TRACE(order[i]->accessibleName().toStdString() + " and " + order[j]->accessibleName().toStdString());
            EXPECT_NE(images[i], images[j]);
        }
}

TEST_F(WindowHelpTest, ShortcutsDoWhatAClickDoes) {
    Activate();
    Write("a.log", "");
    Write("b.log", "");
    dialogs.opens.push_back({{Path("a.log"), Path("b.log")}, 3});
    Press(w->LogList, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(Entries(), QStringList({Path("a.log"), Path("b.log")}));

    // Delete removes the selection while the list has the focus, and is the
    // editable results pane's own key there.
    w->LogList->setFocus();
    w->LogList->item(0)->setSelected(true);
    Press(w->LogList, Qt::Key_Delete);
    EXPECT_EQ(Entries(), QStringList({Path("b.log")}));
    w->LogList->item(0)->setSelected(true);
    w->Results->setPlainText("xy");
    w->Results->setFocus();
    w->Results->moveCursor(QTextCursor::Start);
    Press(w->Results, Qt::Key_Delete);
    EXPECT_EQ(w->Results->toPlainText(), "y");
    EXPECT_EQ(Entries(), QStringList({Path("b.log")}));

    // A disabled button's shortcut does nothing.
    w->BClearAllClick();
    Press(w->LogList, Qt::Key_S, Qt::ControlModifier); // no save dialog is expected
    EXPECT_TRUE(dialogs.saveSetups.empty());
}

TEST_F(WindowHelpTest, EmptyListDrawsItsHelpWithoutAnItem) {
    w->show();
    EXPECT_EQ(w->LogList->count(), 0);
    EXPECT_TRUE(ListShowsText());
    Write("a.log", "");
    Add({Path("a.log")}, 3);
    EXPECT_EQ(w->LogList->count(), 1);
    EXPECT_FALSE(ListShowsText()); // one item at the top, the help gone
    w->BClearAllClick();
    EXPECT_TRUE(ListShowsText());
    EXPECT_EQ(pw::TInputList::EmptyHint(),
              "Add data packs, logs, project lists or patches with the first two buttons, or drop them here; a mod "
              "list dropped here opens in Mods");
}

TEST_F(WindowHelpTest, GlyphsAreDrawnForThePixelRatio) {
    for (int index = 0; index < pw::EnabledGlyphCount; ++index) {
        SCOPED_TRACE(index);
        const QPixmap one = pw::ToolIcon(index).pixmap(QSize(16, 16), 1.0);
        const QPixmap two = pw::ToolIcon(index).pixmap(QSize(16, 16), 2.0);
        EXPECT_EQ(one.size(), QSize(16, 16));
        EXPECT_EQ(two.size(), QSize(32, 32));
        EXPECT_EQ(two.devicePixelRatio(), 2.0);
        // Drawn afresh, not the small glyph enlarged: some 2 x 2 square of
        // device pixels is not of one colour.
        const QImage image = two.toImage();
        bool finer = false;
        for (int y = 0; y < 32 && !finer; y += 2)
            for (int x = 0; x < 32 && !finer; x += 2)
                finer = image.pixel(x, y) != image.pixel(x + 1, y) || image.pixel(x, y) != image.pixel(x, y + 1) ||
                        image.pixel(x, y) != image.pixel(x + 1, y + 1);
        EXPECT_TRUE(finer);
        EXPECT_EQ(pw::EnabledGlyph(index, 1.5).size(), QSize(24, 24));
    }
    // The disabled look stays grey at every ratio.
    const QImage grey = pw::ToolIcon(0).pixmap(QSize(16, 16), 2.0, QIcon::Disabled).toImage();
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x)
            if (qAlpha(grey.pixel(x, y)) == 255) {
                EXPECT_EQ(qRed(grey.pixel(x, y)), qGreen(grey.pixel(x, y)));
                EXPECT_EQ(qGreen(grey.pixel(x, y)), qBlue(grey.pixel(x, y)));
            }
}

TEST_F(WindowHelpTest, StartedWithFiles) {
    // One pack: added as the add-files command adds it, its contents shown.
    MakePack("in/MENU", {{"a.txt", "hello\n"}});
    w->OpenPaths({Path("in/MENU.fat")});
    EXPECT_EQ(Entries(), QStringList({Path("in/MENU.fat")}));
    EXPECT_EQ(w->InputKind, 1);
    EXPECT_EQ(EnabledButtons(), (Names{"BAddLog", "ProcessDir", "BSaveList", "BRemLog", "BClearAll", "BProcess",
                                       "BExit"}));
    pw::TContentsForm* form = w->ContentsOf(Path("in/MENU.fat"));
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    form->close();

    // Several logs, named relative to the current folder: added whole, no
    // window opened.
    Write("a.log", "");
    Write("b.log", "");
    QDir::setCurrent(tmp.path());
    w->OpenPaths({"a.log", "b.log"});
    EXPECT_EQ(Entries(), QStringList({Path("a.log"), Path("b.log")}));
    EXPECT_EQ(w->InputKind, 2);

    // Two packs: added, no contents window.
    MakePack("in/TWO", {{"b.txt", "x"}});
    w->OpenPaths({Path("in/MENU.fat"), Path("in/TWO.fat")});
    EXPECT_EQ(Entries().size(), 2);
    EXPECT_EQ(w->ContentsOf(Path("in/TWO.fat")), nullptr);
    EXPECT_TRUE(dialogs.boxes.empty());

    // A file that is not there is an error; nothing is added.
    w->OpenPaths({Path("a.log"), Path("gone.log")});
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].kind, "error");
    EXPECT_EQ(dialogs.boxes[0].text, "Cannot open file " + Path("gone.log") + ".");
    EXPECT_EQ(Entries().size(), 2);
    // Mixed types are refused as a drop of them is.
    w->OpenPaths({Path("a.log"), Path("in/TWO.fat")});
    EXPECT_EQ(w->CurrentMessage->text(), "Not added: files of different types.");
    EXPECT_EQ(Entries().size(), 2);
}

} // namespace
