// What the tool bar says about itself: each button's icon (from the
// desktop's theme, our own glyph where it has none), its command as
// tooltip (with its shortcut) and accessible name, and the shortcuts of the
// commands a user repeats. A shortcut clicks its button, so it does what a
// click does, and nothing while the button is disabled.
#include <QAction>
#include <QKeySequence>
#include <QListWidget>
#include <QShortcut>
#include <QToolButton>

#include "app/Glyphs.h"
#include "app/Main.h"

namespace {

void Describe(QToolButton* button, const QString& command, const QKeySequence& keys) {
    button->setAccessibleName(command);
    const QString shown = keys.toString(QKeySequence::NativeText);
    button->setToolTip(shown.isEmpty() ? command : QStringLiteral("%1 (%2)").arg(command, shown));
}

} // namespace

void TMainForm::SetUpToolBarHelp() {
    struct Command {
        QToolButton* button;
        const char* name;
        QKeySequence keys;
        const char* icon; // the theme's name
        int glyph;        // our own
    };
    const Command commands[] = {
        {BAddLog, "Add files", QKeySequence(QKeySequence::Open), "document-open", 0},
        {ProcessDir, "Process Directory", QKeySequence(Qt::CTRL | Qt::Key_D), "folder-open", 5},
        {BSaveList, "Save list", QKeySequence(QKeySequence::Save), "document-save", 1},
        {BRemLog, "Remove selected", QKeySequence(Qt::Key_Delete), "list-remove", 2},
        {BClearAll, "Clear list", QKeySequence(), "edit-clear", 3},
        {BProcess, "Process", QKeySequence(Qt::Key_F5), "system-run", 4},
        {BMods, "Mods", QKeySequence(Qt::CTRL | Qt::Key_M), "package-x-generic", 8},
        {BExit, "Exit", QKeySequence(QKeySequence::Quit), "application-exit", 7},
    };
    for (const Command& c : commands) {
        c.button->setIcon(pw::ThemedIcon(c.icon, c.glyph));
        Describe(c.button, QString::fromLatin1(c.name), c.keys);
        // Delete removes from the list only while the list has the focus:
        // the results pane is editable and keeps its own Delete.
        if (c.button != BRemLog) c.button->setShortcut(c.keys);
    }
    auto* remove = new QShortcut(QKeySequence(Qt::Key_Delete), LogList, nullptr, nullptr, Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, BRemLog, &QToolButton::click);
}
