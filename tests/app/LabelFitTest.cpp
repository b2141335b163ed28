// Every label and button of every form shows its whole text, at the forms'
// own font and at a larger one.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QProcess>

#include "AppFixture.h"
#include "app/browse/Contents.h"

namespace {

// Names of the controls whose text is wider than the room they have.
std::vector<std::string> CutTexts(QWidget& form) {
    std::vector<std::string> cut;
    for (QLabel* label : form.findChildren<QLabel*>()) {
        if (label->text().isEmpty() || label->wordWrap()) continue;
        if (label->fontMetrics().horizontalAdvance(label->text()) > label->contentsRect().width())
            cut.push_back(label->objectName().toStdString() + " \"" + label->text().toStdString() + "\"");
    }
    for (QAbstractButton* button : form.findChildren<QAbstractButton*>()) {
        // A tool bar too narrow for its buttons hides the last ones behind
        // its extension arrow, where they are listed whole.
        if (button->text().isEmpty() || !button->isVisibleTo(&form)) continue;
        if (button->fontMetrics().horizontalAdvance(button->text()) + 6 > button->width())
            cut.push_back(button->objectName().toStdString() + " \"" + button->text().toStdString() + "\"");
    }
    return cut;
}

class LabelFitTest : public AppTest {
protected:
    void CheckAll(const QFont& font) {
        pw::TContentsForm* contents = w->ShowContents(Path("P.fat"));
        ASSERT_NE(contents, nullptr);
        for (QWidget* form : {static_cast<QWidget*>(w.get()), static_cast<QWidget*>(dir.get()),
                              static_cast<QWidget*>(contents)}) {
            form->setFont(font);
            form->show();
            QCoreApplication::processEvents();
            EXPECT_EQ(CutTexts(*form), std::vector<std::string>{}) << form->objectName().toStdString()
                                                                   << " at " << font.pointSize() << " points";
            form->hide();
        }
    }
};

TEST_F(LabelFitTest, TextsFitAtTheFormFontAndLarger) {
    MakePack("P", {{"a.txt", "x"}});
    CheckAll(w->font());
    EXPECT_EQ(dir->size(), QSize(418, 53)); // the design size where the text fits

    const QFont oldAppFont = QApplication::font();
    QFont big = oldAppFont;
    big.setPointSize(20);
    QApplication::setFont(big);
    CheckAll(big);
    EXPECT_GT(dir->width(), 418);
    QApplication::setFont(oldAppFont);
}

#ifdef PACKWRIGHT_EXE
TEST(NoDisplay, OneLineAndExitStatus1) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    p.setProcessEnvironment(env);
    p.start(PACKWRIGHT_EXE, {});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(err.count(u'\n'), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("no display") && err.contains("packwright-cli")) << err.toStdString();
    EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
}
#endif

} // namespace
