// The main window's way to the Mods window: a tool-bar button before Exit,
// and mod lists named on the command line.
#include <QFrame>
#include <QToolButton>

#include "app/Main.h"
#include "app/mods/ModsWindow.h"

void TMainForm::SetUpModsCommand() {
    BMods = new QToolButton(ToolBar1);
    BMods->setObjectName("BMods");
    BMods->setGeometry(BExit->geometry());
    BExit->move(BExit->x() + BExit->width(), BExit->y());
    BMods->setFocusPolicy(Qt::NoFocus);
    BMods->setAutoRaise(true);
    BMods->setIconSize(BExit->iconSize());
    connect(BMods, &QToolButton::clicked, this, [this] { Guarded([&] { ShowMods(); }); });
}

pw::TModsForm* TMainForm::ShowMods(const QString& listPath) {
    if (!mods_) mods_ = new pw::TModsForm(dialogs_, this);
    mods_->show();
    mods_->raise();
    mods_->activateWindow();
    if (!listPath.isEmpty()) mods_->LoadList(listPath);
    return mods_;
}
