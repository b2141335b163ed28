// The main window's side of the contents, change plan and patch windows:
// opening one per pack, log or patch from the input list, by double-click,
// Enter or the context menu.
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>
#include <QTimer>

#include "app/browse/Contents.h"
#include "app/browse/PatchWindow.h"
#include "app/browse/PlanWindow.h"
#include "app/Main.h"
#include "packs/Kinds.h"

namespace {

QString KeyOf(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

} // namespace

void TMainForm::SetUpContentsCommands() {
    LogList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(LogList, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        Guarded([&] { LogListActivate(item); });
    });
    connect(LogList, &QListWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = LogListMenu(LogList->itemAt(at));
        if (menu) menu->popup(LogList->viewport()->mapToGlobal(at));
    });
    LogList->viewport()->setAcceptDrops(true);
    LogList->setAcceptDrops(true);
    LogList->viewport()->installEventFilter(this);
}

bool TMainForm::ContentsBusy() const {
    for (const auto& [key, form] : contents_)
        if (form && form->Running()) return true;
    return false;
}

pw::TContentsForm* TMainForm::ContentsOf(const QString& indexPath) const {
    const auto it = contents_.find(KeyOf(indexPath));
    return it == contents_.end() ? nullptr : it->second.data();
}

pw::TContentsForm* TMainForm::ShowContents(const QString& indexPath) {
    if (running_) return nullptr;
    pw::TContentsForm* form = ContentsOf(indexPath);
    if (!form) {
        form = new pw::TContentsForm(pw::ToPath(indexPath), dialogs_, this);
        form->OtherRunBusy = [this] { return running_; };
        // The main window waits for an extraction before it closes.
        form->RunEnded = [this] { QTimer::singleShot(0, this, [this] { CloseIfAsked(); }); };
        contents_[KeyOf(indexPath)] = form;
    }
    form->show();
    form->raise();
    form->activateWindow();
    return form;
}

pw::TPlanForm* TMainForm::ChangesOf(const QString& logPath) const {
    const auto it = plans_.find(KeyOf(logPath));
    return it == plans_.end() ? nullptr : it->second.data();
}

pw::TPlanForm* TMainForm::ShowChanges(const QString& logPath) {
    if (running_) return nullptr;
    pw::TPlanForm* form = ChangesOf(logPath);
    if (!form) {
        form = new pw::TPlanForm(pw::ToPath(logPath), pw::ToPath(QDir::currentPath()), dialogs_, this);
        plans_[KeyOf(logPath)] = form;
    }
    form->show();
    form->raise();
    form->activateWindow();
    return form;
}

pw::TPatchForm* TMainForm::PatchOf(const QString& patchPath) const {
    const auto it = patches_.find(KeyOf(patchPath));
    return it == patches_.end() ? nullptr : it->second.data();
}

pw::TPatchForm* TMainForm::ShowPatch(const QString& patchPath) {
    if (running_) return nullptr;
    pw::TPatchForm* form = PatchOf(patchPath);
    if (!form) {
        form = new pw::TPatchForm(pw::ToPath(patchPath), dialogs_, this);
        if (!GameDir.isEmpty()) form->SetGameFolder(pw::ToPath(GameDir));
        patches_[KeyOf(patchPath)] = form;
    }
    form->show();
    form->raise();
    form->activateWindow();
    return form;
}

void TMainForm::LogListActivate(QListWidgetItem* item) {
    if (!item || running_) return;
    if (InputKind == pw::KindPacks) ShowContents(item->text());
    if (InputKind == pw::KindLogs || InputKind == pw::KindProjectLists) ShowChanges(item->text());
    if (InputKind == pw::KindPatches) ShowPatch(item->text());
}

QMenu* TMainForm::LogListMenu(QListWidgetItem* item) {
    if (!item) return nullptr;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (InputKind == pw::KindPacks) {
        QAction* show = menu->addAction(QStringLiteral("Show contents"));
        show->setEnabled(!running_);
        const QString path = item->text();
        connect(show, &QAction::triggered, this, [this, path] { Guarded([&] { ShowContents(path); }); });
    }
    if (InputKind == pw::KindLogs || InputKind == pw::KindProjectLists) {
        QAction* show = menu->addAction(QStringLiteral("Show changes"));
        show->setEnabled(!running_);
        const QString path = item->text();
        connect(show, &QAction::triggered, this, [this, path] { Guarded([&] { ShowChanges(path); }); });
    }
    if (InputKind == pw::KindPatches) {
        QAction* show = menu->addAction(QStringLiteral("Show patch"));
        show->setEnabled(!running_);
        const QString path = item->text();
        connect(show, &QAction::triggered, this, [this, path] { Guarded([&] { ShowPatch(path); }); });
    }
    if (menu->isEmpty()) {
        delete menu;
        return nullptr;
    }
    return menu;
}
